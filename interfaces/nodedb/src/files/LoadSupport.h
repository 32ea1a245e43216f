#pragma once

// What the XML and binary loaders share: the detached tree a file is read
// into, the pointer paths waiting to be resolved, and the final step that
// attaches the tree to its target in one undoable step.

#include <db/Attribute.h>
#include <db/LoadError.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace db
{
class Node;
class NodeDef;
class ReferenceResolver;
class TypeRegistry;
} // namespace db

namespace db::files
{

/// Hostile-input limits shared by both formats.
constexpr int s_maxDepth = 256;
constexpr std::size_t s_maxStringBytes = std::size_t(256) << 20;

enum class FileKind
{
    Database, ///< the whole database was saved: its root node is the file's top node
    Subtree,  ///< one node with everything below it
};

/// A pointer read from the file, resolved once the whole file is read.
struct PendingPointer
{
    Attribute* attribute = nullptr; ///< a pointer or pointer array attribute in the detached tree
    int index = -1;                 ///< element of a pointer array; -1 for a single pointer
    std::uint32_t path = 0;         ///< its id in the table of paths (BuiltPart::paths)
    bool local = false;             ///< relative to the file's top node, else absolute in the target
    std::size_t line = 0;
    std::size_t offset = 0;
};

/// The distinct pointer paths of a load. A file names the same targets over
/// and over (a scene's thousands of objects share a few hundred materials):
/// each text is converted, and later resolved, once. The readers of a load's
/// parts share one table.
class PathTable
{
public:
    /// Gives the id of the path spelt by these bytes; false when they are not
    /// UTF-8. Safe to call from several threads at once.
    bool intern(const char* bytes, std::size_t size, std::uint32_t& id);
    /// intern for `count` spellings at once, writing their ids to `ids`: the
    /// place of the first that is not UTF-8, or `count`. The table is locked
    /// once, and the places of the spellings a few ahead are fetched while
    /// the ones before are looked up, instead of each being waited for.
    std::size_t internAll(const std::string_view* spellings, std::size_t count, std::uint32_t* ids);
    /// The path as text; where its bytes are not UTF-8, what came before the
    /// fault. Valid for ids given so far, once no thread is interning.
    std::wstring_view text(std::uint32_t id) const
    {
        const std::size_t end = id + 1 < m_textBegins.size() ? m_textBegins[id + 1] : m_texts.size();
        return std::wstring_view(m_texts).substr(m_textBegins[id], end - m_textBegins[id]);
    }
    /// The bytes that spelt it; they sort as its text does.
    std::string_view spelling(std::uint32_t id) const
    {
        return std::string_view(m_spellings).substr(m_begins[id], m_sizes[id]);
    }
    std::size_t size() const { return m_textBegins.size(); }

private:
    /// A place of the open hash table: a spelling's hash, where it is in
    /// m_spellings, and its id + 1 (0 when the place is free).
    struct Slot
    {
        std::size_t hash = 0;
        std::size_t begin = 0;
        std::uint32_t size = 0;
        std::uint32_t id = 0;
    };

    /// The id of that spelling, added now if it is new; the table is locked.
    std::uint32_t idOf(std::string_view spelling, std::size_t hash);
    /// The slot of that spelling, or the free slot where it goes.
    Slot& find(std::string_view spelling, std::size_t hash);
    /// Notes a new spelling, whose text was appended to m_texts from `textBegin` on.
    std::uint32_t add(std::string_view spelling, std::size_t hash, std::size_t textBegin, bool utf8);

