#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkMenuItem.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace wxUtils
{

/// A menu described as data: built on the stack, filled, then shown with
/// popupMenu. Owns its items and submenus.
class DBUI_TOOLKIT_EXPORT OrkMenu
{
public:
    /// `id` identifies the menu itself (-1 for none).
    explicit OrkMenu(int id = -1);
    ~OrkMenu();
    OrkMenu(const OrkMenu&) = delete;
    OrkMenu& operator=(const OrkMenu&) = delete;

    /// The id given at construction.
    int getId() const { return m_id; }

    /// Appends a command; `checkable` makes it a check item showing `checked`.
    OrkMenuItem* add(int id, const wxString& label, bool checkable = false, bool checked = false,
                     const wxString& help = wxEmptyString);
    /// Appends a separator line.
    OrkMenuItem* addSeparator();
    ///@{
    /// Appends `subMenu` under `label`, taking ownership of it.
    OrkMenuItem* addSubMenu(OrkMenu* subMenu, const wxString& label, const wxString& help = wxEmptyString);
    OrkMenuItem* addSubMenu(std::unique_ptr<OrkMenu> subMenu, const wxString& label,
                            const wxString& help = wxEmptyString);
    ///@}

    /// The item with `id`, searched through the submenus too unless `shallow`;
    /// null when there is none. Separators are never found.
    OrkMenuItem* findItem(int id, bool shallow = false) const;
    /// The first item (submenus included) whose label, without mnemonics, is `label`.
    OrkMenuItem* findItemByLabel(const wxString& label) const;

    /// How many items the menu itself has (not counting its submenus' items).
    std::size_t getItemCount() const { return m_items.size(); }
    /// The item at `index`, which must be below getItemCount().
    OrkMenuItem* getItem(std::size_t index) const { return m_items[index].get(); }
    /// True when the menu has no item at all.
    bool isEmpty() const { return m_items.empty(); }

    ///@{
    /// Data of the caller's own, not owned; the toolkit never reads it.
    void setUserData(void* data) { m_userData = data; }
    void* getUserData() const { return m_userData; }
    ///@}

private:
    int m_id;
    void* m_userData = nullptr;
    std::vector<std::unique_ptr<OrkMenuItem>> m_items;
};

} // namespace wxUtils
