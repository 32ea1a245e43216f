#pragma once

#include <db/MergeConflict.h>
#include <db/MergeConflicts.h>

#include <wx/panel.h>

#include <functional>
#include <vector>

class wxButton;
class wxListCtrl;
class wxListEvent;
class wxStaticText;

namespace db
{
class Database;
class Node;
} // namespace db

/// The merge conflicts a document carries, one row each with its path, kind
/// and three versions. Choosing base, ours or theirs resolves the selected
/// one as one undo step; a side the record cannot put back is greyed, its
/// button's tip saying why. A double-click shows the conflict's node.
class ConflictsPanel : public wxPanel
{
public:
    /// `showNode` is told the node a double-clicked conflict is about.
    ConflictsPanel(wxWindow* parent, db::Database& database, std::function<void(db::Node*)> showNode);

    /// Reads the records again; true when they changed.
    bool refresh();
    std::size_t getConflictCount() const { return m_conflicts.size(); }
    wxListCtrl* getList() const { return m_list; }
    /// Why the last choice could not be carried out, "" when it could.
    wxString getMessage() const;

    // Button ids.
    enum
    {
        ID_UseBase = wxID_HIGHEST + 200,
        ID_KeepOurs,
        ID_UseTheirs,
    };

private:
    void buildLayout();
    void connectEvents();
    void fillList();
    void onChoice(wxCommandEvent& event);
    void onActivated(wxListEvent& event);
    void updateButtons();
    long selectedRow() const;

    db::Database& m_database;
    std::function<void(db::Node*)> m_showNode;
    wxListCtrl* m_list = nullptr;
    wxStaticText* m_message = nullptr;
    wxButton* m_buttons[3] = {};
    std::vector<db::MergeConflict> m_conflicts;
};
