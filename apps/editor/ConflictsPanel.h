#pragma once

#include <db/MergeConflict.h>
#include <db/MergeConflicts.h>

#include <wx/panel.h>

#include <functional>
#include <vector>

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
/// one as one undo step; a double-click shows its node.
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

    db::Database& m_database;
    std::function<void(db::Node*)> m_showNode;
    wxListCtrl* m_list = nullptr;
    wxStaticText* m_message = nullptr;
    std::vector<db::MergeConflict> m_conflicts;
};
