#pragma once

#include <db/Export.h>

#include <cstddef>
#include <string>
#include <vector>

namespace db
{

class Database;

/// What changed between two versions of a database, node by node in tree
/// order. A node keeps its identity when it is renamed or moved (see
/// docs/version-control.md), so such a node is reported as renamed or moved
/// and its values are compared with its own earlier values.
class DBUI_NODEDB_EXPORT DatabaseDiff
{
public:
    /// What happened to a node, or to one of its values.
    enum class Kind
    {
        Added,
        Removed,
        Renamed,
        Moved,
        Reordered,
        Retyped,
        Changed,
    };

    /// One change: the node's path (the attribute's, for Changed; the old
    /// path for Removed) and what became of it.
    struct Entry
    {
        Kind kind;           ///< what happened
        std::wstring path;   ///< the node's or attribute's path
        std::wstring detail; ///< "from \"Lamp\"", "1 → 2", "inserted 9", "(Light)"
    };

    /// Compares `older` with `newer`, replacing what an earlier call found.
    void compare(const Database& older, const Database& newer);

    /// The changes, in the newer version's tree order.
    const std::vector<Entry>& getEntries() const { return m_entries; }
    /// True when the two versions hold the same nodes and values.
    bool isEmpty() const { return m_entries.empty(); }
    /// How many changes of `kind` there are.
    std::size_t count(Kind kind) const;
    /// The counts in one line: "2 added, 1 removed, 0 renamed, ...".
    std::wstring getStat() const;
    /// One change as a line of text: "+ /World/Lamp (Light)", "~ /World/Cube.mass: 1 → 2".
    static std::wstring format(const Entry& entry);

private:
    std::vector<Entry> m_entries;
};

} // namespace db
