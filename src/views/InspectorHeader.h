#pragma once

// The band above the inspector's rows: what is inspected (the node's name,
// editable in place, its type and its database path, or the count and common
// type of several nodes) and a filter box for attribute names.

#include <wxUtils/FocusReliantWindow.h>
#include <wxUtils/OrkPanel.h>

#include <functional>
#include <vector>

class wxGenericStaticText;
class wxSizerItem;

namespace db
{
class ChangeSet;
class Database;
class Node;
} // namespace db

namespace wxUtils
{
class OrkSimpleTextCtrl;
class OrkStaticText;
} // namespace wxUtils

namespace dbui
{

class InspectorHeader : public wxUtils::OrkPanel, public wxUtils::FocusReliantWindow
{
public:
    /// Which parts show.
    enum Parts
    {
        Summary = 1,
        Filter = 2,
    };

    /// `onFilterChanged` runs whenever the filter's text changes.
    InspectorHeader(wxWindow* parent, int parts, std::function<void()> onFilterChanged);

    /// Shows `nodes` of `database`. A name typed for the node shown so far is
    /// applied first, unless the database changed or that node was removed.
    void showNodes(db::Database* database, const std::vector<db::Node*>& nodes);
    /// Follows renames and moves of what is shown.
    void followChanges(const db::ChangeSet& changes);
    /// The filter's text in lower case; empty for none.
    wxString getFilter() const;

    /// Applies a name typed but not yet entered.
    void ensureChangesApplied() override;

private:
    void build(int parts);
    void refreshTexts();
    void onNameEnter(wxCommandEvent& event);
    void onNameFocusLost(wxFocusEvent& event);
    void onFilterKey(wxKeyEvent& event);
    void onPathClicked(wxMouseEvent& event);

    std::function<void()> m_onFilterChanged;
    wxUtils::OrkSimpleTextCtrl* m_nameBox = nullptr;
    wxUtils::OrkStaticText* m_summary = nullptr;
    wxUtils::OrkStaticText* m_type = nullptr;
    wxGenericStaticText* m_path = nullptr;
    wxSizerItem* m_nameRowStrut = nullptr;
    wxUtils::OrkSimpleTextCtrl* m_filterBox = nullptr;
    db::Database* m_database = nullptr;
    std::vector<db::Node*> m_nodes;
};

} // namespace dbui
