#include "LoadSupport.h"

#include <db/ChangeBlock.h>
#include <db/CompositeAttribute.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeContainerDef.h>
#include <db/NodeDef.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/ReferenceResolver.h>
#include <db/TypeRegistry.h>

#include "../AttributeTypes.h"
#include "Editor.h"
#include "OpenTable.h"
#include "UnitBuilder.h"
#include "Utf8.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace db::files
{

namespace
{

/// The first container of `node` that takes nodes of type `def`.
NodeContainer* containerFor(const Node& node, const NodeDef& def)
{
    for (unsigned int i = 0; i < node.getAttributeCount(); ++i)
    {
        NodeContainer* container = node.getAttribute(i)->asNodeContainer();
        if (container && container->getContainerDef().accepts(def))
            return container;
    }
    return nullptr;
}

/// The top-level nodes of a detached tree, in file order.
std::vector<Node*> topNodes(const DetachedTree& tree)
{
    if (tree.kind == FileKind::Subtree)
        return {tree.root.get()};
    std::vector<Node*> nodes;
    for (unsigned int i = 0; i < tree.root->getAttributeCount(); ++i)
        if (NodeContainer* container = tree.root->getAttribute(i)->asNodeContainer())
            for (unsigned int k = 0; k < container->getNodeCount(); ++k)
                nodes.push_back(container->getNode(k));
    return nodes;
}

bool isEmptyDatabase(Database& database)
{
    return database.getRootContainer().getNodeCount() == 0 && database.getDynamicAttributeCount() == 0;
}

/// Where each top-level node goes; null entries when the target cannot take it.
std::vector<NodeContainer*> destinations(const DetachedTree& tree, Attribute* target)
{
    std::vector<NodeContainer*> result;
    for (Node* node : topNodes(tree))
    {
        NodeContainer* destination = nullptr;
        if (NodeContainer* container = target->asNodeContainer())
            destination = container->getContainerDef().accepts(node->getNodeDef()) ? container : nullptr;
        else if (Node* targetNode = target->asNode())
            destination = containerFor(*targetNode, node->getNodeDef());
        result.push_back(destination);
    }
    return result;
}

/// True when a database file is to replace the contents of `target` exactly.
bool restoresExactly(const DetachedTree& tree, Attribute* target)
{
    Database* database = target->asDatabase();
    return tree.kind == FileKind::Database && database && &database->getNodeDef() == &tree.root->getNodeDef() &&
           isEmptyDatabase(*database);
}

} // namespace

void BuiltUnit::discard()
{
    for (Node* node : nodes)
        delete node;
    nodes.clear();
    types.clear();
    std::shared_ptr<PathTable> paths = std::move(built.paths);
    built = BuiltPart();
    built.paths = std::move(paths);
}

void BuiltUnit::add(Node& node)
{
    nodes.push_back(&node);
    const NodeDef* type = node.asDatabase() ? nullptr : &node.getNodeDef();
    if (std::find(types.begin(), types.end(), type) == types.end())
        types.push_back(type);
}

bool PathTable::intern(const char* bytes, std::size_t size, std::uint32_t& id)
{
    const std::string_view spelt(bytes, size);
    const std::size_t hash = std::hash<std::string_view>()(spelt);
    const std::lock_guard<std::mutex> lock(m_mutex);
    id = idOf(spelt, hash);
    return m_utf8[id];
}

std::size_t PathTable::internAll(const std::string_view* spellings, std::size_t count, std::uint32_t* ids)
{
    std::vector<std::size_t> hashes(count);
    for (std::size_t i = 0; i < count; ++i)
        hashes[i] = std::hash<std::string_view>()(spellings[i]);
    const std::lock_guard<std::mutex> lock(m_mutex);
    // In two steps a few apart: a spelling's first place, then its bytes.
    constexpr std::size_t ahead = 4;
    std::size_t firstBad = count;
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::size_t mask = m_slots.size() - 1;
        if (i + 2 * ahead < count)
            __builtin_prefetch(&m_slots[hashes[i + 2 * ahead] & mask]);
        if (i + ahead < count)
            if (const Slot& next = m_slots[hashes[i + ahead] & mask]; next.id != 0)
                __builtin_prefetch(m_spellings.data() + next.begin);
        ids[i] = idOf(spellings[i], hashes[i]);
        if (!m_utf8[ids[i]] && firstBad == count)
            firstBad = i;
    }
    return firstBad;
}

