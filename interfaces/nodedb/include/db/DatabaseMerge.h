#pragma once

#include <db/Export.h>
#include <db/MergeConflict.h>

#include <cstddef>
#include <string>
#include <vector>

namespace db
{

class Database;

/// A three-way merge of two versions of a database that both started from a
/// common base: of node structure (adds, removes, renames, moves), sibling
/// order, values (per member, per array element) and pointers, which follow
/// their targets. Where both sides changed one thing differently the result
/// keeps our side's version and records a conflict (see
/// docs/version-control.md for what conflicts).
class DBUI_NODEDB_EXPORT DatabaseMerge
{
public:
    /// What the merge took from their side on its own.
    struct Summary
    {
        std::size_t values = 0;    ///< values and arrays set from theirs, dynamic attributes added or removed
        std::size_t added = 0;     ///< nodes they added
        std::size_t removed = 0;   ///< subtrees they removed
        std::size_t renamed = 0;   ///< nodes they renamed
        std::size_t moved = 0;     ///< nodes they moved to another parent
        std::size_t reordered = 0; ///< containers whose order they changed
    };

    /// Turns `ours` into the merged document: applies what `theirs` changed
    /// since `base`, adds the conflict records to those it holds (see
    /// MergeConflicts) and forgets its undo history. The three must share one
    /// type registry. True when the merge is clean.
    bool merge(const Database& base, Database& ours, const Database& theirs);

    /// The conflicts of the last merge, in tree order of their side.
    const std::vector<MergeConflict>& getConflicts() const { return m_conflicts; }
    /// What the last merge took from their side without conflict.
    const Summary& getSummary() const { return m_summary; }
    /// The summary in one line: "from theirs: 3 values, 1 added, ...".
    std::wstring getSummaryText() const;

private:
    std::vector<MergeConflict> m_conflicts;
    Summary m_summary;
};

} // namespace db
