#include "NodeItemMap.h"

#include <wxUtils/TreeItem.h>

#include <vector>

namespace dbui
{

wxUtils::TreeItem* NodeItemMap::getItem(const db::Node* node) const
{
    const auto found = m_nodeToItem.find(node);
    return found == m_nodeToItem.end() ? nullptr : found->second;
}

db::Node* NodeItemMap::getNode(const wxUtils::TreeItem* item) const
{
    if (!item)
        return nullptr;
    auto* node = static_cast<db::Node*>(item->GetUserData());
    return node && getItem(node) == item ? node : nullptr;
}

bool NodeItemMap::insert(db::Node* node, wxUtils::TreeItem* item)
{
    if (!m_nodeToItem.emplace(node, item).second)
        return false;
    item->SetUserData(node);
    return true;
}

void NodeItemMap::erase(const db::Node* node)
{
    const auto found = m_nodeToItem.find(node);
    if (found == m_nodeToItem.end())
        return;
    found->second->SetUserData(nullptr);
    m_nodeToItem.erase(found);
}

void NodeItemMap::eraseItem(wxUtils::TreeItem* item)
{
    if (db::Node* node = getNode(item))
        erase(node);
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
    m_nodeToItem = {};
}

void NodeItemMap::reserve(std::size_t count)
{
    m_nodeToItem.reserve(count);
}

} // namespace dbui
