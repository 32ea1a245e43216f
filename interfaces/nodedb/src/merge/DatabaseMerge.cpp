// The three-way merge. Our side's database becomes the result: what their
// side changed since the base is applied to it, in this order:
//
//   1. structure, walking their tree from the top: nodes they added are
//      copied in (values later), renames and moves are applied;
//   2. sibling order, per container their side touched;
//   3. values of every node present in all three, and of the copies;
//   4. their removals, last, so that a node still used by our side (edited,
//      holding new children, pointed at) is kept and reported instead.
//
// Our nodes keep their identity throughout, so our pointers follow renames
// and moves by themselves; their pointers are translated to our nodes.

#include <db/DatabaseMerge.h>

#include "merge/Sequences.h"
#include "merge/TreeIndex.h"
#include "merge/Values.h"

#include <db/AttributeArray.h>
#include <db/BoolArrayAttribute.h>
#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/DoubleArrayAttribute.h>
#include <db/EnumArrayAttribute.h>
#include <db/FloatArrayAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/MergeConflicts.h>
#include <db/NodeContainer.h>
#include <db/NodeDef.h>
#include <db/NodeFactory.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/Vector3ArrayAttribute.h>

#include <algorithm>
#include <unordered_set>

namespace db
{

namespace
{

using detail::Identity;
using detail::Match;
using detail::outOfOrder;
using detail::Pick;
using detail::TreeIndex;

std::wstring pathOf(const Attribute& attribute)
{
    std::wstring path;
    attribute.toDatabasePath(path);
    return path;
}

std::size_t at(int index)
{
    return static_cast<std::size_t>(index);
}

template <class Array> void rebuildAs(Attribute& result, const Attribute& theirs, const std::vector<Pick>& picks)
{
    auto& target = static_cast<Array&>(result);
    const auto& source = static_cast<const Array&>(theirs);
    auto values = target.getValues();
    decltype(values) merged;
    merged.reserve(picks.size());
    for (const Pick& pick : picks)
        merged.push_back(pick.theirs ? source.getValues()[pick.index] : values[pick.index]);
    target.setValues(std::move(merged));
}

class Merger
{
public:
    Merger(const Database& base, Database& ours, const Database& theirs)
        : m_ours(ours), m_base(base), m_mine(ours), m_theirs(theirs),
          m_toOurs(detail::matchTrees(m_base, m_mine, detail::TypeRule::SameType)),
          m_toTheirs(detail::matchTrees(m_base, m_theirs, detail::TypeRule::SameType)), m_baseIds(m_base, nullptr, 0),
          m_ourIds(m_mine, &m_toOurs, 1), m_theirIds(m_theirs, &m_toTheirs, 2)
    {
        m_result.assign(m_theirs.size(), nullptr);
        m_skipped.assign(m_theirs.size(), 0);
        m_result[0] = &ours;
        for (std::size_t t = 1; t < m_theirs.size(); ++t)
            if (const int b = m_toTheirs.toBase[t]; b >= 0 && m_toOurs.toSide[at(b)] >= 0)
                m_result[t] = m_mine.nodes[at(m_toOurs.toSide[at(b)])];
    }

    void run(std::vector<MergeConflict>& conflicts, DatabaseMerge::Summary& summary)
    {
        std::vector<int> order(m_theirs.size());
        for (std::size_t t = 0; t < m_theirs.size(); ++t)
            order[at(m_theirs.preorder[t])] = static_cast<int>(t);
        m_triples.push_back({0, 0, 0}); // the root's name and dynamic attributes
        for (std::size_t i = 1; i < order.size(); ++i)
            visitTheirs(order[i]);
        for (std::size_t i = 0; i < order.size(); ++i)
            mergeOrder(order[i]);
        for (auto [b, o, t] : m_triples)
            mergeMembers(*m_mine.nodes[at(o)], *m_base.nodes[at(b)], *m_theirs.nodes[at(t)]);
        for (auto [t, copy] : m_copies)
            copyMembers(*copy, *m_theirs.nodes[at(t)]);
        applyRemovals();
        conflicts = std::move(m_conflicts);
        summary = m_summary;
    }

private:
    // ------------------------------------------------------------------
    // Structure
    // ------------------------------------------------------------------

