#pragma once

// Sequences of three versions: which elements moved, and merging two sides'
// changes of one sequence.

#include <cstddef>
#include <string>
#include <vector>

namespace db::detail
{

/// An element of a merged sequence: taken from our side or from theirs.
struct Pick
{
    bool theirs;
    std::size_t index;
};

/// Positions in `sequence` that are not in one of its longest increasing runs:
/// the fewest elements whose moving explains the order.
std::vector<bool> outOfOrder(const std::vector<int>& sequence);

/// Sequences merged as diff3 does for one change per side: each side's change
/// is what lies between the part it kept at the start and at the end. Changes
/// that do not overlap both apply; insertions at one place both go in, in an
/// order that does not depend on which side is which. False when the changes
/// overlap otherwise.
bool mergeSequence(const std::vector<std::wstring>& base, const std::vector<std::wstring>& ours,
                   const std::vector<std::wstring>& theirs, std::vector<Pick>& picks);

} // namespace db::detail
