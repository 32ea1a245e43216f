#include "NodeItemMap.h"

#include <wxUtils/TreeItem.h>

#include <vector>

namespace dbui
{

const db::Node* NodeItemMap::ByNode::nodeOf(const wxUtils::TreeItem* item)
{
    return static_cast<const db::Node*>(item->GetUserData());
}

wxUtils::TreeItem* NodeItemMap::getItem(const db::Node* node) const
{
    if (!node)
        return nullptr;
    settle();
    const auto found = m_items.find(node);
    return found == m_items.end() ? nullptr : *found;
}

std::vector<wxUtils::TreeItem*> NodeItemMap::getItems(const std::vector<const db::Node*>& nodes) const
{
    settle();
    std::vector<wxUtils::TreeItem*> items;
    items.reserve(nodes.size());
    // As in settle: each look-up is a miss in a table of megabytes, so the
    // slots of the next nodes are fetched while this one is looked up.
    constexpr std::size_t lookahead = 16;
    for (std::size_t i = 0; i < nodes.size(); ++i)
    {
        if (i + lookahead < nodes.size())
            m_items.prefetch(nodes[i + lookahead]);
        const auto found = m_items.find(nodes[i]);
        if (found != m_items.end())
            items.push_back(*found);
    }
    return items;
}

db::Node* NodeItemMap::getNode(const wxUtils::TreeItem* item) const
{
    // The back-pointer is cleared whenever the map forgets the item.
    return item ? static_cast<db::Node*>(item->GetUserData()) : nullptr;
}

bool NodeItemMap::insert(db::Node* node, wxUtils::TreeItem* item)
{
    if (!node)
        return false;
    settle();
    void* previous = item->GetUserData();
    item->SetUserData(node);
    // One probe: an item of the same node already there refuses the new one.
    if (m_items.insert(item).second)
        return true;
    item->SetUserData(previous);
    return false;
}

void NodeItemMap::insertNew(db::Node* node, wxUtils::TreeItem* item)
{
    item->SetUserData(node);
    m_unindexed.push_back(item);
}

void NodeItemMap::settle() const
{
    if (m_unindexed.empty())
        return;
    m_items.reserve(m_items.size() + m_unindexed.size());
    // The slots of the next items are fetched into the cache while this one
    // goes in: each insertion is a miss in a table of megabytes otherwise.
    constexpr std::size_t lookahead = 16;
    const std::size_t count = m_unindexed.size();
    for (std::size_t i = 0; i < count; ++i)
    {
        if (i + lookahead < count)
            m_items.prefetch(ByNode::nodeOf(m_unindexed[i + lookahead]));
        m_items.insert(m_unindexed[i]);
    }
    m_unindexed = {};
}

void NodeItemMap::erase(const db::Node* node)
{
    if (wxUtils::TreeItem* item = getItem(node))
        eraseItem(item);
}

void NodeItemMap::eraseItem(wxUtils::TreeItem* item)
{
    settle();
    if (const db::Node* node = getNode(item))
    {
        m_items.erase(node);
        item->SetUserData(nullptr);
    }
}

void NodeItemMap::eraseSubtree(wxUtils::TreeItem* item)
{
    eraseItem(item);
    if (!item->HasChildren())
        return; // most removals: a leaf, no list to make
    // Iterative: a deep chain of nodes must not exhaust the stack.
    std::vector<wxUtils::TreeItem*> pending;
    for (wxUtils::TreeItem* child = item->GetFirstChild(); child; child = child->GetNextSibling())
        pending.push_back(child);
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
    // Released, not just emptied: a big tree's slots would otherwise stay
    // allocated for a small database bound next.
    m_items = {};
    m_unindexed = {};
}

void NodeItemMap::reserve(std::size_t count)
{
    m_unindexed.reserve(count);
}

} // namespace dbui