std::uint32_t PathTable::idOf(std::string_view spelt, std::size_t hash)
{
    if (const Slot& slot = find(spelt, hash); slot.id != 0)
        return slot.id - 1;
    const std::size_t textBegin = m_texts.size();
    const bool utf8 = fromUtf8(spelt.data(), spelt.size(), m_texts);
    return add(spelt, hash, textBegin, utf8);
}

PathTable::Slot& PathTable::find(std::string_view spelt, std::size_t hash)
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask)
    {
        Slot& slot = m_slots[i];
        if (slot.id == 0 || (slot.hash == hash && slot.size == spelt.size() &&
                             std::memcmp(m_spellings.data() + slot.begin, spelt.data(), spelt.size()) == 0))
            return slot;
    }
}

std::uint32_t PathTable::add(std::string_view spelt, std::size_t hash, std::size_t textBegin, bool utf8)
{
    const auto id = static_cast<std::uint32_t>(m_textBegins.size());
    if (2 * (id + 1) > m_slots.size())
        m_slots = regrown(
            m_slots, 2 * m_slots.size(), [](const Slot& slot) { return slot.id != 0; },
            [](const Slot& slot) { return slot.hash; });
    find(spelt, hash) = Slot{hash, m_spellings.size(), static_cast<std::uint32_t>(spelt.size()), id + 1};
    m_begins.push_back(m_spellings.size());
    m_sizes.push_back(static_cast<std::uint32_t>(spelt.size()));
    m_spellings.append(spelt);
    m_textBegins.push_back(textBegin);
    m_utf8.push_back(utf8);
    return id;
}

const std::shared_ptr<PathTable>& BuiltPart::pathTable()
{
    if (!paths)
        paths = std::make_shared<PathTable>();
    return paths;
}

bool BuiltPart::pointerRead(Attribute& attribute, int index, bool local, const char* path, std::size_t size,
                            std::size_t offset)
{
    std::uint32_t id = 0;
    const bool utf8 = pathTable()->intern(path, size, id);
    pointers.push_back(PendingPointer{&attribute, index, id, local, 0, offset});
    return utf8;
}

void BuiltPart::pointerNoted(Attribute& attribute, int index, bool local, const char* path, std::size_t size,
                             std::size_t offset)
{
    pointers.push_back(PendingPointer{&attribute, index, 0, local, 0, offset});
    notedPaths.emplace_back(path, size);
}

bool BuiltPart::internNoted(std::size_t& bad)
{
    if (notedPaths.empty())
        return true;
    const std::size_t first = pointers.size() - notedPaths.size();
    std::vector<std::uint32_t> ids(notedPaths.size());
    const std::size_t firstBad = pathTable()->internAll(notedPaths.data(), notedPaths.size(), ids.data());
    for (std::size_t i = 0; i < ids.size(); ++i)
        pointers[first + i].path = ids[i];
    notedPaths.clear();
    if (firstBad == ids.size())
        return true;
    bad = pointers[first + firstBad].offset;
    return false;
}

void BuiltPart::finished(Node& node, std::size_t at)
{
    attributes += detail::Editor::countOwnAttributes(node);
    // The nodes of one container arrive in its order, but a file may give a
    // node's containers in any order: attaching reports them in attribute
    // order, so the nodes below such a node are listed again in that order.
    const auto& holding = node.getNodeDef().getNodeHoldingMembers();
    if (holding.size() > 1 || (holding.size() == 1 && !node.getAttribute(holding[0])->isNodeContainer()))
    {
        nodes.resize(at);
        detail::Editor::collectNodes(node, nodes);
    }
}