    void visitTheirs(int t)
    {
        const int b = m_toTheirs.toBase[at(t)];
        const int parent = m_theirs.parent[at(t)];
        if (m_skipped[at(parent)])
        {
            m_skipped[at(t)] = 1;
            return;
        }
        if (b < 0)
        {
            if (!m_result[at(t)]) // else part of a subtree both sides added alike
                addTheirs(t);
            return;
        }
        const int o = m_toOurs.toSide[at(b)];
        if (o < 0)
        {
            if (changedBy(m_theirs, m_toTheirs, m_theirIds, b, t))
                conflict(L"removed/changed", pathOf(*m_base.nodes[at(b)]), L"present", L"removed", L"changed");
            return;
        }
        m_triples.push_back({b, o, t});
        Node& node = *m_mine.nodes[at(o)];
        renameTheirs(node, b, t);
        moveTheirs(node, b, o, t);
    }

    /// Whether a side changed node `b` (its version `s`): its name, place or own values.
    bool changedBy(const TreeIndex& side, const Match& match, const Identity& ids, int b, int s) const
    {
        const Node& was = *m_base.nodes[at(b)];
        const Node& now = *side.nodes[at(s)];
        if (was.getName() != now.getName() || match.toBase[at(side.parent[at(s)])] != m_base.parent[at(b)] ||
            m_base.container[at(b)]->getName() != side.container[at(s)]->getName() ||
            was.getAttributeCount() != now.getAttributeCount())
            return true;
        for (unsigned int i = 0; i < was.getAttributeCount(); ++i)
            if (!detail::sameValue(*was.getAttribute(i), m_baseIds, *now.getAttribute(i), ids))
                return true;
        return false;
    }

    void addTheirs(int t)
    {
        const Node& added = *m_theirs.nodes[at(t)];
        Node* parent = m_result[at(m_theirs.parent[at(t)])];
        if (!parent)
        {
            m_skipped[at(t)] = 1;
            conflict(L"added under removed", pathOf(added), L"absent", L"parent removed",
                     L"added (" + added.getClassID() + L")");
            return;
        }
        if (Node* twin = ourTwin(*parent, added))
        {
            if (sameSubtree(*twin, added))
            {
                pairSubtree(*twin, t);
                return;
            }
            m_skipped[at(t)] = 1;
            conflict(L"both added", pathOf(*twin), L"absent", L"added (" + twin->getClassID() + L")",
                     L"added (" + added.getClassID() + L") with other contents");
            return;
        }
        Attribute* holder = parent->findAttribute(m_theirs.container[at(t)]->getName());
        Node* copy = makeNode(added.getTypeId(), added.getName(), &m_ours.getTypeRegistry());
        if (!copy || !holder || !holder->asNodeContainer() || !holder->asNodeContainer()->add(copy))
        {
            delete copy;
            m_skipped[at(t)] = 1;
            conflict(L"added", pathOf(added), L"absent", L"cannot hold it", L"added (" + added.getClassID() + L")");
            return;
        }
        m_result[at(t)] = copy;
        m_placed.insert(copy);
        m_copies.push_back({t, copy});
        ++m_summary.added;
    }

    /// The node our side added under `parent` with the name of their new `added`.
    Node* ourTwin(Node& parent, const Node& added)
    {
        const int p = m_mine.indexOf(&parent);
        if (p < 0)
            return nullptr;
        for (int c = m_mine.firstChild[at(p)]; c < m_mine.firstChild[at(p)] + m_mine.childCount[at(p)]; ++c)
            if (m_toOurs.toBase[at(c)] < 0 && !m_claimed.count(m_mine.nodes[at(c)]) &&
                m_mine.nodes[at(c)]->getName() == added.getName())
                return m_mine.nodes[at(c)];
        return nullptr;
    }

