#pragma once

// Values compared, hashed and written across versions of one database, where
// a pointer means the node it names, whatever that node is called there.

#include <cstdint>
#include <string>
#include <vector>

namespace db
{

class Attribute;
class Node;

namespace detail
{

struct Match;
struct TreeIndex;

/// Says which node a pointer target is, in terms shared by every version:
/// the base node it matches, or a node new in one side.
class Identity
{
public:
    /// `match` null for the base itself; `side` tells new nodes of two sides apart.
    Identity(const TreeIndex& tree, const Match* match, int side) : m_tree(tree), m_match(match), m_side(side) {}

    /// The node a target belongs to, as a number shared by the versions, and
    /// the target's path below that node ("" for the node itself).
    struct Target
    {
        long long node = -1;
        std::wstring member;
        bool operator==(const Target& other) const { return node == other.node && member == other.member; }
    };
    Target of(const Attribute* target) const;
    /// The shared number of node `index` of this tree.
    long long nodeId(int index) const;

private:
    const TreeIndex& m_tree;
    const Match* m_match;
    int m_side;
};

/// True when `a` and `b` (of one type) hold the same value; pointers by identity.
bool sameValue(const Attribute& a, const Identity& ia, const Attribute& b, const Identity& ib);

/// A value as reports show it: value texts as files write them, pointers and
/// pointer elements as paths, texts of string elements quoted.
std::wstring valueText(const Attribute& attribute);

/// The elements of a value array as reports show them; `identity`, when
/// given, writes pointer elements as identities (for comparing versions).
std::vector<std::wstring> elementTexts(const Attribute& array, const Identity* identity = nullptr);

/// A hash of a node's own values (not its name, children or pointer targets).
std::uint64_t contentHash(const Node& node);

/// The share of a node's members (of one type) that hold the same value; pointers count by being set.
double similarity(const Node& a, const Node& b);

} // namespace detail
} // namespace db
