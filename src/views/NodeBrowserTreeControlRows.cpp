// How the browser tree's rows read (an icon per type, counts of closed subtrees), and what an undo selects.

#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeIcons.h>

#include <db/ChangeSet.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeDef.h>
#include <db/TypeRegistry.h>
#include <wxUtils/TreeItem.h>

#include <wx/imaglist.h>

#include <absl/container/flat_hash_set.h>

#include <algorithm>
#include <vector>

namespace dbui
{

void NodeBrowserTreeControl::rebuild()
{
    m_typeImages.clear();
    fitTypeColumn();
    NodeTreeControl::rebuild();
}

void NodeBrowserTreeControl::fitTypeColumn()
{
    const db::Database* database = getDatabase();
    if (!database || !(m_options & SubtreeCounts))
        return;
    // The widest type with a count of every node, and room for six digits
    // whatever the count now: a file is often opened into the tree after it
    // was bound to an empty database.
    int widest = 0;
    for (const db::NodeDef* def : database->getTypeRegistry().getNodeDefs())
        widest = std::max(widest, GetTextExtent(wxString(def->getName())).GetWidth());
    const std::size_t most = std::max<std::size_t>(database->getTotalNodeCount(), 999999);
    const wxString count = wxString::Format(" (%zu nodes)", most);
    const int needed = widest + GetTextExtent(count).GetWidth() + FromDIP(12);
    setColumnWidth(1, std::max(getColumnWidth(1), needed));
}

void NodeBrowserTreeControl::clear()
{
    m_subtreeCounts.clear();
    NodeTreeControl::clear();
}

void NodeBrowserTreeControl::onDatabaseChanged(db::Database* database, const db::ChangeSet& changes, bool transient)
{
    // Renames and value edits, most of a day's edits, leave every count as it was.
    if (!changes.AddedNodes().empty() || !changes.RemovedNodes().empty() || !changes.ReparentedNodes().empty())
        m_subtreeCounts.clear();
    NodeTreeControl::onDatabaseChanged(database, changes, transient);
    // The tree has the items of the nodes now.
    if (m_options & SelectUndoneNodes)
        selectUndoneNodes(changes);
}

void NodeBrowserTreeControl::selectUndoneNodes(const db::ChangeSet& changes)
{
    const db::ChangeSet::Origin origin = changes.getOrigin();
    if (origin != db::ChangeSet::Origin::Undo && origin != db::ChangeSet::Origin::Redo)
        return;
    // Subtrees come whole, parents first: a node whose parent came too is shown by its subtree's top.
    const std::vector<db::Node*>& added = changes.AddedNodes();
    absl::flat_hash_set<const db::Node*> came;
    came.reserve(added.size());
    std::vector<db::Node*> tops;
    for (db::Node* node : added)
    {
        if (!came.contains(node->getParentNode()))
            tops.push_back(node);
        came.insert(node);
    }
    for (db::Node* node : changes.ReparentedNodes())
        if (!came.contains(node))
            tops.push_back(node);
    selectNodes(tops);
}

namespace
{

/// The items below `item`. Every node has its item, so these are the nodes
/// below its node, counted where they lie close together: a walk of the nodes
/// of a big scene's top group goes all over the heap, and took six times as
/// long, at the first paint after a load.
std::size_t itemsBelow(const wxUtils::TreeItem& item)
{
    std::size_t count = 0;
    std::vector<const wxUtils::TreeItem*> pending{&item};
    while (!pending.empty())
    {
        const wxUtils::TreeItem* parent = pending.back();
        pending.pop_back();
        for (const wxUtils::TreeItem* child = parent->GetFirstChild(); child; child = child->GetNextSibling())
        {
            ++count;
            pending.push_back(child);
        }
    }
    return count;
}

} // namespace

wxString NodeBrowserTreeControl::itemText(const wxUtils::TreeItem& item, unsigned int column) const
{
    const wxString text = NodeTreeControl::itemText(item, column);
    if (column != 1 || !(m_options & SubtreeCounts) || item.IsExpanded() || !item.HasChildren())
        return text;
    db::Node* node = getDatabase() ? getNodeOfItem(&item) : nullptr;
    if (!node)
        return text;
    auto counted = m_subtreeCounts.find(node);
    if (counted == m_subtreeCounts.end())
        counted = m_subtreeCounts.emplace(node, itemsBelow(item)).first;
    return counted->second == 1 ? text + " (1 node)" : wxString::Format("%s (%zu nodes)", text, counted->second);
}

int NodeBrowserTreeControl::itemImage(const wxUtils::TreeItem& item) const
{
    const db::Node* node = (m_options & TypeIcons) && getDatabase() ? getNodeOfItem(&item) : nullptr;
    if (!node)
        return -1;
    const db::NodeDef* type = &node->getNodeDef();
    if (const auto known = m_typeImages.find(type); known != m_typeImages.end())
        return known->second;
    // Types share icons: each bitmap goes into the list once.
    const wxString icon = NodeIcons::getIconName(*type);
    auto added = m_iconImages.find(icon);
    if (added == m_iconImages.end())
        added = m_iconImages.emplace(icon, GetImageList()->Add(NodeIcons::getBitmap(icon))).first;
    m_typeImages.emplace(type, added->second);
    return added->second;
}

} // namespace dbui