    bool sameSubtree(const Node& mine, const Node& theirs) const
    {
        if (mine.getTypeId() != theirs.getTypeId() || mine.getName() != theirs.getName() ||
            mine.getAttributeCount() != theirs.getAttributeCount())
            return false;
        for (unsigned int i = 0; i < mine.getAttributeCount(); ++i)
            if (!detail::sameValue(*mine.getAttribute(i), m_ourIds, *theirs.getAttribute(i), m_theirIds))
                return false;
        const std::vector<Node*> a = mine.getChildNodes();
        const std::vector<Node*> b = theirs.getChildNodes();
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (!sameSubtree(*a[i], *b[i]))
                return false;
        return true;
    }

    /// Both sides added the same subtree: their nodes are ours from here on.
    void pairSubtree(Node& mine, int t)
    {
        m_claimed.insert(&mine);
        m_result[at(t)] = &mine;
        const std::vector<Node*> children = mine.getChildNodes();
        for (int c = 0; c < m_theirs.childCount[at(t)]; ++c)
            pairSubtree(*children[at(c)], m_theirs.firstChild[at(t)] + c);
    }

    void renameTheirs(Node& node, int b, int t)
    {
        const std::wstring& was = m_base.nodes[at(b)]->getName();
        const std::wstring& theirs = m_theirs.nodes[at(t)]->getName();
        if (theirs == was || node.getName() == theirs)
            return;
        if (node.getName() != was)
        {
            conflict(L"rename", pathOf(node), was, node.getName(), theirs);
            return;
        }
        node.setName(theirs);
        ++m_summary.renamed;
    }

    void moveTheirs(Node& node, int b, int o, int t)
    {
        const int baseParent = m_base.parent[at(b)];
        const std::wstring& baseHolder = m_base.container[at(b)]->getName();
        const int theirParent = m_theirs.parent[at(t)];
        const std::wstring& theirHolder = m_theirs.container[at(t)]->getName();
        if (m_toTheirs.toBase[at(theirParent)] == baseParent && theirHolder == baseHolder)
            return;
        Node* target = m_result[at(theirParent)];
        const int ourParent = m_mine.parent[at(o)];
        const bool oursMoved =
            m_toOurs.toBase[at(ourParent)] != baseParent || m_mine.container[at(o)]->getName() != baseHolder;
        const std::wstring theirPlace = pathOf(*m_theirs.nodes[at(theirParent)]);
        if (oursMoved)
        {
            if (target != m_mine.nodes[at(ourParent)] || theirHolder != m_mine.container[at(o)]->getName())
                conflict(L"move", pathOf(node), L"in " + pathOf(*m_base.nodes[at(baseParent)]),
                         L"in " + pathOf(*m_mine.nodes[at(ourParent)]), L"in " + theirPlace);
            return;
        }
        if (!target)
        {
            conflict(L"move into removed", pathOf(node), L"in " + pathOf(*m_base.nodes[at(baseParent)]), L"stays",
                     L"moved into " + theirPlace + L", which ours removed");
            return;
        }
        if (target == &node || target->isDescendantOf(&node))
        {
            conflict(L"move cycle", pathOf(node), L"in " + pathOf(*m_base.nodes[at(baseParent)]), L"stays",
                     L"moved into " + theirPlace + L", which is below it");
            return;
        }
        Attribute* holder = target->findAttribute(theirHolder);
        if (!holder || !holder->asNodeContainer() || !holder->asNodeContainer()->add(&node))
        {
            conflict(L"move", pathOf(node), L"in " + pathOf(*m_base.nodes[at(baseParent)]), L"stays",
                     L"moved into " + theirPlace);
            return;
        }
        m_placed.insert(&node);
        ++m_summary.moved;
    }

    // ------------------------------------------------------------------
    // Sibling order
    // ------------------------------------------------------------------

    /// Their order of the children of their node `t`, one container at a time.
    void mergeOrder(int t)
    {
        Node* parent = m_result[at(t)];
        const int b = m_toTheirs.toBase[at(t)];
        if (!parent || b < 0 || m_mine.indexOf(parent) < 0 || m_theirs.childCount[at(t)] == 0)
            return;
        const int first = m_theirs.firstChild[at(t)];
        const int end = first + m_theirs.childCount[at(t)];
        for (int from = first; from < end;)
        {
            NodeContainer* theirHolder = m_theirs.container[at(from)];
            int to = from;
            while (to < end && m_theirs.container[at(to)] == theirHolder)
                ++to;
            if (!unchangedOrder(b, theirHolder->getName(), from, to))
                if (Attribute* holder = parent->findAttribute(theirHolder->getName());
                    holder && holder->asNodeContainer())
                    mergeContainerOrder(*holder->asNodeContainer(), b, from, to);
            from = to;
        }
    }

