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
    wxASSERT_MSG(isSettled(), "NodeItemMap::settle must follow insertNew before look-ups");
    if (!node)
        return nullptr;
    const auto found = m_items.find(node);
    return found == m_items.end() ? nullptr : *found;
}

db::Node* NodeItemMap::getNode(const wxUtils::TreeItem* item) const
{
    // The back-pointer is cleared whenever the map forgets the item.
    return item ? static_cast<db::Node*>(item->GetUserData()) : nullptr;
}

bool NodeItemMap::insert(db::Node* node, wxUtils::TreeItem* item)
{
    wxASSERT_MSG(isSettled(), "NodeItemMap::settle must follow insertNew before other insertions");
    if (!node)
        return false;
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
    m_items.prefetch(node);
    // A ring: the slot of the oldest held item takes the new one.
    wxUtils::TreeItem*& slot = m_pending[m_pendingNext];
    if (m_pendingCount == s_lookahead)
        m_items.insert(slot);
    else
        ++m_pendingCount;
    slot = item;
    m_pendingNext = (m_pendingNext + 1) % s_lookahead;
}

void NodeItemMap::settle()
{
    const std::size_t oldest = (m_pendingNext + s_lookahead - m_pendingCount) % s_lookahead;
    for (std::size_t i = 0; i < m_pendingCount; ++i)
        m_items.insert(m_pending[(oldest + i) % s_lookahead]);
    m_pendingCount = 0;
}

void NodeItemMap::erase(const db::Node* node)
{
    if (wxUtils::TreeItem* item = getItem(node))
        eraseItem(item);
}

void NodeItemMap::eraseItem(wxUtils::TreeItem* item)
{
    wxASSERT_MSG(isSettled(), "NodeItemMap::settle must follow insertNew before erasing");
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
    m_pendingCount = 0;
}

void NodeItemMap::reserve(std::size_t count)
{
    m_items.reserve(count);
}

} // namespace dbui