    std::mutex m_mutex;
    std::vector<Slot> m_slots = std::vector<Slot>(64); ///< a power of two of them, at most half in use
    std::string m_spellings;                           ///< every spelling, one after the other
    /// Every text, one after the other: a load's ten thousand paths take a
    /// few allocations, not one each to make and, on the loading thread at
    /// the end, one each to free.
    std::wstring m_texts;
    std::vector<std::size_t> m_textBegins;
    std::vector<bool> m_utf8;
    /// Where each id's spelling is in m_spellings.
    std::vector<std::size_t> m_begins;
    std::vector<std::uint32_t> m_sizes;
};

/// What a reader learns while it builds (a whole tree, or a unit of one):
/// the pointers to resolve, and what attaching the nodes must know of them,
/// gathered while they are at hand instead of by walking the tree again.
struct BuiltPart
{
    std::vector<PendingPointer> pointers;
    /// Where the paths of `pointers` are; made on the first pointer unless shared before.
    std::shared_ptr<PathTable> paths;
    /// Every node built, parents first: the order in which attaching reports them.
    std::vector<Node*> nodes;
    /// Their attributes as the database counts them (nodes are not attributes).
    std::size_t attributes = 0;
    /// The paths of the last pointers, noted and not looked up yet.
    std::vector<std::string_view> notedPaths;

    /// The table of this part's paths, made now if there is none: given to
    /// the parts that other threads build, before they start, they share it.
    const std::shared_ptr<PathTable>& pathTable();
    /// Notes a pointer read with the path spelt by these bytes; false when they are not UTF-8.
    bool pointerRead(Attribute& attribute, int index, bool local, const char* path, std::size_t size,
                     std::size_t offset);
    /// pointerRead whose path is looked up later, with the others noted after
    /// it (internNoted): the bytes must stay where they are until then.
    void pointerNoted(Attribute& attribute, int index, bool local, const char* path, std::size_t size,
                      std::size_t offset);
    /// Gives the pointers noted since the last call their paths; false when
    /// one is not UTF-8, whose offset goes to `bad`.
    bool internNoted(std::size_t& bad);
    /// Notes a node as it is created, before anything below it; gives its place in `nodes`.
    std::size_t started(Node& node)
    {
        nodes.push_back(&node);
        return nodes.size() - 1;
    }
    /// Notes a node whose members have all been read; `at` is what `started` gave.
    void finished(Node& node, std::size_t at);
    /// Takes over what `other` built, placed after what this part built so far.
    /// Both share one table of paths, or `other` has no pointers.
    void append(BuiltPart& other);
};

struct DetachedTree
{
    FileKind kind = FileKind::Subtree;
    std::unique_ptr<Node> root;
    BuiltPart built;
};

/// A unit built apart: its top nodes, in file order, and what was built with them.
struct BuiltUnit
{
    BuiltUnit() = default;
    /// Frees the nodes the skeleton did not take.
    ~BuiltUnit() { discard(); }
    BuiltUnit(const BuiltUnit&) = delete;
    BuiltUnit& operator=(const BuiltUnit&) = delete;

    /// Frees the nodes and forgets what was built with them, keeping the
    /// table of paths: the unit is then as it was before it was built.
    void discard();
    /// Notes a top node as it is built, while it is at hand.
    void add(Node& node);
    /// Starts fetching the lists that taking the unit reads.
    void prefetch() const
    {
        __builtin_prefetch(nodes.data());
        __builtin_prefetch(types.data());
        __builtin_prefetch(built.pointers.data());
        __builtin_prefetch(built.nodes.data());
    }

    bool ok = false;
    std::vector<Node*> nodes;
    /// The node types among `nodes`, each once; null for a node that no
    /// container takes. A container checks these, not every node.
    std::vector<const NodeDef*> types;
    BuiltPart built;
};

/// Hands the skeleton's reader the units in file order, each once it is built.
class UnitSource
{
public:
    virtual ~UnitSource() = default;
    /// The next unit; null when there is none left.
    virtual BuiltUnit* nextUnit() = 0;
};

/// The registry whose types a load into `target` uses.
TypeRegistry& registryFor(Attribute* target, TypeRegistry* fallback);

/// Checks that `target` can take what the file holds; fills `error.what` when it cannot.
bool canAttach(const DetachedTree& tree, Attribute* target, std::string& why);

/// Resolves the pointers, then attaches the tree to `target`. Everything that
/// can fail is checked before the target is touched.
bool attachLoaded(DetachedTree& tree, Attribute* target, ReferenceResolver* resolver, LoadError& error);

/// Counts the lines before `offset` in a buffer, for XML messages.
std::size_t lineOf(const char* data, std::size_t size, std::size_t offset);

} // namespace db::files
