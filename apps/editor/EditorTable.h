#pragma once

#include <dbui/NodeTable.h>

#include <string>
#include <vector>

namespace dbui
{
class NodeBrowser;
}

/// The editor's table of nodes (View > Table): it shows the browser's
/// selection, or what the find box found while at most one node is
/// selected, and remembers in wxConfig the columns chosen for each mix of types.
class EditorTable : public dbui::NodeTable
{
public:
    EditorTable(wxWindow* parent, dbui::NodeBrowser& browser);

    /// Starts (or stops) showing what the browser selects or finds.
    void follow(bool on);

private:
    /// Shows the selection, or the find box's matches, as the class comment says.
    void feed();
    void feedNodes(const std::vector<db::Node*>& nodes);
    std::vector<db::Node*> filterMatches() const;
    /// The wxConfig key of the columns for the rows' types.
    wxString columnsKey() const;
    void rememberColumns();

    dbui::NodeBrowser& m_browser;
    bool m_following = false;
};
