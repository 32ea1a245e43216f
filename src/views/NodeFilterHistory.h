#pragma once

#include <absl/container/flat_hash_set.h>

#include <string>
#include <vector>

namespace db
{
class ChangeSet;
class Node;
} // namespace db

namespace dbui
{

/// The nodes that each name text of the current run of typing found, kept
/// true to the database's changes, so that a backspace returns to a known
/// set instead of reading every name again. Only the texts the latest one
/// contains are kept: the run's shorter texts, a few sets at most.
class NodeFilterHistory
{
public:
    using NodeSet = absl::flat_hash_set<const db::Node*>;

    /// Forgets the texts `folded` (a text folded to lower case) does not contain.
    void keepTextsWithin(const std::wstring& folded);
    /// What `folded` found, if known; null otherwise.
    const NodeSet* find(const std::wstring& folded) const;
    /// An empty set for what `folded` finds, to be filled by the caller's filter pass.
    NodeSet& record(const std::wstring& folded);
    /// Brings every set up to date with added, removed and renamed nodes.
    void follow(const db::ChangeSet& changes);
    /// Forgets every text.
    void clear() { m_entries.clear(); }

private:
    struct Entry
    {
        std::wstring folded;
        NodeSet nodes;
    };
    std::vector<Entry> m_entries;
};

} // namespace dbui
