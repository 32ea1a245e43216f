#pragma once

// The node trees of two or three versions of one database, and which node of
// one version is which node of another (see docs/version-control.md).

#include <cstdint>
#include <string>
#include <vector>

namespace db
{

class Attribute;
class Database;
class Node;
class NodeContainer;

namespace detail
{

/// Every node of a database in breadth-first order, so that the children of
/// a node lie side by side; index 0 is the database itself.
struct TreeIndex
{
    explicit TreeIndex(const Database& database);

    std::size_t size() const { return nodes.size(); }
    /// The index of a node of this tree, -1 for anything else.
    int indexOf(const Attribute* node) const;

    std::vector<Node*> nodes;
    std::vector<int> parent;
    std::vector<int> firstChild;
    std::vector<int> childCount;
    /// The container that holds each node (null for the root).
    std::vector<NodeContainer*> container;
    /// Each node's rank in depth-first (file) order.
    std::vector<int> preorder;

private:
    // Node to index: open addressing in one block, as a map of 300,000
    // nodes allocated one entry at a time costs more than the comparison it serves.
    std::vector<const Attribute*> m_keys;
    std::vector<int> m_values;
    std::size_t m_mask = 0;
    std::size_t slotOf(const Attribute* node) const;
};

/// Which node of a base tree is which node of a side's tree; -1 for none.
struct Match
{
    std::vector<int> toSide;
    std::vector<int> toBase;
};

/// Whether a node whose type changed can still be the same node: a diff
/// reports such nodes as retyped, a merge treats them as removed and added.
enum class TypeRule
{
    SameType,
    AnyType,
};

/// Matches by path first (name and rank among like-named siblings, from the
/// root down), then the nodes left over by content as git finds renames.
Match matchTrees(const TreeIndex& base, const TreeIndex& side, TypeRule rule);

} // namespace detail
} // namespace db
