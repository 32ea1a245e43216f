// Node identity across versions. A node keeps its identity when its path
// (names and ranks among like-named siblings) stays; nodes that no path
// matches are paired by content, first exactly (type and own values), then
// by type and name when most of their values agree, and the pairs found
// that way lend their children a path match of their own. Pairs must be
// unique on both sides: a hundred identical empty groups pair with nothing.

#include "merge/TreeIndex.h"
#include "merge/Values.h"

#include <db/Database.h>
#include <db/NodeContainer.h>

#include <deque>
#include <functional>
#include <unordered_map>

namespace db::detail
{

TreeIndex::TreeIndex(const Database& database)
{
    const std::size_t expected = database.getTotalNodeCount();
    nodes.reserve(expected);
    parent.reserve(expected);
    container.reserve(expected);
    firstChild.reserve(expected);
    childCount.reserve(expected);
    nodes.push_back(const_cast<Database*>(&database));
    parent.push_back(-1);
    container.push_back(nullptr);
    for (std::size_t i = 0; i < nodes.size(); ++i)
    {
        firstChild.push_back(static_cast<int>(nodes.size()));
        const Node& node = *nodes[i];
        for (unsigned int a = 0; a < node.getAttributeCount(); ++a)
        {
            NodeContainer* holder = node.getAttribute(a)->asNodeContainer();
            if (!holder)
                continue;
            for (unsigned int c = 0; c < holder->getNodeCount(); ++c)
            {
                nodes.push_back(holder->getNode(c));
                parent.push_back(static_cast<int>(i));
                container.push_back(holder);
            }
        }
        childCount.push_back(static_cast<int>(nodes.size()) - firstChild.back());
    }
    std::size_t capacity = 16;
    while (capacity < nodes.size() * 2)
        capacity *= 2;
    m_mask = capacity - 1;
    m_keys.assign(capacity, nullptr);
    m_values.assign(capacity, -1);
    for (std::size_t i = 0; i < nodes.size(); ++i)
    {
        const std::size_t slot = slotOf(nodes[i]);
        m_keys[slot] = nodes[i];
        m_values[slot] = static_cast<int>(i);
    }
    // Depth-first ranks: children lie side by side, so a stack of them will do.
    preorder.assign(nodes.size(), 0);
    std::vector<int> stack{0};
    int rank = 0;
    while (!stack.empty())
    {
        const int at = stack.back();
        stack.pop_back();
        preorder[static_cast<std::size_t>(at)] = rank++;
        for (int c = childCount[static_cast<std::size_t>(at)] - 1; c >= 0; --c)
            stack.push_back(firstChild[static_cast<std::size_t>(at)] + c);
    }
}

std::size_t TreeIndex::slotOf(const Attribute* node) const
{
    std::size_t slot = (reinterpret_cast<std::uintptr_t>(node) >> 4) * 0x9E3779B97F4A7C15ULL >> 20 & m_mask;
    while (m_keys[slot] && m_keys[slot] != node)
        slot = (slot + 1) & m_mask;
    return slot;
}

int TreeIndex::indexOf(const Attribute* node) const
{
    return node ? m_values[slotOf(node)] : -1;
}

namespace
{

class Matcher
{
public:
    Matcher(const TreeIndex& base, const TreeIndex& side, TypeRule rule) : m_base(base), m_side(side), m_rule(rule)
    {
        m_match.toSide.assign(base.size(), -1);
        m_match.toBase.assign(side.size(), -1);
    }

    Match run()
    {
        pair(0, 0);
        for (;;)
        {
            matchByPath();
            if (!matchByContent())
                break;
        }
        return std::move(m_match);
    }

private:
    bool compatible(int b, int s) const
    {
        return m_rule == TypeRule::AnyType || m_base.nodes[static_cast<std::size_t>(b)]->getTypeId() ==
                                                  m_side.nodes[static_cast<std::size_t>(s)]->getTypeId();
    }

    void pair(int b, int s)
    {
        m_match.toSide[static_cast<std::size_t>(b)] = s;
        m_match.toBase[static_cast<std::size_t>(s)] = b;
        m_pending.push_back({b, s});
    }

    void matchByPath()
    {
        while (!m_pending.empty())
        {
            auto [b, s] = m_pending.front();
            m_pending.pop_front();
            matchChildren(b, s);
        }
    }

    void matchChildren(int b, int s)
    {
        const int bFirst = m_base.firstChild[static_cast<std::size_t>(b)];
        const int bCount = m_base.childCount[static_cast<std::size_t>(b)];
        const int sFirst = m_side.firstChild[static_cast<std::size_t>(s)];
        const int sCount = m_side.childCount[static_cast<std::size_t>(s)];
        // Mostly nothing moved: the same names in the same order pair one by one.
        int same = 0;
        while (same < bCount && same < sCount &&
               m_base.nodes[static_cast<std::size_t>(bFirst + same)]->getName() ==
                   m_side.nodes[static_cast<std::size_t>(sFirst + same)]->getName())
            ++same;
        if (same == bCount && same == sCount)
        {
            for (int i = 0; i < same; ++i)
                tryPair(bFirst + i, sFirst + i);
            return;
        }
        // The k-th child of a name is the k-th of that name on the other side too.
        std::unordered_map<std::wstring, std::vector<int>> byName;
        for (int i = 0; i < sCount; ++i)
            byName[m_side.nodes[static_cast<std::size_t>(sFirst + i)]->getName()].push_back(sFirst + i);
        std::unordered_map<std::wstring, std::size_t> taken;
        for (int i = 0; i < bCount; ++i)
        {
            const std::wstring& name = m_base.nodes[static_cast<std::size_t>(bFirst + i)]->getName();
            auto found = byName.find(name);
            if (found == byName.end())
                continue;
            std::size_t& rank = taken[name];
            if (rank < found->second.size())
                tryPair(bFirst + i, found->second[rank]);
            ++rank;
        }
    }

