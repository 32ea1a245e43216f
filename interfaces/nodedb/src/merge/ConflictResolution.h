#pragma once

// How one version of a merge conflict is put back into the merged document.

#include <db/MergeConflict.h>
#include <db/MergeConflicts.h>

#include <string>

namespace db
{
class Database;

namespace detail
{

/// Whether `side`'s version of `conflict` can be put into `database` as its
/// record tells it; false with `why` saying what stands in the way.
bool canApply(const Database& database, const MergeConflict& conflict, MergeConflicts::Side side, std::wstring& why);

/// Puts `side`'s version of `conflict` into `database` as edits of the open
/// change block. False, with `why` set, when it cannot; then nothing was edited.
bool apply(Database& database, const MergeConflict& conflict, MergeConflicts::Side side, std::wstring& why);

} // namespace detail
} // namespace db
