#pragma once

#include <dbui/Export.h>
#include <dbui/NodeCommands.h>

#include <wx/dialog.h>
#include <wx/weakref.h>

#include <vector>

class wxListCtrl;
class wxTextCtrl;

namespace dbui
{

class NodeBrowserTreeControl;

/// A box that finds any command of a table by typing part of its name: it
/// lists each command that has every typed word in its name, with its key and
/// whether it can run now; arrows move, Enter runs the chosen one, Esc closes.
class DBUI_EXPORT CommandPalette : public wxDialog
{
public:
    /// A palette over the commands of `tree`'s table, hidden until popup.
    CommandPalette(wxWindow* parent, NodeBrowserTreeControl& tree);

    /// Shows the palette, empty, over its parent with the focus in its box;
    /// the commands will act on what had the focus before.
    void popup();
    /// Runs the chosen command if it can run, after closing the palette; false when nothing ran.
    bool runChosen();
    /// Closes the palette, giving the focus back to where it was; what Esc does.
    void dismiss();

    /// The ids of the commands listed now, in their order.
    const std::vector<int>& getListedCommands() const { return m_listed; }
    /// The id of the chosen command; wxID_NONE when none is listed.
    int getChosenCommand() const;
    /// The box the user types into.
    wxTextCtrl* getSearchBox() const { return m_search; }
    /// The list of commands: name, then key.
    wxListCtrl* getList() const { return m_list; }

private:
    void layOut();
    void connectEvents();
    /// Lists the commands that match the box's words, enabled or not as they are now.
    void refill();
    void choose(long row);
    void onCharHook(wxKeyEvent& event);
    NodeCommandContext context() const;

    NodeBrowserTreeControl& m_tree;
    wxTextCtrl* m_search = nullptr;
    wxListCtrl* m_list = nullptr;
    std::vector<int> m_listed;
    /// The window that had the focus before the palette took it.
    wxWeakRef<wxWindow> m_focus;
};

} // namespace dbui
