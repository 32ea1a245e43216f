#pragma once

// Pieces of a save that helper threads can write apart: runs of sibling
// nodes of a container, each with everything below it. The saving thread
// writes the rest and, at each piece's place, what the helper wrote.

#include <db/CompositeAttribute.h>
#include <db/Node.h>

#include <cstddef>
#include <functional>
#include <vector>

namespace db::files
{

/// Nodes that a save writes in place of one container's own: the top-level
/// nodes of a database written from nodes that lie in another.
struct StandIns
{
    const CompositeAttribute* container = nullptr;
    const std::vector<const Node*>* nodes = nullptr;

    /// The children of `composite` that the save writes.
    unsigned int countIn(const CompositeAttribute& composite) const
    {
        return &composite == container ? static_cast<unsigned int>(nodes->size()) : composite.getAttributeCount();
    }
    const Attribute* childOf(const CompositeAttribute& composite, unsigned int index) const
    {
        return &composite == container ? (*nodes)[index] : composite.getAttribute(index);
    }
};

struct SavePiece
{
    const CompositeAttribute* container;
    unsigned int first; ///< index of the run's first node in the container
    unsigned int count;
    int depth;         ///< the writer's depth of the run's nodes
    std::size_t nodes; ///< nodes in the run, those below included
};

/// Runs of about `pieceNodes` nodes below `root`, in file order, where a
/// writer that writes `root` at `rootDepth` puts a node's members one deeper
/// than the node, and the elements of attribute arrays one deeper again.
/// Each run goes to `found` as soon as it can no longer change, so that
/// helpers start on the first runs while the rest of the tree is planned.
/// A run of `standIns` has their container and indices into their list.
std::vector<SavePiece> planSavePieces(const Node& root, int rootDepth, std::size_t pieceNodes,
                                      const std::function<void(const SavePiece&)>& found,
                                      const StandIns& standIns = {});

} // namespace db::files
