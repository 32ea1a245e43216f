#include "SavePieces.h"

#include <db/CompositeAttribute.h>
#include <db/CompoundAttributeDef.h>
#include <db/Node.h>

namespace db::files
{

namespace
{

class Planner
{
public:
    Planner(std::size_t pieceNodes, std::vector<SavePiece>& pieces, const std::function<void(const SavePiece&)>& found,
            const StandIns& standIns)
        : m_pieceNodes(pieceNodes), m_pieces(pieces), m_found(found), m_standIns(standIns)
    {
    }

    /// The nodes below `composite`, whose members are written at `depth`.
    std::size_t members(const CompositeAttribute& composite, int depth)
    {
        const AttributeDef& def = composite.getDef();
        if (!def.canHoldNodes())
            return 0;
        std::size_t nodes = 0;
        auto visit = [&](const Attribute& member)
        {
            if (member.isNodeContainer())
                nodes += container(*member.asCompositeAttribute(), depth);
            else if (member.getDef().canHoldNodes())
                nodes += members(*member.asCompositeAttribute(), depth + 1);
        };
        // The definition knows which members can hold nodes: the others, most
        // of the attributes in a file, are not even touched. Dynamic members
        // never hold nodes; an attribute array's elements share one definition.
        if (const CompoundAttributeDef* compound = def.asCompoundAttributeDef())
        {
            for (unsigned int index : compound->getNodeHoldingMembers())
                visit(*composite.getAttribute(index));
        }
        else
        {
            for (unsigned int i = 0; i < composite.getAttributeCount(); ++i)
                visit(*composite.getAttribute(i));
        }
        return nodes;
    }

    /// Hands over the runs planned so far that were not handed over yet.
    void handOver()
    {
        for (; m_handedOver < m_pieces.size(); ++m_handedOver)
            m_found(m_pieces[m_handedOver]);
    }

private:
    std::size_t container(const CompositeAttribute& container, int depth)
    {
        std::size_t nodes = 0;
        bool open = false;
        const unsigned int count = m_standIns.countIn(container);
        for (unsigned int i = 0; i < count; ++i)
        {
            // Each node and its members lie apart from the others, and this
            // walk reads only a little of each: it waited for one cache miss
            // after another. The nodes a few places ahead are asked for, and
            // then their members, which are found through the node. (In a
            // function of its own, the compiler dropped the requests.)
            if (i + s_nodeDistance < count)
            {
                const char* ahead = reinterpret_cast<const char*>(m_standIns.childOf(container, i + s_nodeDistance));
                __builtin_prefetch(ahead);
                __builtin_prefetch(ahead + 56); // its first fields, where the block starts mid-line
            }
            if (i + s_memberDistance < count)
            {
                const Attribute* near = m_standIns.childOf(container, i + s_memberDistance);
                const auto* composite = static_cast<const CompositeAttribute*>(near);
                if (near->isNode() && composite->getAttributeCount() > 0)
                {
                    const char* members = reinterpret_cast<const char*>(composite->getAttribute(0));
                    for (int line = 0; line < s_memberLines; ++line)
                        __builtin_prefetch(members + 64 * line);
                }
            }
            const Node* node = m_standIns.childOf(container, i)->asNode();
            if (!node)
                continue;
            // The open run stays last while the node is looked into: pieces
            // found below a node that is small enough to join it are dropped.
            const std::size_t before = m_pieces.size();
            const std::size_t below = 1 + members(*node, depth + 2);
            nodes += below;
            if (below > m_pieceNodes)
            {
                // Every node above is bigger still: no run planned so far can be dropped any more.
                open = false;
                handOver();
                continue;
            }
            m_pieces.resize(before);
            if (!open)
                m_pieces.push_back(SavePiece{&container, i, 0, depth + 1, 0});
            open = true;
            m_pieces.back().count = i - m_pieces.back().first + 1;
            m_pieces.back().nodes += below;
            open = m_pieces.back().nodes < m_pieceNodes;
            if (!open)
                handOver(); // as above: the node that holds the container is too big to be dropped
        }
        return nodes;
    }

    static constexpr unsigned int s_nodeDistance = 8;
    static constexpr unsigned int s_memberDistance = 4;
    static constexpr int s_memberLines = 4;

    std::size_t m_pieceNodes;
    std::vector<SavePiece>& m_pieces;
    const std::function<void(const SavePiece&)>& m_found;
    const StandIns& m_standIns;
    std::size_t m_handedOver = 0;
};

} // namespace

std::vector<SavePiece> planSavePieces(const Node& root, int rootDepth, std::size_t pieceNodes,
                                      const std::function<void(const SavePiece&)>& found, const StandIns& standIns)
{
    std::vector<SavePiece> pieces;
    Planner planner(pieceNodes, pieces, found, standIns);
    planner.members(root, rootDepth + 1);
    planner.handOver();
    return pieces;
}

} // namespace db::files