void BuiltPart::append(BuiltPart& other)
{
    if (!paths)
        paths = std::move(other.paths);
    other.paths.reset();
    if (pointers.empty() && pointers.capacity() < other.pointers.size()) // else kept: room reserved
        pointers.swap(other.pointers);
    else
        pointers.insert(pointers.end(), other.pointers.begin(), other.pointers.end());
    other.pointers.clear();
    nodes.insert(nodes.end(), other.nodes.begin(), other.nodes.end());
    other.nodes.clear();
    attributes += other.attributes;
    other.attributes = 0;
}

TypeRegistry& registryFor(Attribute* target, TypeRegistry* fallback)
{
    if (target)
        if (Database* database = target->getRoot()->asDatabase())
            return database->getTypeRegistry();
    return fallback ? *fallback : TypeRegistry::getDefault();
}

bool canAttach(const DetachedTree& tree, Attribute* target, std::string& why)
{
    if (!target)
    {
        why = "nothing to load into";
        return false;
    }
    if (!target->asNode() && !target->asNodeContainer())
    {
        why = std::string("cannot load into a ") +
              (detail::xmlNameOf(target->getAttributeType()) ? detail::xmlNameOf(target->getAttributeType()) : "?") +
              " attribute";
        return false;
    }
    if (restoresExactly(tree, target))
        return true;
    auto nodes = topNodes(tree);
    auto places = destinations(tree, target);
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (!places[i])
        {
            why = "the target takes no node of type \"" + toUtf8(nodes[i]->getClassID()) + "\"";
            return false;
        }
    return true;
}

namespace
{

/// Resolves the paths of a file's local pointers inside its detached tree. Most
/// are plain node paths ("Library/Steel_12"); their children are looked up by
/// name through an index built once per parent, where the general path reader
/// scans the siblings for every path. Anything else takes the general reader.
class LocalPaths
{
public:
    explicit LocalPaths(Node& root) : m_root(root) {}

    Attribute* resolve(std::wstring_view path)
    {
        if (path.empty())
            return &m_root;
        Attribute* found = resolveFast(path);
        if (!found)
            // Paths written from the top ("/[0]/Eye") resolve from the root as well.
            found = m_root.attributeFromDatabasePath(std::wstring(path), path[0] == L'/');
        return found;
    }

private:
    /// A place of a parent's index: the first child of a name, and the name's hash.
    struct Slot
    {
        std::size_t hash = 0;
        Node* node = nullptr;
    };
    /// Open-addressed, a power of two of slots, at most half in use: indexing
    /// the hundred thousand children of the parents that paths go through
    /// allocates once per parent, not once per child.
    using Index = std::vector<Slot>;

    static std::size_t hashOf(std::wstring_view name) { return std::hash<std::wstring_view>()(name); }

    static Index indexOf(const Node& parent)
    {
        const std::vector<Node*> children = parent.getChildNodes();
        std::size_t size = 2;
        while (size < 2 * children.size())
            size *= 2;
        Index index(size);
        const std::size_t mask = size - 1;
        // The children lie all over the heap, each with its name apart from
        // it: waiting for them one after the other would cost most of the
        // time. The nodes are fetched well ahead, their names a little ahead.
        constexpr std::size_t distance = 8;
        for (std::size_t k = 0; k < children.size(); ++k)
        {
            if (k + 2 * distance < children.size())
                __builtin_prefetch(children[k + 2 * distance]);
            if (k + distance < children.size())
                __builtin_prefetch(children[k + distance]->getName().data());
            Node* node = children[k];
            const std::wstring& name = node->getName();
            const std::size_t hash = hashOf(name);
            for (std::size_t i = hash & mask;; i = (i + 1) & mask)
            {
                Slot& slot = index[i];
                if (!slot.node)
                {
                    slot = Slot{hash, node};
                    break;
                }
                if (slot.hash == hash && slot.node->getName() == name)
                    break; // the first of a name wins, as in paths
            }
        }
        return index;
    }

    Node* child(Node& parent, std::wstring_view name)
    {
        auto it = m_indexes.find(&parent);
        if (it == m_indexes.end())
            it = m_indexes.emplace(&parent, indexOf(parent)).first;
        const Index& index = it->second;
        const std::size_t hash = hashOf(name);
        const std::size_t mask = index.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask)
        {
            const Slot& slot = index[i];
            if (!slot.node)
                return nullptr;
            if (slot.hash == hash && slot.node->getName() == name)
                return slot.node;
        }
    }