    /// True when their children [from, to) are the base's children in that container, in order.
    bool unchangedOrder(int b, const std::wstring& holder, int from, int to) const
    {
        int expected = from;
        for (int c = m_base.firstChild[at(b)]; c < m_base.firstChild[at(b)] + m_base.childCount[at(b)]; ++c)
        {
            if (m_base.container[at(c)]->getName() != holder)
                continue;
            if (expected >= to || m_toTheirs.toBase[at(expected)] != c)
                return false;
            ++expected;
        }
        return expected == to;
    }

    /// Their moves within the container, and the nodes they put into it,
    /// placed after the node that comes before them on their side.
    void mergeContainerOrder(NodeContainer& holder, int b, int from, int to)
    {
        // Base rank of the nodes that all three have here.
        auto baseRank = [&](const Node* node) -> int
        {
            const int o = m_mine.indexOf(node);
            const int base = o < 0 ? -1 : m_toOurs.toBase[at(o)];
            if (base < 0 || m_base.parent[at(base)] != b || m_base.container[at(base)]->getName() != holder.getName())
                return -1;
            const int t = m_toTheirs.toSide[at(base)];
            return t >= from && t < to ? base : -1;
        };
        std::vector<Node*> theirs;
        for (int c = from; c < to; ++c)
            if (m_result[at(c)] && m_result[at(c)]->getParentAttribute() == &holder)
                theirs.push_back(m_result[at(c)]);
        std::vector<int> theirRanks;
        std::vector<Node*> common;
        for (Node* node : theirs)
            if (const int rank = baseRank(node); rank >= 0)
            {
                theirRanks.push_back(rank);
                common.push_back(node);
            }
        std::unordered_set<const Node*> theyMoved;
        const std::vector<bool> movedByThem = outOfOrder(theirRanks);
        for (std::size_t i = 0; i < common.size(); ++i)
            if (movedByThem[i])
                theyMoved.insert(common[i]);

        std::vector<Node*> ours;
        std::vector<int> ourRanks;
        std::vector<Node*> ourCommon;
        for (unsigned int i = 0; i < holder.getNodeCount(); ++i)
        {
            Node* node = holder.getNode(i);
            if (m_placed.count(node))
                continue;
            ours.push_back(node);
            if (const int rank = baseRank(node); rank >= 0)
            {
                ourRanks.push_back(rank);
                ourCommon.push_back(node);
            }
        }
        if (ourCommon == common)
            theyMoved.clear(); // both sides put them in the same order
        const std::vector<bool> movedByUs = outOfOrder(ourRanks);
        std::unordered_set<const Node*> weMoved;
        for (std::size_t i = 0; i < ourCommon.size(); ++i)
            if (movedByUs[i])
                weMoved.insert(ourCommon[i]);
        for (const Node* node : ourCommon)
            if (weMoved.count(node) && theyMoved.count(node))
            {
                conflict(L"order", pathOf(*node), L"in its place", L"moved among its siblings (kept)",
                         L"moved among its siblings otherwise");
                theyMoved.clear();
                break;
            }
        if (!theyMoved.empty())
            ++m_summary.reordered;

        std::vector<Node*> merged;
        std::unordered_set<const Node*> inTheirs(theirs.begin(), theirs.end());
        for (Node* node : ours)
        {
            if (!theyMoved.count(node))
                merged.push_back(node);
            if (!inTheirs.count(node))
                weMoved.insert(node);
        }
        // A node our side moved away is no landmark for where theirs go.
        Node* previous = nullptr;
        for (Node* node : theirs)
        {
            if (theyMoved.count(node) || m_placed.count(node))
                place(merged, node, previous, weMoved);
            if (!weMoved.count(node))
                previous = node;
        }
        applyOrder(holder, merged);
    }

