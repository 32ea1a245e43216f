#pragma once

// Database paths of pointer targets, as the savers write them. A path names
// each node by its position among its siblings, so building one from scratch
// walks up the tree and along every level's siblings; a saved file holds a
// pointer per mesh, light and script. This builds each node's path once, from
// its parent's, and counts a parent's like-named children in one pass for all
// of them. The text is what `Attribute::toDatabasePath` gives, in UTF-8.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "OpenTable.h"

namespace db
{
class Attribute;
class CompositeAttribute;
class FileOutputStream;
class Node;
} // namespace db

namespace db::files
{

class SavePaths
{
public:
    /// Paths are relative to `savedRoot`, the top node of the file, where the
    /// target lies below it. With `topNodes`, as though copies of them
    /// (Node::makeCopies) were the saved database's top-level nodes: paths
    /// into them are relative to the file, named after their copies there;
    /// paths elsewhere are absolute.
    explicit SavePaths(const Attribute* savedRoot, const std::vector<const Node*>& topNodes = {});

    /// The path of `target` into `path` (UTF-8): relative to the saved root with
    /// `local` set when inside it, absolute otherwise. False for a null target, and for one outside the saved root that
    /// no database holds (a removed node).
    bool get(const Attribute* target, std::string& path, bool& local);

private:
    /// What is known of one node, in an open-addressed table keyed by the
    /// node: a file names most of its nodes, and a map with an allocation
    /// per entry, or entries apart from their keys, costs a cache miss more.
    struct Slot
    {
        const Node* node = nullptr;
        std::size_t pathStart = 0; ///< in m_pathText, where paths live end to end
        std::uint32_t pathLength = 0;
        bool pathKnown = false;
        bool childrenCounted = false;
    };

    void appendPath(std::string& out, const Attribute& attribute);
    /// get() for a save of top nodes that lie elsewhere.
    bool getAmongTopNodes(const Attribute& target, std::string& path, bool& local);
    /// The top node whose subtree holds `target` as a copy of it would, or null.
    const Node* topNodeAbove(const Attribute& target) const;
    /// Puts the path of a node into m_pathText, once; returns its slot.
    Slot& knowPath(const Node& node);
    /// The slot of `node`, made on first use. Valid until the next call.
    Slot& slotOf(const Node& node);
    void growTable();
    unsigned int occurrence(const Node& node, const Node& parent);
    /// Finds the children in m_children that have a like-named sibling before them, for m_repeats.
    void countRepeats();
    /// Up to this many children, a node's name is compared with its siblings' each time it is asked for.
    static constexpr std::size_t s_scanCount = 32;
    /// Appends the nodes below `composite` to m_children, in sibling order.
    void collectChildren(const CompositeAttribute& composite);

    const Attribute* m_savedRoot;
    /// The top nodes of a save of nodes that lie elsewhere, each with how
    /// many top nodes before it share its name.
    std::unordered_map<const Attribute*, std::uint32_t> m_topNodes;
    std::string m_rootPath;
    bool m_rootPathKnown = false;
    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
    std::string m_pathText;
    /// Children with a like-named sibling before them, and how many; the rest have none.
    std::unordered_map<const Node*, std::uint32_t> m_repeats;
    /// Scratch lists for counting one parent's children, kept to save allocations.
    std::vector<const Node*> m_children;
    std::vector<std::uint32_t> m_order;
    std::vector<std::uint64_t> m_hashes;
};

/// The pointer paths of one save, shared by the threads that write it.
class SharedPaths
{
public:
    /// See SavePaths.
    explicit SharedPaths(const Attribute* savedRoot, const std::vector<const Node*>& topNodes = {})
        : m_paths(savedRoot, topNodes)
    {
    }

    bool get(const Attribute* target, std::string& path, bool& local)
    {
        // Working out a path may put an attribute's stale position right, a
        // write: one thread at a time.
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_paths.get(target, path, local);
    }

private:
    SavePaths m_paths;
    std::mutex m_mutex;
};

/// Appends a name with the path separators \ / . [ ] escaped by a backslash, in UTF-8.
void appendPathName(std::string& out, const std::wstring& name);

/// How many nodes a save of `root` writes, the root included: the savers' measure of progress.
std::size_t nodesToSave(const Attribute& root);

/// True when `root` can be saved into `stream`: a database or node, and a stream
/// that opened; `error` says why not.
bool canSave(const Attribute* root, const FileOutputStream& stream, std::string& error);

/// Counts the nodes a saver writes and tells its progress callback every so often.
class SaveProgress
{
public:
    /// `progress` may be empty; then nothing is counted.
    SaveProgress(const std::function<bool(std::size_t, std::size_t)>& progress, const Attribute& root,
                 std::size_t scale)
        : SaveProgress(progress, progress ? nodesToSave(root) * scale : 0)
    {
    }
    /// For a save whose work is `total` units.
    SaveProgress(const std::function<bool(std::size_t, std::size_t)>& progress, std::size_t total)
        : m_progress(progress ? &progress : nullptr), m_total(progress ? total : 0)
    {
    }

    /// One more node; false when the callback asked to stop.
    bool node() { return !m_progress || (++m_done & 0xFF) != 0 || (*m_progress)(m_done, m_total); }
    /// `count` more nodes at once; false when the callback asked to stop.
    bool nodes(std::size_t count)
    {
        m_done += count;
        return !m_progress || (*m_progress)(m_done, m_total);
    }
    /// Tells where the work stands in other terms (the writing of a built file); false to stop.
    bool at(std::size_t done) { return !m_progress || (*m_progress)(done, m_total); }
    std::size_t nodes() const { return m_done; }
    std::size_t total() const { return m_total; }

private:
    const std::function<bool(std::size_t, std::size_t)>* m_progress;
    std::size_t m_total;
    std::size_t m_done = 0;
};

} // namespace db::files
