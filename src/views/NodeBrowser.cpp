#include <dbui/NodeBrowser.h>

#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeInspector.h>

#include <wxUtils/TreeEvent.h>

namespace dbui
{

NodeBrowser::NodeBrowser(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style,
                         const wxString& name)
{
    Create(parent, id, pos, size, style, name);
}

bool NodeBrowser::Create(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style,
                         const wxString& name)
{
    if (!OrkSplitter::Create(parent, id, pos, size, style, name))
        return false;
    // The panes must be children of the window the splitter lays out.
    wxWindow* panes = getContentWindow();
    m_treeControl = new NodeBrowserTreeControl(panes, -1, wxDefaultPosition, wxDefaultSize, 0,
                                               "NodeBrowserTreeControl");
    m_inspector = new NodeInspector(panes, -1, wxDefaultPosition, wxDefaultSize, 0x5C0, "NodeBrowser");
    splitHorizontally(m_treeControl, m_inspector, SashProportional, 0.5);
    Connect(m_treeControl->GetId(), wxUTILS_EVT_TREE_SEL_CHANGED,
            wxUTILS_TREE_EVENT_HANDLER(NodeBrowser::onTreeControlSelectionChanged));
    return true;
}

void NodeBrowser::setDatabase(db::Database* database)
{
    m_treeControl->setDatabase(database);
    m_inspector->setDatabase(database);
}

db::Database* NodeBrowser::getDatabase() const
{
    return m_treeControl->getDatabase();
}

void NodeBrowser::onTreeControlSelectionChanged(wxUtils::TreeEvent&)
{
    m_inspector->setNodes(m_treeControl->getSelectedNodes());
}

} // namespace dbui