    /// Null when the path is not a plain one (escapes, occurrences, empty steps) or names nothing.
    Attribute* resolveFast(std::wstring_view path)
    {
        // One pass for the end of the node part and the characters that make
        // a path other than plain: a search for each would walk it again, and
        // one for any of several characters costs a call per character.
        std::size_t end = 0;
        for (; end < path.size() && path[end] != L'.'; ++end)
            if (path[end] == L'\\' || path[end] == L'[' || path[end] == L']')
                return nullptr;
        const std::wstring_view nodes(path.data(), end);
        Node* current = &m_root;
        std::size_t pos = nodes.empty() || nodes[0] != L'/' ? 0 : 1;
        resume(nodes, current, pos);
        while (pos < nodes.size())
        {
            std::size_t slash = nodes.find(L'/', pos);
            if (slash == std::wstring_view::npos)
                slash = nodes.size();
            if (slash == pos)
                return forget();
            current = child(*current, nodes.substr(pos, slash - pos));
            if (!current)
                return forget();
            m_steps.emplace_back(slash, current);
            pos = slash + 1;
            if (pos == nodes.size())
                return forget(); // a trailing "/"
        }
        m_previous.assign(nodes);
        if (end == path.size())
            return current;
        return current->attributeFromDatabasePath(std::wstring(path.substr(end)), false);
    }

    /// Paths come sorted, and neighbours share most of their steps: the steps
    /// that `nodes` shares with the path before are taken from there.
    void resume(std::wstring_view nodes, Node*& current, std::size_t& pos)
    {
        const std::size_t shared =
            std::mismatch(nodes.begin(), nodes.end(), m_previous.begin(), m_previous.end()).first - nodes.begin();
        // A step is taken over where this path's step ends at the same place;
        // not one before a trailing "/", which the path reader refuses.
        std::size_t kept = 0;
        while (kept < m_steps.size() && m_steps[kept].first <= shared &&
               (m_steps[kept].first == nodes.size() ||
                (nodes[m_steps[kept].first] == L'/' && m_steps[kept].first + 1 < nodes.size())))
            ++kept;
        m_steps.resize(kept);
        if (kept > 0)
        {
            current = m_steps.back().second;
            pos = m_steps.back().first + 1;
        }
    }

    Attribute* forget()
    {
        m_previous.clear();
        m_steps.clear();
        return nullptr;
    }

    Node& m_root;
    std::unordered_map<const Node*, Index> m_indexes;
    /// The node part of the last plain path resolved, and where each of its steps ends with the node it names.
    std::wstring m_previous;
    std::vector<std::pair<std::size_t, Node*>> m_steps;
};

/// What the absolute paths of pointers name in the target, once per path: a
/// pasted group's thousands of pointers into a library of thousands of
/// materials would otherwise scan the library's children for each.
class AbsolutePaths
{
public:
    AbsolutePaths(Attribute& root, std::size_t pathCount) : m_root(root), m_found(pathCount), m_known(pathCount) {}

    Attribute* resolve(std::uint32_t id, std::wstring_view path)
    {
        if (!m_known[id])
        {
            m_found[id] = find(path);
            m_known[id] = true;
        }
        return m_found[id];
    }

private:
    Attribute* find(std::wstring_view path)
    {
        Node* node = m_root.asNode();
        if (!node)
            return m_root.attributeFromDatabasePath(std::wstring(path), true);
        if (!m_paths)
            m_paths = std::make_unique<LocalPaths>(*node);
        return m_paths->resolve(path);
    }

    Attribute& m_root;
    std::unique_ptr<LocalPaths> m_paths;
    std::vector<Attribute*> m_found;
    std::vector<bool> m_known;
};

/// Local paths resolved together on one thread.
struct PathBatch
{
    std::vector<std::uint32_t> ids;
    bool done = false;
};

