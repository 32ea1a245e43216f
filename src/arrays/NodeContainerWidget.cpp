#include <dbui/NodeContainerWidget.h>

#include <db/ChangeBlock.h>
#include <db/ChangeSet.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <wxUtils/OrkListControl.h>
#include <wxUtils/OrkListItemCompareStrategyAlphabetical.h>
#include <wxUtils/OrkMenu.h>
#include <wxUtils/PanelBuilder.h>

#include <Orkutils/Vector.h>

namespace dbui
{

namespace
{

constexpr long s_multipleSelection = 0x2000;

} // namespace

NodeContainerWidget::NodeContainerWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : AttributeWidget(parent, size, style, name)
{
    wxUtils::PanelBuilder builder(this, 0);
    builder.beginHSizer(0, 0);
    m_list = builder.addListControl(1, wxEXPAND, wxDefaultSize, s_multipleSelection, -1);
    builder.endSizer();

    m_list->addColumn(0, "Node");
    m_list->showColumnHeader(false);

    Connect(m_list->GetId(), wxUTILS_EVT_LC_KEY_DOWN, wxUTILS_LIST_EVENT_HANDLER(NodeContainerWidget::onKeyDown));
    Connect(m_list->GetId(), wxUTILS_EVT_LC_ITEM_CONTEXT_MENU,
            wxUTILS_LIST_EVENT_HANDLER(NodeContainerWidget::onContextMenu));
    m_addId = wxNewId();
    Connect(m_addId, wxEVT_COMMAND_MENU_SELECTED, wxCommandEventHandler(NodeContainerWidget::handleAdd));
    m_deleteId = wxNewId();
    Connect(m_deleteId, wxEVT_COMMAND_MENU_SELECTED, wxCommandEventHandler(NodeContainerWidget::handleDelete));
}

NodeContainerWidget::~NodeContainerWidget() = default;

void NodeContainerWidget::clearWindow()
{
    m_list->deleteAllItems();
    m_rows.clear();
}

void NodeContainerWidget::populateFromData(bool /*immediate*/)
{
    if (isValueCommon())
        fillListControl();
    else
        clearWindow();
}

void NodeContainerWidget::fillListControl()
{
    db::NodeContainer* container = getAttributes().front()->asNodeContainer();
    if (!container)
        return;
    for (unsigned int i = 0; i < container->getNodeCount(); ++i)
        doAddNode(container->getNode(i));
}

void NodeContainerWidget::doAddNode(db::Node* node)
{
    if (!node || getAttributes().empty() || node->getParentAttribute() != getAttributes().front())
        return;
    if (m_rows.count(node) != 0)
        return;
    m_rows.emplace(node, m_list->appendItem(wxString(node->getName()), node, false));
}

void NodeContainerWidget::doRemoveNode(db::Node* node)
{
    auto found = m_rows.find(node);
    if (found == m_rows.end())
        return;
    m_list->deleteItem(found->second);
    m_rows.erase(found);
}

void NodeContainerWidget::onDataChanged(const db::ChangeSet& changes, bool immediate)
{
    for (db::Node* node : changes.ReparentedNodes())
    {
        doRemoveNode(node);
        doAddNode(node);
    }
    for (db::Node* node : changes.AddedNodes())
        doAddNode(node);
    for (db::Node* node : changes.RemovedNodes())
        doRemoveNode(node);
    for (db::Node* node : changes.RenamedNodes())
    {
        auto found = m_rows.find(node);
        if (found != m_rows.end())
            m_list->setItemText(found->second, wxString(node->getName()));
    }
    m_list->sort(wxUtils::OrkListItemCompareStrategyAlphabetical(0));
    if (immediate)
        Update();
}

void NodeContainerWidget::deleteSelectedItems()
{
    if (getAttributes().empty())
        return;
    db::NodeContainer* container = getAttributes().front()->asNodeContainer();
    db::ChangeBlock block(getDatabase(), L"Delete array item(s)");

    Orkutils::Vector<wxUtils::OrkListItem_*> selection;
    m_list->getSelectionInViewOrder(selection);
    for (auto it = selection.rbegin(); it != selection.rend(); ++it)
    {
        auto* node = static_cast<db::Node*>(m_list->getItemUserData(*it));
        if (container && node)
            container->remove(node);
    }
}

void NodeContainerWidget::onKeyDown(wxUtils::OrkListEvent& event)
{
    if (event.getKeyCode() == WXK_DELETE)
        deleteSelectedItems();
}

void NodeContainerWidget::onContextMenu(wxUtils::OrkListEvent& event)
{
    wxUtils::OrkMenu menu(-1);
    if (wxUtils::OrkListItem_* row = event.getItem())
    {
        menu.setUserData(row);
        menu.add(m_deleteId, "Delete", false, false, wxEmptyString);
    }
    m_list->popupMenu(menu, event.getPoint(), nullptr);
}

void NodeContainerWidget::handleDelete(wxCommandEvent& /*event*/)
{
    deleteSelectedItems();
}

void NodeContainerWidget::handleAdd(wxCommandEvent& /*event*/)
{
    // New nodes are made in the node tree, which knows the node types.
}

} // namespace dbui