    /// Puts `node` after `previous` (first when null), past the nodes our side
    /// put there that sort before it, so that both sides' insertions at one
    /// place come in an order that does not depend on which side is which.
    static void place(std::vector<Node*>& list, Node* node, Node* previous,
                      const std::unordered_set<const Node*>& weMoved)
    {
        auto where = list.begin();
        if (previous)
        {
            where = std::find(list.begin(), list.end(), previous);
            where = where == list.end() ? list.end() : where + 1;
        }
        while (where != list.end() && weMoved.count(*where) &&
               std::make_pair((*where)->getName(), (*where)->getClassID()) <
                   std::make_pair(node->getName(), node->getClassID()))
            ++where;
        list.insert(where, node);
    }

    static void applyOrder(NodeContainer& holder, const std::vector<Node*>& order)
    {
        for (std::size_t i = 0; i < order.size(); ++i)
            if (holder.getNode(static_cast<unsigned int>(i)) != order[i])
                holder.insert(static_cast<unsigned int>(i), order[i]);
    }

    // ------------------------------------------------------------------
    // Values
    // ------------------------------------------------------------------

    void mergeMembers(Node& result, const Node& base, const Node& theirs)
    {
        const unsigned int members = base.getNodeDef().getAttributeDefCount();
        for (unsigned int i = 0; i < members; ++i)
            if (!base.getAttribute(i)->isNodeContainer())
                mergeValue(*result.getAttribute(i), *base.getAttribute(i), *theirs.getAttribute(i));
        for (unsigned int i = members; i < theirs.getAttributeCount(); ++i)
        {
            const Attribute& their = *theirs.getAttribute(i);
            if (isConflictRecord(result, their))
                continue;
            const Attribute* was = base.findAttribute(their.getName());
            Attribute* mine = result.findAttribute(their.getName());
            if (was && mine)
                mergeValue(*mine, *was, their);
            else if (!was && !mine)
                addDynamic(result, their);
            else if (!was && !detail::sameValue(*mine, m_ourIds, their, m_theirIds))
                conflict(L"both added", pathOf(*mine), L"absent", detail::valueText(*mine), detail::valueText(their));
            else if (was && !mine && !detail::sameValue(*was, m_baseIds, their, m_theirIds))
                conflict(L"removed/changed", pathOf(result) + L"." + their.getName(), detail::valueText(*was),
                         L"removed", detail::valueText(their));
        }
        for (unsigned int i = members; i < base.getAttributeCount(); ++i)
        {
            const Attribute& was = *base.getAttribute(i);
            Attribute* mine = result.findAttribute(was.getName());
            if (theirs.findAttribute(was.getName()) || !mine || isConflictRecord(result, was))
                continue;
            if (detail::sameValue(*mine, m_ourIds, was, m_baseIds))
            {
                result.removeAttribute(mine);
                ++m_summary.values;
            }
            else
                conflict(L"removed/changed", pathOf(*mine), detail::valueText(was), detail::valueText(*mine),
                         L"removed");
        }
    }

    /// The records of earlier merges are ours to keep, whatever the sides did with theirs.
    bool isConflictRecord(const Node& result, const Attribute& attribute) const
    {
        return &result == &m_ours && attribute.getName() == MergeConflicts::attributeName();
    }

    void addDynamic(Node& result, const Attribute& theirs)
    {
        if (Attribute* added = result.addDynamicAttribute(std::unique_ptr<AttributeDef>(theirs.getDef().makeCopy())))
        {
            assign(*added, theirs);
            ++m_summary.values;
        }
    }

    void mergeValue(Attribute& result, const Attribute& base, const Attribute& theirs)
    {
        if (detail::sameValue(theirs, m_theirIds, base, m_baseIds))
            return;
        if (detail::sameValue(result, m_ourIds, base, m_baseIds))
        {
            assign(result, theirs);
            ++m_summary.values;
            return;
        }
        if (detail::sameValue(result, m_ourIds, theirs, m_theirIds))
            return;
        const AttributeType type = result.getAttributeType();
        const bool sameSize = result.getSize() == base.getSize() && base.getSize() == theirs.getSize();
        if (type == Compound || (type == AttributeArrayType && sameSize))
        {
            const CompositeAttribute& a = *base.asCompositeAttribute();
            const CompositeAttribute& c = *theirs.asCompositeAttribute();
            for (unsigned int i = 0; i < a.getAttributeCount(); ++i)
                mergeValue(*result.asCompositeAttribute()->getAttribute(i), *a.getAttribute(i), *c.getAttribute(i));
            return;
        }
        if (isArrayType(type) && mergeArray(result, base, theirs))
            return;
        valueConflict(result, base, theirs);
    }

