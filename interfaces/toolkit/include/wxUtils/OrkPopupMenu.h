#pragma once

#include <wxUtils/Export.h>

#include <wx/menu.h>

#include <functional>

namespace wxUtils
{

class OrkMenu;

/// The wxMenu shown for an OrkMenu. Menu events of every level (submenus
/// included) carry the top-level OrkPopupMenu as their event object, so a
/// handler can reach the chosen item with getMenu().findItem(id).
class DBUI_TOOLKIT_EXPORT OrkPopupMenu : public wxMenu
{
public:
    /// The wxMenu of `menu` (not owned, must outlive it), filled with its items.
    explicit OrkPopupMenu(OrkMenu& menu);

    /// The menu this one shows.
    OrkMenu& getMenu() const { return m_menu; }

    /// Stands in for the user in tests: while set, popupMenu asks it for the
    /// id to choose (wxID_NONE dismisses the menu) instead of showing the menu.
    using Chooser = std::function<int(const OrkPopupMenu&)>;
    ///@{
    /// The test's chooser; an empty one shows real menus again.
    static void setChooserForTesting(Chooser chooser);
    static bool hasChooserForTesting();
    ///@}

    /// Sends the menu event for `id` exactly as a real choice would.
    void sendChoice(wxWindow* invokingWindow, int id);

private:
    friend void popupMenu(wxWindow*, OrkMenu&, const wxPoint&, wxEvtHandler*);
    void fill(wxMenu* target, OrkMenu& source);
    void onMenu(wxCommandEvent& event);

    OrkMenu& m_menu;
    static Chooser s_chooser;
};

/// Shows `menu` over `window` at `point` (client coordinates of `window`;
/// wxDefaultPosition means at the mouse). The choice goes to `handler` when
/// given, otherwise to the window and up its parents. Returns after the menu
/// has closed and the choice has been handled.
DBUI_TOOLKIT_EXPORT void popupMenu(wxWindow* window, OrkMenu& menu, const wxPoint& point = wxDefaultPosition,
                                   wxEvtHandler* handler = nullptr);

} // namespace wxUtils
