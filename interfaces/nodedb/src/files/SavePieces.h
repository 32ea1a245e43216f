#pragma once

// Pieces of a save that helper threads can write apart: runs of sibling
// nodes of a container, each with everything below it. The saving thread
// writes the rest and, at each piece's place, what the helper wrote.

#include <cstddef>
#include <functional>
#include <vector>

namespace db {
class CompositeAttribute;
class Node;
} // namespace db

namespace db::files {

struct SavePiece
{
    const CompositeAttribute* container;
    unsigned int first; ///< index of the run's first node in the container
    unsigned int count;
    int depth;          ///< the writer's depth of the run's nodes
    std::size_t nodes;  ///< nodes in the run, those below included
};

/// Runs of about `pieceNodes` nodes below `root`, in file order, where a
/// writer that writes `root` at `rootDepth` puts a node's members one deeper
/// than the node, and the elements of attribute arrays one deeper again.
/// Each run goes to `found` as soon as it can no longer change, so that
/// helpers start on the first runs while the rest of the tree is planned.
std::vector<SavePiece> planSavePieces(const Node& root, int rootDepth, std::size_t pieceNodes,
                                      const std::function<void(const SavePiece&)>& found);

} // namespace db::files