    void valueConflict(const Attribute& result, const Attribute& base, const Attribute& theirs)
    {
        conflict(L"value", pathOf(result), detail::valueText(base), detail::valueText(result),
                 detail::valueText(theirs));
    }

    /// Element by element when no side changed the length, else as sequences.
    bool mergeArray(Attribute& result, const Attribute& base, const Attribute& theirs)
    {
        const std::vector<std::wstring> b = detail::elementTexts(base, &m_baseIds);
        const std::vector<std::wstring> o = detail::elementTexts(result, &m_ourIds);
        const std::vector<std::wstring> t = detail::elementTexts(theirs, &m_theirIds);
        std::vector<Pick> picks;
        if (b.size() == o.size() && b.size() == t.size())
        {
            for (std::size_t i = 0; i < b.size(); ++i)
            {
                const bool takeTheirs = o[i] == b[i] && t[i] != b[i];
                if (o[i] != b[i] && t[i] != b[i] && o[i] != t[i])
                    elementConflict(result, base, theirs, i);
                picks.push_back({takeTheirs, i});
            }
        }
        else if (!detail::mergeSequence(b, o, t, picks))
            return false;
        rebuild(result, theirs, picks);
        ++m_summary.values;
        return true;
    }

    void elementConflict(const Attribute& result, const Attribute& base, const Attribute& theirs, std::size_t i)
    {
        const std::wstring where = pathOf(result) + L"[" + std::to_wstring(i) + L"]";
        conflict(L"element", where, detail::elementTexts(base)[i], detail::elementTexts(result)[i],
                 detail::elementTexts(theirs)[i]);
    }

    void rebuild(Attribute& result, const Attribute& theirs, const std::vector<Pick>& picks)
    {
        switch (result.getAttributeType())
        {
        case IntArray:
            rebuildAs<IntArrayAttribute>(result, theirs, picks);
            break;
        case BoolArray:
            rebuildAs<BoolArrayAttribute>(result, theirs, picks);
            break;
        case EnumArray:
            rebuildAs<EnumArrayAttribute>(result, theirs, picks);
            break;
        case FloatArray:
            rebuildAs<FloatArrayAttribute>(result, theirs, picks);
            break;
        case DoubleArray:
            rebuildAs<DoubleArrayAttribute>(result, theirs, picks);
            break;
        case StringArray:
            rebuildAs<StringArrayAttribute>(result, theirs, picks);
            break;
        case Vector3Array:
            rebuildAs<Vector3ArrayAttribute>(result, theirs, picks);
            break;
        case Matrix34Array:
            rebuildAs<Matrix34ArrayAttribute>(result, theirs, picks);
            break;
        case PointerArray:
        {
            auto& target = static_cast<PointerArrayAttribute&>(result);
            const auto& source = static_cast<const PointerArrayAttribute&>(theirs).getValues();
            std::vector<Attribute*> merged;
            for (const Pick& pick : picks)
                if (merged.emplace_back(pick.theirs ? translate(source[pick.index], result)
                                                    : target.getValues()[pick.index]) == nullptr &&
                    pick.theirs && source[pick.index])
                    return;
            target.setValues(merged);
            break;
        }
        default:
            break;
        }
    }

