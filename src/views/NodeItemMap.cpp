#include <dbui/NodeItemMap.h>

#include <wxUtils/TreeItem.h>

#include <vector>

namespace dbui
{

wxUtils::TreeItem* NodeItemMap::getItem(const db::Node* node) const
{
    const auto found = m_nodeToItem.find(node);
    return found == m_nodeToItem.end() ? m_defaultItem : found->second;
}

db::Node* NodeItemMap::getNode(const wxUtils::TreeItem* item) const
{
    const auto found = m_itemToNode.find(item);
    return found == m_itemToNode.end() ? m_defaultNode : found->second;
}

bool NodeItemMap::insert(db::Node* node, wxUtils::TreeItem* item)
{
    if (!m_nodeToItem.emplace(node, item).second)
        return false;
    m_itemToNode.emplace(item, node);
    return true;
}

void NodeItemMap::erase(const db::Node* node)
{
    const auto found = m_nodeToItem.find(node);
    if (found == m_nodeToItem.end())
        return;
    m_itemToNode.erase(found->second);
    m_nodeToItem.erase(found);
}

void NodeItemMap::eraseItem(const wxUtils::TreeItem* item)
{
    const auto found = m_itemToNode.find(item);
    if (found == m_itemToNode.end())
        return;
    m_nodeToItem.erase(found->second);
    m_itemToNode.erase(found);
}

void NodeItemMap::eraseSubtree(wxUtils::TreeItem* item)
{
    // Iterative: a deep chain of nodes must not exhaust the stack.
    std::vector<wxUtils::TreeItem*> pending{item};
    while (!pending.empty())
    {
        wxUtils::TreeItem* current = pending.back();
        pending.pop_back();
        eraseItem(current);
        for (wxUtils::TreeItem* child = current->GetFirstChild(); child; child = child->GetNextSibling())
            pending.push_back(child);
    }
}

void NodeItemMap::clear()
{
    // Swapped with empty maps: clear() keeps a big tree's buckets, which
    // every later clear and iteration would then walk.
    std::unordered_map<const db::Node*, wxUtils::TreeItem*>().swap(m_nodeToItem);
    std::unordered_map<const wxUtils::TreeItem*, db::Node*>().swap(m_itemToNode);
}

void NodeItemMap::reserve(std::size_t count)
{
    m_nodeToItem.reserve(count);
    m_itemToNode.reserve(count);
}

} // namespace dbui
