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
    enum class Kind
    {
        Normal,
        Check,
        Separator,
        SubMenu,
    };

    OrkMenuItem(int id, const wxString& label, Kind kind, const wxString& help = wxEmptyString);
    ~OrkMenuItem();

    int getId() const { return m_id; }
    const wxString& getLabel() const { return m_label; }
    void setLabel(const wxString& label) { m_label = label; }
    const wxString& getHelp() const { return m_help; }
    Kind getKind() const { return m_kind; }
    bool isSeparator() const { return m_kind == Kind::Separator; }
    bool isCheckable() const { return m_kind == Kind::Check; }

    bool isChecked() const { return m_checked; }
    void setChecked(bool checked) { m_checked = checked; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }

    void setUserData(void* data) { m_userData = data; }
    void* getUserData() const { return m_userData; }

    /// The submenu of a SubMenu item (owned by the item), else null.
    OrkMenu* getSubMenu() const { return m_subMenu.get(); }
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