    /// Gives `result` their value, their pointers turned into ours.
    void assign(Attribute& result, const Attribute& theirs)
    {
        switch (result.getAttributeType())
        {
        // A target our side removed keeps our value, with the conflict translate records.
        case Pointer:
        {
            Attribute* their = static_cast<const PointerAttribute&>(theirs).getValue();
            Attribute* mine = translate(their, result);
            if (mine || !their)
                static_cast<PointerAttribute&>(result).setValue(mine);
            return;
        }
        case PointerArray:
        {
            std::vector<Attribute*> targets;
            for (Attribute* target : static_cast<const PointerArrayAttribute&>(theirs).getValues())
                if (targets.emplace_back(translate(target, result)) == nullptr && target)
                    return;
            static_cast<PointerArrayAttribute&>(result).setValues(targets);
            return;
        }
        case AttributeArrayType:
        {
            AttributeArray& array = *result.asAttributeArray();
            while (array.getSize() > theirs.getSize())
                array.removeElement(array.getSize() - 1);
            while (array.getSize() < theirs.getSize())
                array.add();
            [[fallthrough]];
        }
        case Compound:
            for (unsigned int i = 0; i < theirs.getSize(); ++i)
                assign(*result.asCompositeAttribute()->getAttribute(i),
                       *theirs.asCompositeAttribute()->getAttribute(i));
            return;
        case NodeContainerType:
            return;
        default:
            result.copyValueFrom(theirs);
        }
    }

    /// Their target as ours: null, with a conflict, when our side removed it.
    Attribute* translate(Attribute* target, const Attribute& pointer)
    {
        if (!target)
            return nullptr;
        const Node* owner = target->asNode() ? target->asNode() : target->getOwnerNode();
        const int t = m_theirs.indexOf(owner);
        Node* mine = t < 0 ? nullptr : m_result[at(t)];
        Attribute* found = mine;
        if (mine && owner != target)
        {
            std::wstring member;
            target->toDatabasePath(member, owner);
            found = mine->attributeFromDatabasePath(member, false);
        }
        if (!found)
        {
            std::wstring was;
            target->toDatabasePath(was);
            conflict(L"pointer to removed", pathOf(pointer), L"", L"(target removed)", was);
        }
        return found;
    }

    void copyMembers(Node& copy, const Node& theirs)
    {
        const unsigned int members = theirs.getNodeDef().getAttributeDefCount();
        for (unsigned int i = 0; i < theirs.getAttributeCount(); ++i)
        {
            const Attribute& their = *theirs.getAttribute(i);
            Attribute* mine = i < members
                                  ? copy.getAttribute(i)
                                  : copy.addDynamicAttribute(std::unique_ptr<AttributeDef>(their.getDef().makeCopy()));
            if (mine)
                assign(*mine, their);
        }
    }

    // ------------------------------------------------------------------
    // Removals
    // ------------------------------------------------------------------

    void applyRemovals()
    {
        // Our nodes that their side removed and ours left alone.
        std::unordered_set<const Node*> doomed;
        for (std::size_t b = 1; b < m_base.size(); ++b)
        {
            const int o = m_toOurs.toSide[b];
            if (m_toTheirs.toSide[b] >= 0 || o < 0)
                continue;
            if (changedBy(m_mine, m_toOurs, m_ourIds, static_cast<int>(b), o))
                conflict(L"changed/removed", pathOf(*m_mine.nodes[at(o)]), L"present", L"changed", L"removed");
            else
                doomed.insert(m_mine.nodes[at(o)]);
        }
        if (doomed.empty())
            return;
        // A subtree goes whole or not at all.
        std::vector<Node*> roots;
        for (const Node* node : doomed)
            if (!doomed.count(node->getParentNode()))
                roots.push_back(const_cast<Node*>(node));
        std::sort(roots.begin(), roots.end(),
                  [this](const Node* a, const Node* b)
                  { return m_mine.preorder[at(m_mine.indexOf(a))] < m_mine.preorder[at(m_mine.indexOf(b))]; });
        std::unordered_set<const Node*> kept;
        for (Node* root : roots)
            if (!wholeSubtreeDoomed(*root, doomed))
            {
                kept.insert(root);
                conflict(L"removed/added below", pathOf(*root), L"present", L"nodes added or moved below it",
                         L"removed");
            }
        keepTargets(roots, kept);
        for (Node* root : roots)
            if (!kept.count(root))
            {
                root->remove();
                ++m_summary.removed;
            }
    }