/// Below this many distinct local paths a file's pointers are resolved on the loading thread alone.
constexpr std::size_t s_parallelPaths = 256;
/// Pieces of the sorted paths for each thread that resolves them.
constexpr std::size_t s_piecesPerThread = 8;

/// What each local path of `pointers` names in the tree below `root`, by path
/// id (null for paths that name nothing, or that only absolute pointers use).
/// Paths are shared out in sorted order, in pieces much smaller than a
/// thread's share: the threads stay busy alike however the work lies in the
/// tree (a few thousand paths to one library beside a few thousand deep into
/// a scene), and each indexes the nodes on its way once, for all its pieces.
std::vector<Attribute*> resolveLocal(Node& root, const PathTable& paths, const std::vector<PendingPointer>& pointers)
{
    std::vector<Attribute*> resolved(paths.size(), nullptr);
    std::vector<bool> used(paths.size(), false);
    std::vector<std::uint32_t> ids;
    for (const PendingPointer& pending : pointers)
        if (pending.local && !used[pending.path])
        {
            used[pending.path] = true;
            ids.push_back(pending.path);
        }
    std::mutex idleMutex;
    std::vector<std::unique_ptr<LocalPaths>> idle;
    auto resolveAll = [&](const std::vector<std::uint32_t>& some)
    {
        std::unique_ptr<LocalPaths> local;
        {
            const std::lock_guard<std::mutex> lock(idleMutex);
            if (!idle.empty())
            {
                local = std::move(idle.back());
                idle.pop_back();
            }
        }
        if (!local)
            local = std::make_unique<LocalPaths>(root);
        for (std::uint32_t id : some)
            resolved[id] = local->resolve(paths.text(id));
        const std::lock_guard<std::mutex> lock(idleMutex);
        idle.push_back(std::move(local));
    };
    if (ids.size() < s_parallelPaths || loadWorkerCount() == 0)
    {
        resolveAll(ids);
        return resolved;
    }
    // UTF-8 sorts as the code points it spells, with a quarter of the bytes to compare.
    std::sort(ids.begin(), ids.end(),
              [&](std::uint32_t a, std::uint32_t b) { return paths.spelling(a) < paths.spelling(b); });
    const unsigned int workers = loadWorkerCount();
    UnitBuilder<PathBatch> builder(
        [&](PathBatch& batch)
        {
            resolveAll(batch.ids);
            batch.done = true;
        },
        workers);
    const std::size_t pieces = s_piecesPerThread * (workers + 1);
    for (std::size_t k = 0; k < pieces; ++k)
    {
        auto batch = std::make_unique<PathBatch>();
        batch->ids.assign(ids.begin() + static_cast<std::ptrdiff_t>(ids.size() * k / pieces),
                          ids.begin() + static_cast<std::ptrdiff_t>(ids.size() * (k + 1) / pieces));
        builder.add(std::move(batch));
    }
    for (std::size_t k = 0; k < pieces; ++k)
    {
        PathBatch& batch = builder.take(k);
        if (!batch.done) // out of memory on the way: once more, here
            resolveAll(batch.ids);
    }
    return resolved;
}

/// The top node and everything it owns itself, not the nodes in its containers:
/// a handful of attributes, asked about for every pointer of a file.
void collectHeld(const Attribute& attribute, std::vector<const Attribute*>& out)
{
    out.push_back(&attribute);
    if (attribute.isNodeContainer())
        return;
    if (const CompositeAttribute* composite = attribute.asCompositeAttribute())
        for (unsigned int i = 0; i < composite->getAttributeCount(); ++i)
            collectHeld(*composite->getAttribute(i), out);
}

void setPointer(Attribute& owner, int index, Attribute* value)
{
    if (PointerAttribute* pointer = owner.asPointerAttribute())
        pointer->setValue(value);
    else if (PointerArrayAttribute* array = owner.asPointerArrayAttribute())
        array->setElement(static_cast<unsigned int>(index), value);
}

/// The nodes of a container of the holder, taken out without a record: the
/// holder is thrown away after the load.
std::vector<Node*> takeNodes(NodeContainer& container)
{
    auto& children = detail::Editor::children(container);
    std::vector<Node*> nodes;
    nodes.reserve(children.size());
    for (Attribute* child : children)
    {
        nodes.push_back(child->asNode());
        detail::Editor::setParentRaw(*child, nullptr, 0);
    }
    children.clear();
    return nodes;
}

