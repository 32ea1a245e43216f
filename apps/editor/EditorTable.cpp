#include "EditorTable.h"

#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>

#include <db/Node.h>
#include <wxUtils/TreeEvent.h>
#include <wxUtils/TreeItem.h>

#include <wx/config.h>
#include <wx/tokenzr.h>

#include <set>

EditorTable::EditorTable(wxWindow* parent, dbui::NodeBrowser& browser)
    : dbui::NodeTable(parent, wxID_ANY), m_browser(browser)
{
    setDatabase(browser.getDatabase());
    // Both events go on to the frame and the browser, which want them too.
    browser.getTreeControl()->Bind(wxUTILS_EVT_TREE_SEL_CHANGED,
                                   [this](wxUtils::TreeEvent& event)
                                   {
                                       feed();
                                       event.Skip();
                                   });
    browser.Bind(dbui::EVT_NODE_FILTER_CHANGED,
                 [this](wxCommandEvent& event)
                 {
                     feed();
                     event.Skip();
                 });
    Bind(dbui::EVT_NODE_TABLE_COLUMNS_CHANGED, [this](wxCommandEvent&) { rememberColumns(); });
}

void EditorTable::follow(bool on)
{
    m_following = on;
    Show(on);
    if (on)
        feed();
    else
        setNodes({});
}

void EditorTable::feed()
{
    if (!m_following)
        return;
    // The document may have a new database since the last time.
    setDatabase(m_browser.getDatabase());
    dbui::NodeBrowserTreeControl* tree = m_browser.getTreeControl();
    std::vector<db::Node*> nodes = tree->getSelectedNodes();
    if (tree->IsFiltered() && nodes.size() <= 1)
        nodes = filterMatches();
    feedNodes(nodes);
}

void EditorTable::feedNodes(const std::vector<db::Node*>& nodes)
{
    setNodes(nodes);
    const wxString saved = wxConfigBase::Get()->Read(columnsKey(), wxString());
    if (saved.empty())
        return;
    std::vector<std::wstring> paths;
    for (const wxString& path : wxSplit(saved, ',', '\0'))
        paths.push_back(path.ToStdWstring());
    setColumns(paths);
}

std::vector<db::Node*> EditorTable::filterMatches() const
{
    const dbui::NodeBrowserTreeControl* tree = m_browser.getTreeControl();
    std::vector<db::Node*> nodes;
    const wxUtils::TreeItem* first = tree->FindFilterMatch(nullptr, wxUtils::TreeControl::Forward);
    for (const wxUtils::TreeItem* item = first; item;)
    {
        if (db::Node* node = tree->getNodeOfItem(item))
            nodes.push_back(node);
        item = tree->FindFilterMatch(item, wxUtils::TreeControl::Forward);
        if (item == first)
            break;
    }
    return nodes;
}

wxString EditorTable::columnsKey() const
{
    std::set<std::wstring> types;
    const std::wstring* last = nullptr;
    for (int row = 0; row < GetNumberRows(); ++row)
    {
        // Rows come in runs of one type: 100,000 of them need not all be looked up.
        const std::wstring& type = getRowNode(row)->getClassID();
        if (!last || type != *last)
            types.insert(type);
        last = &type;
    }
    wxString key;
    for (const std::wstring& type : types)
        key += (key.empty() ? "" : "+") + wxString(type);
    return "/NodeTable/Columns/" + key;
}

void EditorTable::rememberColumns()
{
    wxString joined;
    for (const std::wstring& path : getColumns())
        joined += (joined.empty() ? "" : ",") + wxString(path);
    wxConfigBase::Get()->Write(columnsKey(), joined);
}
