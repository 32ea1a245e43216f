#pragma once

#include <db/Export.h>
#include <db/MergeConflict.h>

#include <string>
#include <vector>

namespace db
{

class Database;

/// The conflict records a merge leaves in a document, kept by both file
/// formats as the root's dynamic string array "mergeConflicts" (one escaped
/// record per element; see docs/version-control.md). A document without
/// conflicts has no such attribute.
class DBUI_NODEDB_EXPORT MergeConflicts
{
public:
    /// Which version a conflict is resolved to.
    enum class Side
    {
        Base,
        Ours,
        Theirs,
    };

    /// The name of the root attribute that holds the records.
    static const std::wstring& attributeName();

    /// The records `database` carries, in order; empty when it has none.
    static std::vector<MergeConflict> read(const Database& database);
    /// Replaces the records as edits of the open change block; an empty list
    /// removes the attribute, leaving no trace.
    static void write(Database& database, const std::vector<MergeConflict>& conflicts);

    /// Resolves conflict `index` to `side` as one undo step ("Resolve conflict"):
    /// the document takes that side's version as the record tells it (a value,
    /// an array element, a name, a place, a removal) and the record goes. Keeping
    /// ours resolves any conflict. False, with `why` set and nothing changed,
    /// when it cannot be done: the record does not hold that version's contents
    /// (a node one side removed and the other changed), or the document no
    /// longer has room for it (the place it names is gone).
    static bool resolve(Database& database, std::size_t index, Side side, std::wstring& why);

    /// Whether resolve(database, index, side) would succeed, without editing;
    /// false with `why` saying what stands in the way.
    static bool canResolve(const Database& database, std::size_t index, Side side, std::wstring& why);
    /// One record as one line: "value /World/Cube.mass: base 1, ours 2, theirs 3".
    static std::wstring format(const MergeConflict& conflict);
};

} // namespace db
