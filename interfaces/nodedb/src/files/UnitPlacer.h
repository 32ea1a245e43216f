#pragma once

// Puts the top nodes of built units into the containers of the detached tree
// that holds their places (the skeleton of an XML file).

#include "UnitBuilder.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace db
{
class CompositeAttribute;
class NodeContainer;
} // namespace db

namespace db::files
{

/// Each container's list of children grows at once, on the reading thread;
/// the nodes themselves learn their parent and index on the workers, a run
/// of units at a time, once the workers have no units left to build. The
/// nodes were built on other processors, a while before: fetching each of
/// them to the reading thread costs it about as much as reading everything
/// around the units. Until settle(), nothing may read a placed node's parent
/// or index, nor free a placed node.
class UnitPlacer
{
public:
    /// The nodes learn their places on `helpers`.
    explicit UnitPlacer(Helpers& helpers) : m_helpers(helpers) {}
    ~UnitPlacer() { settle(); }
    UnitPlacer(const UnitPlacer&) = delete;
    UnitPlacer& operator=(const UnitPlacer&) = delete;

    /// Appends the top nodes of `unit` to `container`, taking them from the
    /// unit; false, and nothing done, when the container takes not all of them.
    bool place(NodeContainer& container, BuiltUnit& unit);
    /// Returns once every node placed knows its place.
    void settle() noexcept;

private:
    /// Units placed one after the other, their nodes in one list.
    struct Run
    {
        struct Piece
        {
            CompositeAttribute* container;
            std::size_t first; ///< the first node's index in the container
            std::size_t count;
        };
        std::vector<Piece> pieces;
        std::vector<Node*> nodes;
    };

    static void tell(Run& run);

    Helpers& m_helpers;
    std::unique_ptr<Run> m_open;
};

} // namespace db::files
