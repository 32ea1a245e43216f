#pragma once

#include <wxUtils/Export.h>

#include <wx/string.h>

#include <memory>

namespace wxUtils
{

class OrkMenu;

/// One entry of an OrkMenu: a command (optionally checkable), a separator or a
/// submenu. Carries user data for the code that handles the choice.
class DBUI_TOOLKIT_EXPORT OrkMenuItem
{
public:
    /// What the entry is.
    enum class Kind
    {
        Normal,
        Check,
        Separator,
        SubMenu,
    };

    /// An enabled, unchecked entry; OrkMenu makes them.
    OrkMenuItem(int id, const wxString& label, Kind kind, const wxString& help = wxEmptyString);
    ~OrkMenuItem();

    /// The command id that the menu event of this entry carries.
    int getId() const { return m_id; }
    ///@{
    /// The text shown, mnemonics (&) included.
    const wxString& getLabel() const { return m_label; }
    void setLabel(const wxString& label) { m_label = label; }
    ///@}
    /// The help text shown in a status bar while the entry is highlighted.
    const wxString& getHelp() const { return m_help; }
    /// Command, check item, separator or submenu.
    Kind getKind() const { return m_kind; }
    /// True for a separator line.
    bool isSeparator() const { return m_kind == Kind::Separator; }
    /// True for a check item.
    bool isCheckable() const { return m_kind == Kind::Check; }

    ///@{
    /// The tick of a check item, as the menu will show it.
    bool isChecked() const { return m_checked; }
    void setChecked(bool checked) { m_checked = checked; }
    ///@}
    ///@{
    /// Whether the entry can be chosen; a disabled one is shown greyed.
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    ///@}

    ///@{
    /// Data of the caller's own, not owned; the toolkit never reads it.
    void setUserData(void* data) { m_userData = data; }
    void* getUserData() const { return m_userData; }
    ///@}

    /// The submenu of a SubMenu item (owned by the item), else null.
    OrkMenu* getSubMenu() const { return m_subMenu.get(); }
    /// Gives the item its submenu, replacing (and destroying) any it had.
    void setSubMenu(std::unique_ptr<OrkMenu> subMenu);

private:
    int m_id;
    wxString m_label;
    wxString m_help;
    Kind m_kind;
    bool m_checked = false;
    bool m_enabled = true;
    void* m_userData = nullptr;
    std::unique_ptr<OrkMenu> m_subMenu;
};

} // namespace wxUtils