    static bool wholeSubtreeDoomed(const Node& node, const std::unordered_set<const Node*>& doomed)
    {
        if (!doomed.count(&node))
            return false;
        for (const Node* child : node.getChildNodes())
            if (!wholeSubtreeDoomed(*child, doomed))
                return false;
        return true;
    }

    /// Keeps the removed subtrees that some pointer outside them still names.
    void keepTargets(const std::vector<Node*>& roots, std::unordered_set<const Node*>& kept)
    {
        std::unordered_set<const Node*> rootSet(roots.begin(), roots.end());
        auto rootOf = [&rootSet](const Attribute* target) -> const Node*
        {
            for (const Node* node = target->asNode() ? target->asNode() : target->getOwnerNode(); node;
                 node = node->getParentNode())
                if (rootSet.count(node))
                    return node;
            return nullptr;
        };
        auto check = [&](const Attribute& pointer, const Attribute* target)
        {
            const Node* root = target ? rootOf(target) : nullptr;
            if (!root || kept.count(root) || pointer.isDescendantOf(root))
                return;
            kept.insert(root);
            conflict(L"removed/pointed at", pathOf(*root), L"present", L"pointed at by " + pathOf(pointer), L"removed");
        };
        std::vector<const Attribute*> stack{&m_ours};
        while (!stack.empty())
        {
            const Attribute& attribute = *stack.back();
            stack.pop_back();
            if (attribute.getAttributeType() == Pointer)
                check(attribute, static_cast<const PointerAttribute&>(attribute).getValue());
            else if (attribute.getAttributeType() == PointerArray)
                for (const Attribute* target : static_cast<const PointerArrayAttribute&>(attribute).getValues())
                    check(attribute, target);
            else if (const CompositeAttribute* composite = attribute.asCompositeAttribute())
                for (unsigned int i = composite->getAttributeCount(); i-- > 0;)
                    stack.push_back(composite->getAttribute(i));
        }
    }

    void conflict(std::wstring what, std::wstring where, std::wstring base, std::wstring ours, std::wstring theirs)
    {
        m_conflicts.push_back({std::move(what), std::move(where), std::move(base), std::move(ours), std::move(theirs)});
    }

    Database& m_ours;
    TreeIndex m_base;
    TreeIndex m_mine;
    TreeIndex m_theirs;
    Match m_toOurs;
    Match m_toTheirs;
    Identity m_baseIds;
    Identity m_ourIds;
    Identity m_theirIds;
    /// Per node of theirs: the node of the result that stands for it.
    std::vector<Node*> m_result;
    /// Per node of theirs: left out, with a conflict reported above it.
    std::vector<char> m_skipped;
    /// Base, ours, theirs indices of the nodes all three have.
    std::vector<std::tuple<int, int, int>> m_triples;
    std::vector<std::pair<int, Node*>> m_copies;
    /// Nodes put into a container by their side (added or moved there).
    std::unordered_set<const Node*> m_placed;
    /// Nodes our side added that stand for nodes their side added too.
    std::unordered_set<const Node*> m_claimed;
    std::vector<MergeConflict> m_conflicts;
    DatabaseMerge::Summary m_summary;
};

} // namespace

bool DatabaseMerge::merge(const Database& base, Database& ours, const Database& theirs)
{
    m_conflicts.clear();
    m_summary = {};
    {
        ChangeBlock block(ours, L"Merge");
        std::vector<MergeConflict> records = MergeConflicts::read(ours);
        Merger(base, ours, theirs).run(m_conflicts, m_summary);
        records.insert(records.end(), m_conflicts.begin(), m_conflicts.end());
        MergeConflicts::write(ours, records);
    }
    // What the merge removed is destroyed now, not when an undo step lapses.
    ours.clearUndoHistory();
    return m_conflicts.empty();
}

std::wstring DatabaseMerge::getSummaryText() const
{
    return L"from theirs: " + std::to_wstring(m_summary.values) + L" values, " + std::to_wstring(m_summary.added) +
           L" added, " + std::to_wstring(m_summary.removed) + L" removed, " + std::to_wstring(m_summary.renamed) +
           L" renamed, " + std::to_wstring(m_summary.moved) + L" moved, " + std::to_wstring(m_summary.reordered) +
           L" reordered";
}

} // namespace db
