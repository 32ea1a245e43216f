#include <wxUtils/OrkMenu.h>

#include <wx/menuitem.h>

namespace wxUtils
{

OrkMenuItem::OrkMenuItem(int id, const wxString& label, Kind kind, const wxString& help)
    : m_id(id), m_label(label), m_help(help), m_kind(kind)
{
}

OrkMenuItem::~OrkMenuItem() = default;

void OrkMenuItem::setSubMenu(std::unique_ptr<OrkMenu> subMenu)
{
    m_subMenu = std::move(subMenu);
}

OrkMenu::OrkMenu(int id) : m_id(id)
{
}

OrkMenu::~OrkMenu() = default;

OrkMenuItem* OrkMenu::add(int id, const wxString& label, bool checkable, bool checked, const wxString& help)
{
    wxASSERT_MSG(id != wxID_SEPARATOR, "use addSeparator for separators");
    auto item = std::make_unique<OrkMenuItem>(id, label,
                                              checkable ? OrkMenuItem::Kind::Check : OrkMenuItem::Kind::Normal, help);
    item->setChecked(checkable && checked);
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

OrkMenuItem* OrkMenu::addSeparator()
{
    m_items.push_back(std::make_unique<OrkMenuItem>(wxID_SEPARATOR, wxEmptyString, OrkMenuItem::Kind::Separator));
    return m_items.back().get();
}

OrkMenuItem* OrkMenu::addSubMenu(OrkMenu* subMenu, const wxString& label, const wxString& help)
{
    return addSubMenu(std::unique_ptr<OrkMenu>(subMenu), label, help);
}

OrkMenuItem* OrkMenu::addSubMenu(std::unique_ptr<OrkMenu> subMenu, const wxString& label, const wxString& help)
{
    wxASSERT_MSG(subMenu, "addSubMenu needs a menu");
    const int id = subMenu ? subMenu->getId() : -1;
    auto item = std::make_unique<OrkMenuItem>(id, label, OrkMenuItem::Kind::SubMenu, help);
    item->setSubMenu(std::move(subMenu));
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

OrkMenuItem* OrkMenu::findItem(int id, bool shallow) const
{
    for (const auto& item : m_items)
    {
        if (item->isSeparator())
            continue;
        // A submenu's own id is usually -1; never let that match a command.
        if (item->getKind() != OrkMenuItem::Kind::SubMenu && item->getId() == id)
            return item.get();
        if (!shallow && item->getSubMenu())
            if (OrkMenuItem* found = item->getSubMenu()->findItem(id, false))
                return found;
    }
    return nullptr;
}

OrkMenuItem* OrkMenu::findItemByLabel(const wxString& label) const
{
    for (const auto& item : m_items)
    {
        if (item->isSeparator())
            continue;
        if (wxMenuItem::GetLabelText(item->getLabel()) == wxMenuItem::GetLabelText(label))
            return item.get();
        if (item->getSubMenu())
            if (OrkMenuItem* found = item->getSubMenu()->findItemByLabel(label))
                return found;
    }
    return nullptr;
}

} // namespace wxUtils
