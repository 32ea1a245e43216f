#pragma once

#include <dbui/NodeCommands.h>

#include <wx/dialog.h>

#include <vector>

class wxKeyEvent;
class wxListCtrl;
class wxTextCtrl;

/// Edit > Keyboard Shortcuts: every command with its key. Choose a command,
/// then press the new key in the key box; a key another command holds is
/// refused with a message naming that command.
class ShortcutsDialog : public wxDialog
{
public:
    ShortcutsDialog(wxWindow* parent, const dbui::NodeCommands& commands);

    /// Gives `commands` the keys chosen here.
    void applyTo(dbui::NodeCommands& commands) const;
    /// The key the command of `id` has in the dialog now.
    wxString getShortcut(int id) const;
    /// Chooses the command of `id` in the list.
    void chooseCommand(int id);
    wxListCtrl* getList() const { return m_list; }
    wxTextCtrl* getKeyBox() const { return m_keyBox; }

private:
    void layOut();
    void connectEvents();
    void fill();
    void onKeyDown(wxKeyEvent& event);
    /// Gives the chosen command `key`; false (and the user told why) when another command holds it.
    bool assign(const wxString& key);
    int chosenCommand() const;

    /// A copy of the table, whose keys the dialog changes.
    dbui::NodeCommands m_commands;
    std::vector<int> m_ids;
    wxListCtrl* m_list = nullptr;
    wxTextCtrl* m_keyBox = nullptr;
};
