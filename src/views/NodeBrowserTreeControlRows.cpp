// How the browser tree's rows read: an icon per type, counts of closed subtrees.

#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeIcons.h>

#include <db/ChangeSet.h>
#include <db/Node.h>
#include <db/NodeDef.h>

#include <wx/imaglist.h>

namespace dbui
{

void NodeBrowserTreeControl::rebuild()
{
    m_typeImages.clear();
    NodeTreeControl::rebuild();
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
}

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
    {
        struct Counter : db::Visitor
        {
            std::size_t nodes = 0;
            bool visitNodeEnter(db::Node*) override
            {
                ++nodes;
                return true;
            }
        } counter;
        node->accept(&counter);
        counted = m_subtreeCounts.emplace(node, counter.nodes - 1).first;
    }
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
