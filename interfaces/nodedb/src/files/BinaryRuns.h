#pragma once

// Runs of small sibling node records of a binary file, found by their record
// headers alone and built on all processors while the loading thread reads
// the rest of the tree around them, taking the runs' nodes in file order.

#include "ByteIO.h"
#include "LoadSupport.h"
#include "UnitBuilder.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <vector>

namespace db::files
{

/// Where a run of sibling node records lies in the file, and at what depth
/// its nodes are read.
struct RunPlace
{
    std::size_t offset;
    std::size_t bytes;
    int depth;
};

/// Few node records take less: the lists of the nodes built are reserved from
/// the bytes they are built from, instead of growing all the way.
constexpr std::size_t s_binaryNodeBytes = 128;

/// The runs below the payload of a node record read at `depth`, in file
/// order, into `places`; false on anything malformed.
bool findRuns(ByteReader nodePayload, int depth, std::vector<RunPlace>& places);

/// Runs built together on one thread.
struct BinaryBatch
{
    std::size_t first = 0;       ///< index of its first run
    std::deque<BuiltUnit> units; ///< its runs, as built
    std::size_t bytes = 0;
};

/// Builds the runs of a checked body on all processors and hands them to the
/// reader of the rest in file order.
class ParallelRuns
{
public:
    /// `build` builds the runs of a batch in order, and stops at one that fails.
    ParallelRuns(const std::vector<RunPlace>& places, std::function<void(BinaryBatch&)> build);
    ~ParallelRuns();

    /// Builds runs on this thread too, telling `built` the bytes done; false when it said stop.
    bool help(const std::function<bool(std::size_t)>& built);

    /// The runs, in file order.
    UnitSource& units() { return m_units; }

private:
    UnitBuilder<BinaryBatch> m_builder;
    BatchedUnits<BinaryBatch> m_units;
};

} // namespace db::files