/// Adds the top nodes of a file (whose top node is `root`) to their places.
/// What the readers gathered covers the whole file; the top node of a
/// database file stays behind.
void place(BuiltPart& built, FileKind kind, const Node& root,
           const std::vector<std::pair<CompositeAttribute*, Node*>>& placements)
{
    if (kind == FileKind::Database)
    {
        built.attributes -= detail::Editor::countOwnAttributes(root);
        built.nodes.erase(built.nodes.begin());
    }
    detail::Editor::insertBuilt(placements, built.nodes, built.attributes);
}

/// Tells the target of each path the referrers `pointed` lists with the path.
void tellByPath(const std::vector<std::pair<std::uint32_t, Attribute*>>& pointed,
                const std::vector<Attribute*>& targets)
{
    std::vector<std::size_t> ends(targets.size() + 1, 0);
    std::size_t referred = 0;
    for (const auto& entry : pointed)
        if (ends[entry.first + 1]++ == 0)
            ++referred;
    for (std::size_t k = 1; k < ends.size(); ++k)
        ends[k] += ends[k - 1];
    std::vector<Attribute*> owners(pointed.size());
    for (const auto& [path, owner] : pointed)
        owners[ends[path]++] = owner;
    // A load may add tens of thousands of targets: the table grows once, not step by step.
    detail::Editor::expectReferred(referred);
    std::size_t begin = 0;
    for (std::size_t path = 0; path < targets.size(); ++path)
    {
        detail::Editor::addReferrers(targets[path], owners.data() + begin, ends[path] - begin);
        begin = ends[path];
    }
}

} // namespace

