#include <dbui/NodeBrowser.h>

#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeInspector.h>

#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/TreeEvent.h>

#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/splitter.h>

#include <algorithm>
#include <vector>

namespace dbui
{

NodeBrowser::NodeBrowser(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style,
                         const wxString& name)
{
    Create(parent, id, pos, size, style, name);
}

namespace
{
/// The height of the tree's pane and of the inspector's, at the least: the
/// inspector's header, path and filter box, and below them room for the
/// shortest scroll bar GTK draws.
constexpr int s_minimumPaneHeight = 190;
constexpr int s_minimumWidth = 240;
} // namespace

bool NodeBrowser::Create(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style,
                         const wxString& name)
{
    if (!OrkSplitter::Create(parent, id, pos, size, style, name))
        return false;
    // The panes must be children of the window the splitter lays out.
    wxWindow* panes = getContentWindow();
    m_treeControl =
        new NodeBrowserTreeControl(panes, -1, wxDefaultPosition, wxDefaultSize, 0, "NodeBrowserTreeControl");
    m_inspector = new NodeInspector(panes, -1, wxDefaultPosition, wxDefaultSize, 0x5C0, "NodeBrowser");
    splitHorizontally(m_treeControl, m_inspector, SashProportional, 0.5);
    // A pane squeezed below the length of its scroll bar is laid out wrong
    // by GTK: neither pane goes below a few rows, by the sash or by the
    // window's size, and the browser asks its parent for room for both.
    const int pane = FromDIP(s_minimumPaneHeight);
    getSplitterWindow()->SetMinimumPaneSize(pane);
    SetMinSize(wxSize(FromDIP(s_minimumWidth), 2 * pane + getSplitterWindow()->GetSashSize()));
    Connect(m_treeControl->GetId(), wxUTILS_EVT_TREE_SEL_CHANGED,
            wxUTILS_TREE_EVENT_HANDLER(NodeBrowser::onTreeControlSelectionChanged));
    Connect(wxEVT_CHAR_HOOK, wxKeyEventHandler(NodeBrowser::onCharHook));
    Connect(m_inspector->GetId(), EVT_INSPECTOR_GO_TO_NODES, wxCommandEventHandler(NodeBrowser::onInspectorGoToNodes));
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

void NodeBrowser::onInspectorGoToNodes(wxCommandEvent& event)
{
    const auto* nodes = static_cast<const std::vector<db::Node*>*>(event.GetClientData());
    if (!nodes)
        return;
    // A target that the find box hides (though its item is there) leaves the selection at once.
    const auto found = [this](const db::Node* node)
    {
        const wxUtils::TreeItem* item = m_treeControl->getItemOfNode(node);
        return item && m_treeControl->IsFilterMatch(item);
    };
    if (m_treeControl->IsFiltered() && !std::all_of(nodes->begin(), nodes->end(), found))
        clearFilter();
    if (m_treeControl->selectNodes(*nodes))
        m_treeControl->SetFocus();
}

// ---------------------------------------------------------------------------
// Filter
// ---------------------------------------------------------------------------

void NodeBrowser::setOptions(int options)
{
    m_options = options;
    if ((options & FilterBox) && !m_filterBox)
        addFilterBox();
}

void NodeBrowser::addFilterBox()
{
    // The box and the tree share the upper pane: the tree moves into a panel
    // that takes its place, so that the sash and its remembered place stay.
    auto* pane = new wxPanel(getContentWindow(), wxID_ANY);
    m_filterBox = new wxUtils::OrkSimpleTextCtrl(pane, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0,
                                                 wxDefaultValidator, "NodeFilter");
    m_filterBox->SetHint("Find nodes (name, type:Type, /path)");
    getSplitterWindow()->ReplaceWindow(m_treeControl, pane);
    m_treeControl->Reparent(pane);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_filterBox, 0, wxEXPAND | wxBOTTOM, 2);
    sizer->Add(m_treeControl, 1, wxEXPAND);
    pane->SetSizer(sizer);
    pane->Layout();
    m_filterBox->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { m_treeControl->setFilterText(m_filterBox->getText()); });
}

void NodeBrowser::clearFilter()
{
    if (m_filterBox)
        m_filterBox->clear();
    m_treeControl->setFilterText(wxString());
}

bool NodeBrowser::focusFilterBox()
{
    if (!m_filterBox)
        return false;
    m_filterBox->SetFocus();
    m_filterBox->selectAll();
    return true;
}

bool NodeBrowser::selectFilterMatch(wxUtils::TreeControl::SearchDirection direction)
{
    wxUtils::TreeItem* match = m_treeControl->FindFilterMatch(m_treeControl->GetFocusedItem(), direction);
    if (!match)
        return false;
    m_treeControl->Select(match, true);
    return true;
}

void NodeBrowser::onCharHook(wxKeyEvent& event)
{
    if (!m_filterBox || !handleFilterKey(event))
        event.Skip();
}

bool NodeBrowser::handleFilterKey(const wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    const bool inBox = wxWindow::FindFocus() == m_filterBox;
    if (event.GetModifiers() == wxMOD_CONTROL && (key == 'F' || key == 'f'))
        focusFilterBox();
    else if (key == WXK_F3 && (event.GetModifiers() & ~wxMOD_SHIFT) == 0)
        selectFilterMatch(event.ShiftDown() ? wxUtils::TreeControl::Backward : wxUtils::TreeControl::Forward);
    else if (inBox && (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) && event.GetModifiers() == 0)
        selectFilterMatch(wxUtils::TreeControl::Forward);
    else if (inBox && key == WXK_ESCAPE)
    {
        clearFilter();
        m_treeControl->SetFocus();
    }
    else
        return false;
    return true;
}

} // namespace dbui
