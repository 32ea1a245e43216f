#pragma once

#include <cstddef>
#include <unordered_map>

namespace db
{
class Node;
}

namespace wxUtils
{
class TreeItem;
}

namespace dbui
{

/// The two-way association between the nodes a tree shows and their tree
/// items. Each node has at most one item and each item one node; lookups of
/// unknown keys return null and never insert.
class NodeItemMap
{
public:
    /// The item showing `node`, or null.
    wxUtils::TreeItem* getItem(const db::Node* node) const;
    /// The node shown by `item`, or null.
    db::Node* getNode(const wxUtils::TreeItem* item) const;
    /// Records a pair; false (and nothing changes) when the node is already known.
    bool insert(db::Node* node, wxUtils::TreeItem* item);
    /// Forgets a node and its item; an unknown node is ignored.
    void erase(const db::Node* node);
    /// Forgets the item and, walking the tree items below it, every descendant
    /// item: call it before destroying an item together with its children.
    void eraseSubtree(wxUtils::TreeItem* item);
    void clear();
    /// Makes room for `count` pairs, so that filling a big tree does not rehash.
    void reserve(std::size_t count);

    std::size_t size() const { return m_nodeToItem.size(); }
    bool empty() const { return m_nodeToItem.empty(); }

private:
    void eraseItem(const wxUtils::TreeItem* item);

    // Hashed rather than ordered: a tree of 300,000 nodes looks items up on
    // every replayed change, and nothing depends on the order of the keys.
    std::unordered_map<const db::Node*, wxUtils::TreeItem*> m_nodeToItem;
    std::unordered_map<const wxUtils::TreeItem*, db::Node*> m_itemToNode;
    db::Node* m_defaultNode = nullptr;
    wxUtils::TreeItem* m_defaultItem = nullptr;
};

} // namespace dbui
