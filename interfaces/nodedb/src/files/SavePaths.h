#pragma once

// Database paths of pointer targets, as the savers write them. A path names
// each node by its position among its siblings, so building one from scratch
// walks up the tree and along every level's siblings; a saved file holds a
// pointer per mesh, light and script. This builds each node's path once, from
// its parent's, and counts a parent's like-named children in one pass for all
// of them. The text is what `Attribute::toDatabasePath` gives, in UTF-8.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace db {
class Attribute;
class CompositeAttribute;
class Node;
} // namespace db

namespace db::files {

class SavePaths
{
public:
    /// Paths are relative to `savedRoot`, the top node of the file, where the target lies below it.
    explicit SavePaths(const Attribute* savedRoot);

    /// The path of `target` into `path` (UTF-8): relative to the saved root with
    /// `local` set when inside it, absolute otherwise. False for a null target.
    bool get(const Attribute* target, std::string& path, bool& local);

private:
    static constexpr std::uint32_t s_unknown = ~std::uint32_t(0);

    /// What is known of one node; paths live end to end in `m_pathText`.
    struct NodeInfo
    {
        const Node* node = nullptr;
        std::uint32_t occurrence = s_unknown; ///< earlier children of its parent with its name
        std::size_t pathStart = 0;
        std::size_t pathLength = 0;
        bool pathKnown = false;
        bool childrenCounted = false;
    };

    void appendPath(std::string& out, const Attribute& attribute);
    /// Puts the path of a node into m_pathText, once; returns its info.
    std::uint32_t knowPath(const Node& node);
    /// The info of `node`, made on first use. Indices stay valid; references do not.
    std::uint32_t infoOf(const Node& node);
    unsigned int occurrence(std::uint32_t info, const Node& node, const Node& parent);
    /// Appends the nodes below `composite` to m_children, in sibling order.
    void collectChildren(const CompositeAttribute& composite);
    void growTable();

    const Attribute* m_savedRoot;
    std::string m_rootPath;
    bool m_rootPathKnown = false;
    std::vector<NodeInfo> m_infos;
    std::string m_pathText;
    /// Open-addressed map from node to its index in m_infos, plus one: a file
    /// names most of its nodes, and a node-per-entry map would cost an
    /// allocation for each.
    std::vector<std::uint32_t> m_table;
    /// Scratch lists for counting one parent's children, kept to save allocations.
    std::vector<const Node*> m_children;
    std::vector<std::uint32_t> m_order;
};

/// Appends a name with the path separators \ / . [ ] escaped by a backslash, in UTF-8.
void appendPathName(std::string& out, const std::wstring& name);

} // namespace db::files