    void tryPair(int b, int s)
    {
        if (m_match.toSide[static_cast<std::size_t>(b)] < 0 && m_match.toBase[static_cast<std::size_t>(s)] < 0 &&
            compatible(b, s))
            pair(b, s);
    }

    /// Pairs the nodes that are alone on both sides with their key; true when any were.
    template <class Key>
    bool pairUnique(const std::vector<int>& bases, const std::vector<int>& sides, Key key,
                    const std::function<bool(int, int)>& accept)
    {
        // count, index: a count of one means the key is unique on that side.
        std::unordered_map<std::uint64_t, std::pair<int, int>> inBase;
        std::unordered_map<std::uint64_t, std::pair<int, int>> inSide;
        for (int b : bases)
        {
            auto& entry = inBase[key(*m_base.nodes[static_cast<std::size_t>(b)])];
            entry = {entry.first + 1, b};
        }
        for (int s : sides)
        {
            auto& entry = inSide[key(*m_side.nodes[static_cast<std::size_t>(s)])];
            entry = {entry.first + 1, s};
        }
        bool paired = false;
        for (int s : sides)
        {
            const auto& sideEntry = inSide[key(*m_side.nodes[static_cast<std::size_t>(s)])];
            auto found = inBase.find(key(*m_side.nodes[static_cast<std::size_t>(s)]));
            if (sideEntry.first != 1 || found == inBase.end() || found->second.first != 1)
                continue;
            const int b = found->second.second;
            if (m_match.toSide[static_cast<std::size_t>(b)] >= 0 || !compatible(b, s) || !accept(b, s))
                continue;
            pair(b, s);
            paired = true;
        }
        return paired;
    }

    bool matchByContent()
    {
        std::vector<int> bases;
        std::vector<int> sides;
        for (std::size_t b = 1; b < m_base.size(); ++b)
            if (m_match.toSide[b] < 0)
                bases.push_back(static_cast<int>(b));
        for (std::size_t s = 1; s < m_side.size(); ++s)
            if (m_match.toBase[s] < 0)
                sides.push_back(static_cast<int>(s));
        if (bases.empty() || sides.empty())
            return false;
        auto byContent = [](const Node& node)
        { return contentHash(node) * 31 + static_cast<std::uint64_t>(node.getTypeId()); };
        if (pairUnique(bases, sides, byContent, [](int, int) { return true; }))
            return true;
        auto byName = [](const Node& node)
        { return std::hash<std::wstring>()(node.getName()) * 31 + static_cast<std::uint64_t>(node.getTypeId()); };
        if (pairUnique(bases, sides, byName,
                       [this](int b, int s)
                       {
                           return similarity(*m_base.nodes[static_cast<std::size_t>(b)],
                                             *m_side.nodes[static_cast<std::size_t>(s)]) >= s_similar;
                       }))
            return true;
        return pairRenamedInPlace(bases, sides);
    }

    /// Renamed and edited under the same parent: the most similar node of the
    /// type there, when no other is as similar. Few candidates are weighed, so
    /// that a thousand new siblings cost no million comparisons.
    bool pairRenamedInPlace(const std::vector<int>& bases, const std::vector<int>& sides)
    {
        constexpr std::size_t maxCandidates = 32;
        std::unordered_map<std::uint64_t, std::vector<int>> byPlace;
        auto place = [](int parent, const Node& node)
        { return (static_cast<std::uint64_t>(parent) << 24) ^ static_cast<std::uint64_t>(node.getTypeId()); };
        for (int b : bases)
        {
            const int parent = m_match.toSide[static_cast<std::size_t>(m_base.parent[static_cast<std::size_t>(b)])];
            if (parent >= 0)
                byPlace[place(parent, *m_base.nodes[static_cast<std::size_t>(b)])].push_back(b);
        }
        bool paired = false;
        for (int s : sides)
        {
            auto found = byPlace.find(
                place(m_side.parent[static_cast<std::size_t>(s)], *m_side.nodes[static_cast<std::size_t>(s)]));
            if (found == byPlace.end() || found->second.size() > maxCandidates)
                continue;
            int best = -1;
            double bestScore = s_similar;
            bool tie = false;
            for (int b : found->second)
            {
                if (m_match.toSide[static_cast<std::size_t>(b)] >= 0)
                    continue;
                const double score =
                    similarity(*m_base.nodes[static_cast<std::size_t>(b)], *m_side.nodes[static_cast<std::size_t>(s)]);
                tie = score == bestScore || (tie && score < bestScore);
                if (score > bestScore)
                {
                    best = b;
                    bestScore = score;
                }
            }
            if (best >= 0 && !tie)
            {
                pair(best, s);
                paired = true;
            }
        }
        return paired;
    }

    /// The share of equal values from which two nodes count as one edited.
    static constexpr double s_similar = 0.5;

    const TreeIndex& m_base;
    const TreeIndex& m_side;
    TypeRule m_rule;
    Match m_match;
    std::deque<std::pair<int, int>> m_pending;
};

} // namespace

Match matchTrees(const TreeIndex& base, const TreeIndex& side, TypeRule rule)
{
    return Matcher(base, side, rule).run();
}

} // namespace db::detail
