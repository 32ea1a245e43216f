#include <dbui/NodeTreeControl.h>

#include "NodeFilterHistory.h"
#include "NodeItemMap.h"

#include <db/ChangeBlock.h>
#include <db/ChangeSet.h>
#include <db/Database.h>
#include <db/Node.h>

#include <wx/imaglist.h>
#include <wx/utils.h>

namespace dbui
{

namespace
{

// Toolkit tree style that lets the user select several items.
constexpr long s_multipleSelectionStyle = 0x2000;
// Toolkit window style that keeps labels from being edited in place.
constexpr long s_readOnlyLabelsStyle = 0x4000;

/// The row after `item` among those an open `top` shows: into a group only
/// when it is open; null after the last.
wxUtils::TreeItem* nextShown(wxUtils::TreeItem* item, const wxUtils::TreeItem* top)
{
    if (item->IsExpanded())
        if (wxUtils::TreeItem* child = item->GetFirstChild())
            return child;
    for (; item != top; item = item->GetParent())
        if (wxUtils::TreeItem* sibling = item->GetNextSibling())
            return sibling;
    return nullptr;
}

} // namespace

// ---------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------

NodeTreeControl::NodeTreeControl() : db::Visitor(0)
{
    init();
}

NodeTreeControl::NodeTreeControl(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style,
                                 const wxString& name)
    : db::Visitor(0)
{
    init();
    Create(parent, id, pos, size, style, name);
}

NodeTreeControl::~NodeTreeControl()
{
    // Unregister before anything is torn down, so that no change notification
    // can reach a half-destroyed control.
    NodeTreeControl::setDatabase(nullptr);
    m_nodeItemMap.reset();
}

void NodeTreeControl::init()
{
    m_database = nullptr;
    m_nodeItemMap = std::make_unique<NodeItemMap>();
    m_filterHistory = std::make_unique<NodeFilterHistory>();
    m_imageList = new wxImageList(16, 16, true, 1);
    AssignImageList(m_imageList, 0);
}

bool NodeTreeControl::Create(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style,
                             const wxString& name)
{
    if (!wxUtils::TreeControl::Create(parent, id, pos, size, style | s_multipleSelectionStyle, name))
        return false;

    if (!hasOrkStyle(s_readOnlyLabelsStyle))
    {
        Connect(wxID_ANY, wxUTILS_EVT_TREE_BEGIN_LABEL_EDIT,
                wxUTILS_TREE_EVENT_HANDLER(NodeTreeControl::onBeginRename));
        Connect(wxID_ANY, wxUTILS_EVT_TREE_END_LABEL_EDIT, wxUTILS_TREE_EVENT_HANDLER(NodeTreeControl::onEndRename));
    }
    // The index of the items' nodes that a fill leaves for later.
    Bind(wxEVT_IDLE,
         [this](wxIdleEvent& event)
         {
             m_nodeItemMap->settle();
             event.Skip();
         });
    addColumn(1, "Type");
    showColumnHeader(false);
    return true;
}

// ---------------------------------------------------------------------------
// Binding and filling
// ---------------------------------------------------------------------------

void NodeTreeControl::setDatabase(db::Database* database)
{
    if (database == m_database)
        return;
    if (m_database)
        m_database->getObservers().remove(this, ObserverMode::Immediate);
    m_database = database;
    if (m_database)
        m_database->getObservers().add(this, ObserverMode::Deferred);
    rebuild();
}

void NodeTreeControl::setLabelSource(LabelSource source)
{
    if (source == m_labelSource)
        return;
    m_labelSource = source;
    if (m_database)
        rebuild();
}

void NodeTreeControl::onDatabaseDestroyed(db::Database* database)
{
    if (database == m_database)
        setDatabase(nullptr);
}

void NodeTreeControl::rebuild()
{
    clear();
    m_filterHistory->clear();
    if (!m_database)
        return;
    m_database->getObservers().add(this, ObserverMode::Deferred);
    m_nodeItemMap->reserve(m_database->getTotalNodeCount());
    m_walkPath.clear();
    m_walking = true;
    m_database->accept(this);
    m_walking = false;
    m_walkPath.clear();
    finishFill();
}

void NodeTreeControl::finishFill()
{
    // The tree shows without the index of its nodes: that is built once the
    // window has painted and the event loop has nothing else to do, unless a
    // look-up by node needs it sooner.
    if (IsFiltered())
        sendFilterChanged();
}

bool NodeTreeControl::fillInOrder(const std::vector<db::Node*>& added)
{
    wxUtils::TreeItem* root = GetRoot();
    if (!m_database || m_nodeItemMap->getNode(root) != m_database ||
        added.size() + 1 != m_database->getTotalNodeCount())
        return false;
    m_filterHistory->clear();
    m_nodeItemMap->reserve(added.size() + 1);
    // As a walk would, with the nodes in the order they came: each one's
    // parent is on the path of items to the one before.
    m_walkPath.assign(1, {m_database, root});
    m_walking = true;
    bool inOrder = true;
    // Of each node the fill reads the node, then its container (its parent,
    // and the list that gives the node's place): places in memory found one
    // through the other. Fetched a few nodes ahead, they arrive while the
    // nodes before are placed; waiting for each would cost most of the fill.
    constexpr std::size_t s_ahead = 8;
    for (std::size_t i = 0; i < added.size(); ++i)
    {
        if (i + 2 * s_ahead < added.size())
            __builtin_prefetch(added[i + 2 * s_ahead]);
        if (i + s_ahead < added.size())
        {
            const char* container = reinterpret_cast<const char*>(added[i + s_ahead]->getParentAttribute());
            __builtin_prefetch(container);
            __builtin_prefetch(container + sizeof(db::CompositeAttribute) - 1);
        }
        db::Node* node = added[i];
        const db::Node* parent = node->getParentNode();
        while (!m_walkPath.empty() && m_walkPath.back().node != parent)
            m_walkPath.pop_back();
        inOrder = !m_walkPath.empty() && comesNext(*node, *m_walkPath.back().item);
        if (!inOrder)
            break;
        doAddNode(node);
    }
    m_walking = false;
    m_walkPath.clear();
    if (!inOrder)
        return false;
    // The root item stays, and the database's name may have come with the
    // file: a filter finds the root by that name now, whichever label it shows.
    if (m_labelSource == LabelSource::Copy)
        root->SetLabel(wxString(m_database->getName()));
    refilterNode(m_database);
    finishFill();
    return true;
}

bool NodeTreeControl::comesNext(const db::Node& node, const wxUtils::TreeItem& parentItem) const
{
    // Every node is placed once, right after the sibling before it, and all of
    // them are placed: the items are the tree's, without a walk to check.
    const wxUtils::TreeItem* last = parentItem.GetLastChild();
    const db::Node* lastNode = last ? m_nodeItemMap->getNode(last) : nullptr;
    // A first node from the parent's second container, while the first holds
    // nodes too, is caught when those come after it.
    if (!lastNode)
        return node.getIndex() == 0;
    if (lastNode->getParentAttribute() == node.getParentAttribute())
        return node.getIndex() == lastNode->getIndex() + 1;
    // The parent's next container: asked across containers, which is rare.
    return node.getPrevious() == lastNode;
}

void NodeTreeControl::clear()
{
    DeleteAllItems();
    m_nodeItemMap->clear();
}

void NodeTreeControl::addItem(wxUtils::TreeItem* item, wxUtils::TreeItem* parent, wxUtils::TreeItem* before)
{
    if (parent)
        parent->InsertChild(item, before);
    else
        SetRoot(item);
}

bool NodeTreeControl::visitNodeEnter(db::Node* node)
{
    doAddNode(node);
    return true;
}

bool NodeTreeControl::visitNodeExit(db::Node* node)
{
    if (m_walking && !m_walkPath.empty() && m_walkPath.back().node == node)
        m_walkPath.pop_back();
    return true;
}

wxUtils::TreeItem* NodeTreeControl::getItemOfNode(const db::Node* node) const
{
    return m_nodeItemMap->getItem(node);
}

db::Node* NodeTreeControl::getNodeOfItem(const wxUtils::TreeItem* item) const
{
    return m_nodeItemMap->getNode(item);
}

wxString NodeTreeControl::itemText(const wxUtils::TreeItem& item, unsigned int column) const
{
    // Without a database the items' nodes may be gone with it: they are not read.
    const db::Node* node = m_database ? m_nodeItemMap->getNode(&item) : nullptr;
    if (!node)
        return wxString();
    if (column == 0)
        return wxString(node->getName());
    if (column == 1)
        return wxString(node->getClassID());
    return wxString();
}

// ---------------------------------------------------------------------------
// Replaying change sets
// ---------------------------------------------------------------------------

void NodeTreeControl::onDatabaseChanged(db::Database*, const db::ChangeSet& changes, bool)
{
    // Items that go, and items the find box stops showing (an ancestor left
    // without matches), leave the selection silently: what shows the
    // selection hears of it here.
    const std::size_t selectedBefore = GetSelectedItemCount();
    followChanges(changes);
    if (GetSelectedItemCount() != selectedBefore)
        onSelectionChanged();
}

void NodeTreeControl::followChanges(const db::ChangeSet& changes)
{
    // A file loaded into an empty database: its nodes come parents first, in
    // the file's order, which is the tree's, and mostly in the order they lie
    // in memory. Items made in that order show it all at once, where placing
    // each by its neighbours would look every one up and a walk would go
    // through every node's members to find its children. Smaller additions
    // keep the root item, and with it its selection.
    constexpr std::size_t s_manyNodes = 1000;
    const wxUtils::TreeItem* root = GetRoot();
    if (root && !root->HasChildren() && changes.AddedNodes().size() > s_manyNodes)
    {
        if (!fillInOrder(changes.AddedNodes()))
            rebuild();
        return;
    }
    // A database emptied at once (a document closed, say): the items go at
    // once too, rather than subtree by subtree, each of those found and
    // forgotten one node at a time. What else the change lists then finds no
    // item, but for the root's rename.
    const bool emptied =
        root && root->HasChildren() && m_database->getTotalNodeCount() == 1 && !changes.RemovedNodes().empty();
    if (emptied)
        removeAllNodeItems();
    // Before the items: the filter tests those it adds or renames now.
    m_filterHistory->follow(changes);
    // Moves first, so that removals and additions find items where the
    // database now has their nodes; additions last, in list order, so that a
    // new node whose previous sibling is also new finds that sibling's item.
    replayMoves(changes.ReparentedNodes());
    if (!emptied)
    {
        for (db::Node* node : changes.RemovedNodes())
            doRemoveNode(node);
    }
    for (db::Node* node : changes.RenamedNodes())
        doRenameNode(node);
    // A node listed before its parent (an undone deletion of a subtree that
    // had a node moved into it) waits for the parent's item.
    std::vector<db::Node*> waiting;
    for (db::Node* node : changes.AddedNodes())
        if (!doAddNode(node))
            waiting.push_back(node);
    for (std::size_t before = waiting.size() + 1; !waiting.empty() && waiting.size() < before;)
    {
        before = waiting.size();
        std::vector<db::Node*> still;
        for (db::Node* node : waiting)
            if (!doAddNode(node))
                still.push_back(node);
        waiting.swap(still);
    }
    // Moved nodes whose new parent came back only now.
    for (db::Node* node : changes.ReparentedNodes())
    {
        wxUtils::TreeItem* item = m_nodeItemMap->getItem(node);
        if (item && item->GetParent() != m_nodeItemMap->getItem(node->getParentNode()))
            doReparentNode(node);
    }
    if (!IsFiltered())
        return;
    // Added items were tested as they came; renames and moves change what a
    // name or path filter finds here and below.
    for (db::Node* node : changes.RenamedNodes())
        refilterNode(node);
    for (db::Node* node : changes.ReparentedNodes())
        refilterNode(node);
    sendFilterChanged();
}

void NodeTreeControl::removeAllNodeItems()
{
    // The root item stays, selected or not.
    wxUtils::TreeItem* root = GetRoot();
    m_filterHistory->clear();
    m_nodeItemMap->clear();
    m_nodeItemMap->insert(m_database, root);
    DeleteChildren(root);
}

wxUtils::TreeItem* NodeTreeControl::findInsertionPoint(const db::Node* node, wxUtils::TreeItem* parentItem) const
{
    if (!parentItem)
        return nullptr;
    // Next to the nearest sibling already shown under the same parent, looking
    // both ways at once: additions come in either order (undoing a deletion
    // adds the last node first), and each then finds a neighbour in one step.
    // Siblings without an item yet (added later in the same change set) or
    // whose item still sits elsewhere are passed over: they place themselves
    // relative to this one when their turn comes.
    const auto placed = [this](const db::Node* sibling)
    { return !m_unplacedMoves || m_unplacedMoves->count(sibling) == 0; };
    const db::Node* previous = node->getPrevious();
    const db::Node* next = node->getNext();
    while (previous || next)
    {
        if (previous)
        {
            wxUtils::TreeItem* previousItem = m_nodeItemMap->getItem(previous);
            if (previousItem && previousItem->GetParent() == parentItem && placed(previous))
                return previousItem->GetNextSibling();
            previous = previous->getPrevious();
        }
        if (next)
        {
            wxUtils::TreeItem* nextItem = m_nodeItemMap->getItem(next);
            if (nextItem && nextItem->GetParent() == parentItem && placed(next))
                return nextItem;
            next = next->getNext();
        }
    }
    // No sibling is shown: the node comes first.
    return parentItem->GetFirstChild();
}

void NodeTreeControl::findPlace(db::Node* node, wxUtils::TreeItem*& parentItem, wxUtils::TreeItem*& before) const
{
    parentItem = m_nodeItemMap->getItem(node->getParentNode());
    before = findInsertionPoint(node, parentItem);
}

bool NodeTreeControl::doAddNode(db::Node* node)
{
    wxUtils::TreeItem* parentItem = nullptr;
    wxUtils::TreeItem* before = nullptr;
    if (m_walking)
    {
        // The walk enters parents before children and siblings in order, and
        // leaves each node after everything below it (visitNodeExit): the
        // parent's item ends the path, and the new item goes after the
        // children it has so far. No look-ups in the database or in a map of
        // hundreds of thousands of entries.
        parentItem = m_walkPath.empty() ? nullptr : m_walkPath.back().item;
    }
    else if (m_nodeItemMap->getItem(node))
    {
        // A node can be reported after a rebuild has already shown it (the
        // database delivers queued reports after the current one).
        return true;
    }
    else
    {
        findPlace(node, parentItem, before);
        // Only the database's own item is made without a parent.
        if (!parentItem && node != m_database)
            return false;
    }

    auto* item = m_labelSource == LabelSource::Copy ? new wxUtils::TreeItem(wxString(node->getName()), this, false)
                                                    : new wxUtils::TreeItem(this, false);

    // A parentless item replaces the root, whose items are destroyed with it:
    // the map must not keep handing them out.
    if (!parentItem && GetRoot())
        m_nodeItemMap->eraseSubtree(GetRoot());

    // Known before it goes in: a filter tests the item as it is inserted, by its node.
    if (m_walking)
    {
        m_nodeItemMap->insertNew(node, item);
        m_walkPath.push_back({node, item});
    }
    else
        m_nodeItemMap->insert(node, item);
    addItem(item, parentItem, before);
    return true;
}

void NodeTreeControl::doRemoveNode(db::Node* node)
{
    wxUtils::TreeItem* item = m_nodeItemMap->getItem(node);
    if (!item)
        return;
    // The items below go with this one, and with them their map entries:
    // their nodes are usually reported removed right after this one.
    m_nodeItemMap->eraseSubtree(item);
    item->RemoveAndDestroy();
}

void NodeTreeControl::doRenameNode(db::Node* node)
{
    wxUtils::TreeItem* item = m_nodeItemMap->getItem(node);
    if (!item)
        return;
    if (m_labelSource == LabelSource::Copy)
        item->SetLabel(wxString(node->getName()));
    else
        rowsChanged(); // the row asks for the new name when it repaints
}

void NodeTreeControl::replayMoves(const std::vector<db::Node*>& moved)
{
    if (moved.size() < 2)
    {
        for (db::Node* node : moved)
            doReparentNode(node);
        return;
    }
    // Several siblings moved (or moved back by an undo) within one parent:
    // the item of one not yet placed still sits where its node was, and a
    // node placed beside it would land there too.
    std::unordered_set<const db::Node*> unplaced(moved.begin(), moved.end());
    m_unplacedMoves = &unplaced;
    for (db::Node* node : moved)
    {
        doReparentNode(node);
        unplaced.erase(node);
    }
    m_unplacedMoves = nullptr;
}

void NodeTreeControl::doReparentNode(db::Node* node)
{
    wxUtils::TreeItem* item = m_nodeItemMap->getItem(node);
    wxUtils::TreeItem* parentItem = m_nodeItemMap->getItem(node->getParentNode());
    // A parent without an item comes back later in the same change set (an
    // undone deletion of the node's new parent): the item waits at the root,
    // out of the way of removals, and is placed once the additions are in.
    if (!parentItem)
        parentItem = GetRoot();
    if (!item || !parentItem || item == parentItem)
        return;

    if (parentItem->IsDescendantOf(item))
    {
        // Only a block that moves a node under one of its own descendants and
        // back out again in a different order gets here; the items cannot
        // follow move by move, so show the database as it is now.
        rebuild();
        return;
    }

    wxUtils::TreeItem* before = findInsertionPoint(node, parentItem);
    if (before == item)
        return; // already in place
    item->Reparent(parentItem, before);
}

// ---------------------------------------------------------------------------
// Selection and commands
// ---------------------------------------------------------------------------

std::vector<db::Node*> NodeTreeControl::getSelectedNodes()
{
    std::vector<db::Node*> nodes;
    for (wxUtils::TreeItem* item : GetSelection())
        if (db::Node* node = m_nodeItemMap->getNode(item))
            nodes.push_back(node);
    return nodes;
}

std::vector<db::Node*> NodeTreeControl::getSelectedNodesWithoutChildren()
{
    std::vector<db::Node*> nodes;
    for (wxUtils::TreeItem* item : GetSelectionWithoutChildren())
        if (db::Node* node = m_nodeItemMap->getNode(item))
            nodes.push_back(node);
    return nodes;
}

void NodeTreeControl::deleteSelectedNodes(bool)
{
    // A few groups selected can be most of a big scene.
    wxBusyCursor busy;
    db::Node* nextSelection = nullptr;
    {
        db::ChangeBlock block(m_database, L"Delete nodes");
        const std::vector<db::Node*> nodes = getSelectedNodesWithoutChildren();
        if (!nodes.empty())
        {
            nextSelection = nodes.back()->getNext();
            if (!nextSelection)
                nextSelection = nodes.front()->getPrevious();
            if (!nextSelection)
                nextSelection = nodes.front()->getParentNode();
        }
        for (db::Node* node : nodes)
            node->remove();
    }
    // The block has ended: the items of the removed nodes are gone now.
    if (nextSelection)
        if (wxUtils::TreeItem* item = m_nodeItemMap->getItem(nextSelection->asNode()))
            Select(item, true);
}

void NodeTreeControl::selectAllNodes()
{
    // Showing what so many nodes share takes a while.
    wxBusyCursor busy;
    std::vector<wxUtils::TreeItem*> items;
    forEachSelectable(
        [&items](wxUtils::TreeItem* item)
        {
            items.push_back(item);
            return true;
        });
    SelectItems(items);
}

bool NodeTreeControl::selectNodes(const std::vector<db::Node*>& nodes)
{
    std::vector<wxUtils::TreeItem*> items;
    for (const db::Node* node : nodes)
        if (wxUtils::TreeItem* item = getItemOfNode(node))
            items.push_back(item);
    if (items.empty())
        return false;
    SelectItems(items);
    return true;
}

bool NodeTreeControl::hasSelectableNodes() const
{
    bool found = false;
    forEachSelectable(
        [&found](wxUtils::TreeItem*)
        {
            found = true;
            return false;
        });
    return found;
}

void NodeTreeControl::setBranchesExpanded(const std::vector<wxUtils::TreeItem*>& items, BranchState state)
{
    const std::size_t selectedBefore = GetSelectedItemCount();
    for (wxUtils::TreeItem* item : items)
    {
        if (state == BranchState::Expanded)
            ExpandAllChildren(item);
        else
            CollapseAllChildren(item);
    }
    if (GetSelectedItemCount() != selectedBefore)
        onSelectionChanged();
}

std::vector<wxUtils::TreeItem*> NodeTreeControl::getSelectedBranches() const
{
    std::vector<wxUtils::TreeItem*> items = GetSelectionWithoutChildren();
    if (items.empty() && GetRoot())
        items.push_back(GetRoot());
    return items;
}

void NodeTreeControl::forEachSelectable(const std::function<bool(wxUtils::TreeItem*)>& take) const
{
    // The rows shown, as the toolkit keeps hidden rows out of the selection:
    // nothing is acted on that the user cannot see. The root is the database
    // itself, which no command can delete, cut or copy: selected with the
    // rest, it would leave them nothing to act on.
    wxUtils::TreeItem* root = GetRoot();
    for (wxUtils::TreeItem* item = root ? nextShown(root, root) : nullptr; item; item = nextShown(item, root))
        // Under a filter the ancestors only show where the matches are: the
        // user asked for what was found, and deleting the ancestors would take
        // what the filter hides with them.
        if ((!IsFiltered() || IsFilterMatch(item)) && !take(item))
            return;
}

void NodeTreeControl::onBeginRename(wxUtils::TreeEvent&)
{
}

void NodeTreeControl::onEndRename(wxUtils::TreeEvent& event)
{
    // The label itself follows when the database reports the rename.
    if (db::Node* node = m_nodeItemMap->getNode(event.GetItem()))
        node->setName(event.GetLabel().ToStdWstring());
}

} // namespace dbui
