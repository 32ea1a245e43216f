#pragma once

#include <absl/container/flat_hash_set.h>
#include <absl/hash/hash.h>

#include <cstddef>
#include <vector>

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
/// Items find their nodes through a back-pointer kept in the item's user
/// data, cleared when the map forgets the item, so that a forgotten item
/// never answers with a node; nodes find their items in a hashed set of the
/// items keyed by that back-pointer: one pointer per node, so that a tree of
/// 300,000 nodes spends a few megabytes here rather than tens.
class NodeItemMap
{
public:
    /// The item showing `node`, or null.
    wxUtils::TreeItem* getItem(const db::Node* node) const;
    /// The items showing `nodes`, those without one passed over: quicker than
    /// one look-up after the other.
    std::vector<wxUtils::TreeItem*> getItems(const std::vector<const db::Node*>& nodes) const;
    /// The node shown by `item`, or null.
    db::Node* getNode(const wxUtils::TreeItem* item) const;
    /// Records a pair; false (and nothing changes) when the node is already known.
    bool insert(db::Node* node, wxUtils::TreeItem* item);
    /// Records a pair whose node is certainly not known (a rebuild meets each
    /// node once) without indexing it yet: the first look-up by node, or
    /// settle, indexes every such pair at once, so that binding a big tree
    /// shows it before the index of its nodes is built.
    void insertNew(db::Node* node, wxUtils::TreeItem* item);
    /// Indexes the pairs insertNew recorded; look-ups do it when needed.
    void settle() const;
    /// Forgets a node and its item; an unknown node is ignored.
    void erase(const db::Node* node);
    /// Forgets the item and, walking the tree items below it, every descendant
    /// item: call it before destroying an item together with its children.
    void eraseSubtree(wxUtils::TreeItem* item);
    /// Forgets every pair without touching the items, which may be gone already.
    void clear();
    /// Makes room for `count` pairs to come from insertNew.
    void reserve(std::size_t count);

    std::size_t size() const { return m_items.size() + m_unindexed.size(); }
    bool empty() const { return size() == 0; }

private:
    // Items hash and compare by the node in their user data, so the set
    // answers look-ups by node. The items in it must be alive: growing the
    // set reads their user data.
    struct ByNode
    {
        using is_transparent = void;
        static const db::Node* nodeOf(const wxUtils::TreeItem* item);
        std::size_t operator()(const db::Node* node) const { return absl::Hash<const db::Node*>()(node); }
        std::size_t operator()(const wxUtils::TreeItem* item) const { return (*this)(nodeOf(item)); }
    };
    struct SameNode
    {
        using is_transparent = void;
        bool operator()(const wxUtils::TreeItem* a, const wxUtils::TreeItem* b) const
        {
            return ByNode::nodeOf(a) == ByNode::nodeOf(b);
        }
        bool operator()(const wxUtils::TreeItem* item, const db::Node* node) const
        {
            return ByNode::nodeOf(item) == node;
        }
        bool operator()(const db::Node* node, const wxUtils::TreeItem* item) const
        {
            return ByNode::nodeOf(item) == node;
        }
    };

    void eraseItem(wxUtils::TreeItem* item);

    // Open addressing: filling a map of a node per entry would spend most of
    // a big tree's binding time allocating. Mutable, as is the list of items
    // not yet in it: a look-up indexes them first.
    mutable absl::flat_hash_set<wxUtils::TreeItem*, ByNode, SameNode> m_items;
    mutable std::vector<wxUtils::TreeItem*> m_unindexed;
};

} // namespace dbui
