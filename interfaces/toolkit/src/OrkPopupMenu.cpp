#include <wxUtils/OrkPopupMenu.h>

#include <wxUtils/OrkMenu.h>
#include <wxUtils/OrkWindow.h>

namespace wxUtils
{

OrkPopupMenu::Chooser OrkPopupMenu::s_chooser;

OrkPopupMenu::OrkPopupMenu(OrkMenu& menu) : m_menu(menu)
{
    fill(this, menu);
    Bind(wxEVT_MENU, &OrkPopupMenu::onMenu, this);
}

void OrkPopupMenu::fill(wxMenu* target, OrkMenu& source)
{
    for (std::size_t i = 0; i < source.getItemCount(); ++i)
    {
        OrkMenuItem* item = source.getItem(i);
        switch (item->getKind())
        {
        case OrkMenuItem::Kind::Separator:
            // GTK draws leading, trailing and doubled separators as they are;
            // callers add them by condition, so tidy them up here.
            if (target->GetMenuItemCount() > 0 &&
                !target->FindItemByPosition(target->GetMenuItemCount() - 1)->IsSeparator())
                target->AppendSeparator();
            break;
        case OrkMenuItem::Kind::SubMenu:
        {
            auto* sub = new wxMenu;
            fill(sub, *item->getSubMenu());
            // Choices in a submenu are dispatched by the submenu itself; make
            // them look like choices of this menu.
            sub->Bind(wxEVT_MENU, &OrkPopupMenu::onMenu, this);
            wxMenuItem* added = target->AppendSubMenu(sub, item->getLabel(), item->getHelp());
            added->Enable(item->isEnabled());
            break;
        }
        case OrkMenuItem::Kind::Check:
        case OrkMenuItem::Kind::Normal:
        {
            wxMenuItem* added = target->Append(item->getId(), item->getLabel(), item->getHelp(),
                                               item->isCheckable() ? wxITEM_CHECK : wxITEM_NORMAL);
            if (item->isCheckable())
                added->Check(item->isChecked());
            added->Enable(item->isEnabled());
            break;
        }
        }
    }
    const std::size_t count = target->GetMenuItemCount();
    if (count > 0 && target->FindItemByPosition(count - 1)->IsSeparator())
        target->Destroy(target->FindItemByPosition(count - 1));
}

void OrkPopupMenu::onMenu(wxCommandEvent& event)
{
    event.SetEventObject(this);
    event.Skip();
}

void OrkPopupMenu::setChooserForTesting(Chooser chooser)
{
    s_chooser = std::move(chooser);
}

bool OrkPopupMenu::hasChooserForTesting()
{
    return static_cast<bool>(s_chooser);
}

void OrkPopupMenu::sendChoice(wxWindow* invokingWindow, int id)
{
    OrkMenuItem* item = m_menu.findItem(id);
    wxASSERT_MSG(item, "sendChoice: the menu has no item with that id");
    if (!item || !item->isEnabled())
        return;
    int checked = -1;
    if (item->isCheckable())
        checked = item->isChecked() ? 0 : 1;
    SetInvokingWindow(invokingWindow);
    SendEvent(id, checked);
    SetInvokingWindow(nullptr);
}

void popupMenu(wxWindow* window, OrkMenu& menu, const wxPoint& point, wxEvtHandler* handler)
{
    wxASSERT_MSG(window, "popupMenu needs the window the menu belongs to");
    if (!window)
        return;
    OrkPopupMenu popup(menu);
    if (handler)
    {
        // Bound after the constructor's own handler, so it runs first and
        // must set the event object itself.
        auto forward = [&popup, handler](wxCommandEvent& event)
        {
            event.SetEventObject(&popup);
            handler->ProcessEvent(event);
        };
        popup.Bind(wxEVT_MENU, forward);
        for (std::size_t i = 0; i < popup.GetMenuItemCount(); ++i)
            if (wxMenu* sub = popup.FindItemByPosition(i)->GetSubMenu())
                sub->Bind(wxEVT_MENU, forward);
    }
    if (OrkPopupMenu::s_chooser)
    {
        const int id = OrkPopupMenu::s_chooser(popup);
        if (id != wxID_NONE)
            popup.sendChoice(window, id);
        return;
    }
    window->PopupMenu(&popup, point);
}

void OrkWindow::popupMenu(OrkMenu& menu, const wxPoint& point, wxEvtHandler* handler)
{
    wxUtils::popupMenu(this, menu, point, handler);
}

void OrkWindow::popupMenu(OrkMenu* menu, const wxPoint& point, wxEvtHandler* handler)
{
    wxASSERT_MSG(menu, "popupMenu needs a menu");
    if (menu)
        wxUtils::popupMenu(this, *menu, point, handler);
}

} // namespace wxUtils
