#pragma once

#include <absl/container/flat_hash_map.h>

#include <cstddef>

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
///
/// Nodes find their items in a hash map; items find their nodes through a
/// back-pointer kept in the item's user data, confirmed against the map, so
/// that an item the map has forgotten never answers with a node. Binding a
/// tree of 300,000 nodes fills one map instead of two.
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
    /// Forgets every pair without touching the items, which may be gone already.
    void clear();
    /// Makes room for `count` pairs, so that filling a big tree does not rehash.
    void reserve(std::size_t count);

    std::size_t size() const { return m_nodeToItem.size(); }
    bool empty() const { return m_nodeToItem.empty(); }

private:
    void eraseItem(wxUtils::TreeItem* item);

    // Hashed rather than ordered: nothing depends on the order of the keys.
    // Open addressing: filling a map of a node per entry would spend most of
    // a big tree's binding time allocating.
    absl::flat_hash_map<const db::Node*, wxUtils::TreeItem*> m_nodeToItem;
};

} // namespace dbui