bool attachLoaded(DetachedTree& tree, Attribute* target, ReferenceResolver* resolver, LoadError& error)
{
    std::string why;
    if (!canAttach(tree, target, why))
    {
        error.what = why;
        return false;
    }
    Node* root = tree.root.get();
    std::vector<PendingPointer>& pointers = tree.built.pointers;

    // Resolve every path while the tree is still detached, so that a bad path
    // fails the load before the target changes.
    const PathTable& paths = *tree.built.pathTable();
    std::vector<Attribute*> resolved(pointers.size(), nullptr);
    const std::vector<Attribute*> local = resolveLocal(*root, paths, pointers);
    AbsolutePaths absolute(*target->getRoot(), paths.size());
    {
        for (std::size_t i = 0; i < pointers.size(); ++i)
        {
            const PendingPointer& pending = pointers[i];
            const std::wstring_view path = paths.text(pending.path);
            if (pending.local)
            {
                resolved[i] = local[pending.path];
                if (!resolved[i])
                {
                    error.line = pending.line;
                    error.offset = pending.offset;
                    error.what = "pointer path \"" + toUtf8(std::wstring(path)) + "\" names nothing in the file";
                    return false;
                }
            }
            else
            {
                resolved[i] = absolute.resolve(pending.path, path);
                if (!resolved[i] && resolver)
                    resolved[i] = resolver->resolve(std::wstring(path), target);
            }
        }
    }

    bool exact = restoresExactly(tree, target);
    Node* targetNode = target->asNode();

    // The top node of a database file is not attached itself: what refers to it
    // or to its own attributes must be found again in the target afterwards.
    // Every other pointer is set now, in the detached tree: it arrives with its
    // node in the load's single step and needs no value record of its own.
    // Sorted and searched: asked twice for each of a hundred thousand pointers,
    // a hash set's division per question costs more than the whole search.
    std::vector<const Attribute*> held;
    if (tree.kind == FileKind::Database)
        collectHeld(*root, held);
    std::sort(held.begin(), held.end());
    auto ownedByHolder = [&held](const Attribute* a) { return std::binary_search(held.begin(), held.end(), a); };
    std::vector<std::size_t> later;
    std::vector<std::wstring> holderPaths;
    std::vector<std::wstring> holderOwnerPaths;
    // The targets of local pointers learn their referrers together, by path,
    // once all are set: a few thousand targets, not every pointer, meet the
    // referrer table. A pointer that points somewhere already (a file that
    // gives it twice) is set the general way, after what waits is told.
    std::vector<std::pair<std::uint32_t, Attribute*>> pointed;
    pointed.reserve(pointers.size());
    auto tellOneByOne = [&]
    {
        for (auto& [path, owner] : pointed)
            detail::Editor::addReferrers(local[path], &owner, 1);
        pointed.clear();
    };
    // The pointer attributes lie all over the tree: each is fetched a few
    // pointers before it is set, so that the loop does not wait for each.
    constexpr std::size_t ahead = 8;
    for (std::size_t i = 0; i < pointers.size(); ++i)
    {
        if (i + ahead < pointers.size())
            __builtin_prefetch(pointers[i + ahead].attribute, 1);
        const PendingPointer& pending = pointers[i];
        const bool ownerHeld = ownedByHolder(pending.attribute);
        const bool valueHeld = ownedByHolder(resolved[i]);
        if (!ownerHeld && !valueHeld)
        {
            if (pending.local && detail::Editor::pointDetached(*pending.attribute, pending.index, resolved[i]))
                pointed.emplace_back(pending.path, pending.attribute);
            else
            {
                tellOneByOne();
                detail::Editor::setDetachedPointer(*pending.attribute, pending.index, resolved[i]);
            }
            continue;
        }
        later.push_back(i);
        holderPaths.emplace_back();
        holderOwnerPaths.emplace_back();
        if (valueHeld)
            resolved[i]->toDatabasePath(holderPaths.back(), root);
        if (ownerHeld)
            pending.attribute->toDatabasePath(holderOwnerPaths.back(), root);
    }
    tellByPath(pointed, local);
    auto remap = [&](Attribute* a, const std::wstring& holderPath) -> Attribute*
    {
        if (!ownedByHolder(a))
            return a;
        if (a == root)
            return targetNode ? static_cast<Attribute*>(targetNode) : target;
        return exact ? target->attributeFromDatabasePath(holderPath, false) : nullptr;
    };

    ChangeBlock block(target->getDatabase(), L"Load");
    std::vector<std::pair<CompositeAttribute*, Node*>> placements;
    if (exact)
    {
        Database* database = target->asDatabase();
        for (unsigned int i = 0; i < root->getAttributeCount(); ++i)
        {
            Attribute* from = root->getAttribute(i);
            if (from->isDynamic())
            {
                Attribute* to = database->addDynamicAttribute(std::unique_ptr<AttributeDef>(from->getDef().makeCopy()));
                if (to)
                    to->copyValueFrom(*from);
            }
            else if (NodeContainer* container = from->asNodeContainer())
            {
                auto* destination = database->getAttribute(i)->asCompositeAttribute();
                for (Node* node : takeNodes(*container))
                    placements.emplace_back(destination, node);
            }
            else
                database->getAttribute(i)->copyValueFrom(*from);
        }
    }
    else
    {
        auto places = destinations(tree, target);
        if (tree.kind == FileKind::Subtree)
            placements.emplace_back(places[0], tree.root.release());
        else
        {
            std::size_t next = 0;
            for (unsigned int i = 0; i < root->getAttributeCount(); ++i)
                if (NodeContainer* container = root->getAttribute(i)->asNodeContainer())
                    for (Node* node : takeNodes(*container))
                        placements.emplace_back(places[next++], node);
        }
    }
    place(tree.built, tree.kind, *root, placements);

    for (std::size_t k = 0; k < later.size(); ++k)
    {
        const std::size_t i = later[k];
        const PendingPointer& pending = pointers[i];
        Attribute* owner = remap(pending.attribute, holderOwnerPaths[k]);
        if (!owner)
            continue;
        setPointer(*owner, pending.index, remap(resolved[i], holderPaths[k]));
    }
    return true;
}

std::size_t lineOf(const char* data, std::size_t size, std::size_t offset)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < size; ++i)
        if (data[i] == '\n')
            ++line;
    return line;
}

} // namespace db::files
