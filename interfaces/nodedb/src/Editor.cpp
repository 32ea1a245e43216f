#include "Editor.h"

#include <db/CompoundAttributeDef.h>
#include <db/Database.h>
#include <db/Visitor.h>

#include "AttributeTypes.h"

#include <cassert>
#include <new>
#include <type_traits>

namespace db::detail
{

// ----------------------------------------------------------------------- factory

namespace
{
template <class T> Attribute* make(AttributeDef& def, void* where)
{
    return where ? static_cast<Attribute*>(new (where) T(def)) : static_cast<Attribute*>(new T(def));
}

/// Calls `f` with a null pointer to the class made from a definition of `type`.
/// Nodes are made apart: a definition of one, or of no known type, makes a
/// plain composite, as a compound's does.
template <class F> decltype(auto) withMadeClass(AttributeType type, F&& f)
{
    return withType(type,
                    [&](auto traits)
                    {
                        using Traits = decltype(traits);
                        if constexpr (Traits::s_shape == TypeShape::Node || Traits::s_shape == TypeShape::None)
                            return f(static_cast<CompositeAttribute*>(nullptr));
                        else
                            return f(static_cast<typename Traits::Class*>(nullptr));
                    });
}
} // namespace

Attribute* Editor::createAttribute(AttributeDef& def, void* where)
{
    return withMadeClass(def.getAttributeType(),
                         [&](auto* made) { return make<std::remove_pointer_t<decltype(made)>>(def, where); });
}

namespace
{
std::size_t aligned(std::size_t size)
{
    return (size + 7) & ~std::size_t(7);
}
} // namespace

void Editor::buildMembers(CompositeAttribute& owner, const CompoundAttributeDef& def)
{
    const unsigned int count = def.getAttributeDefCount();
    if (count == 0)
        return;
    std::size_t total = 0;
    for (unsigned int i = 0; i < count; ++i)
        total += aligned(attributeSize(def.getAttributeDef(i).getAttributeType()));
    const std::size_t listOffset = total;
    total += count * sizeof(Attribute*);
    auto* arena = static_cast<char*>(::operator new(total));
    ChildList& members = owner.m_children;
    members.borrow(reinterpret_cast<Attribute**>(arena + listOffset), count);
    char* cursor = arena;
    for (unsigned int i = 0; i < count; ++i)
    {
        AttributeDef& member = def.getAttributeDef(i);
        Attribute* child = createAttribute(member, cursor);
        markInArena(*child);
        cursor += aligned(attributeSize(member.getAttributeType()));
        setParentRaw(*child, &owner, i);
        members.push_back(child);
    }
}

void Editor::destroyMembers(CompositeAttribute& owner)
{
    // Members live in the arena, which starts with the first of them: they must
    // go before it does.
    ChildList& children = owner.m_children;
    void* arena = !children.empty() && isInArena(*children[0]) ? children[0] : nullptr;
    for (Attribute* child : children)
        destroy(child);
    children.clear();
    ::operator delete(arena);
}

std::size_t Editor::attributeSize(AttributeType type)
{
    return withMadeClass(type, [](auto* made) { return sizeof(*made); });
}

void Editor::destroy(Attribute* attribute)
{
    if (!attribute)
        return;
    if (attribute->hasFlag(Attribute::s_inArena))
        attribute->~Attribute();
    else
        delete attribute;
}

void Editor::setParentRaw(Attribute& child, CompositeAttribute* parent, unsigned int index)
{
    child.m_parent = parent;
    child.m_index = index;
    child.setFlag(Attribute::s_removed, false);
}

// ---------------------------------------------------------------- subtree facts

namespace
{

/// The definition whose members are, in order, the first children of `composite`
/// (nodes and compounds built from it), or null.
const CompoundAttributeDef* memberDef(const CompositeAttribute& composite, std::size_t childCount)
{
    const AttributeType type = composite.getAttributeType();
    if (type != NodeType && type != Compound)
        return nullptr;
    const CompoundAttributeDef* def = composite.getDef().asCompoundAttributeDef();
    return def && def->getAttributeDefCount() <= childCount ? def : nullptr;
}

/// Lists the nodes of a walk, parents first.
class NodeCollector : public Visitor
{
public:
    explicit NodeCollector(std::vector<Node*>& out) : m_out(out) {}
    bool visitNodeEnter(Node* node) override
    {
        m_out.push_back(node);
        return true;
    }

private:
    std::vector<Node*>& m_out;
};

} // namespace

void Editor::collectNodes(Attribute& root, std::vector<Node*>& out)
{
    if (Node* node = root.asNode())
    {
        // A node's walk fetches the nodes ahead of the one it is at: below a
        // big subtree's nodes, waiting for memory is most of the time spent.
        NodeCollector collector(out);
        node->accept(&collector);
        return;
    }
    if (!root.isComposite() || (!root.getDef().canHoldNodes() && !root.isNodeContainer()))
        return;
    auto& composite = *root.asCompositeAttribute();
    if (const CompoundAttributeDef* def = memberDef(composite, composite.m_children.size()))
    {
        // Only the members the definition lists as holding nodes; dynamic members never do.
        for (unsigned int index : def->getNodeHoldingMembers())
            collectNodes(*composite.m_children[index], out);
        return;
    }
    for (Attribute* child : composite.m_children)
        collectNodes(*child, out);
}

namespace
{

/// countSubtree's walk; with `intoNodes` false, the nodes of containers are left out.
void count(const Attribute& root, std::size_t& nodes, std::size_t& attributes, bool intoNodes)
{
    if (root.isNode())
        ++nodes;
    else
        ++attributes;
    const CompositeAttribute* composite = root.asCompositeAttribute();
    if (!composite || (!intoNodes && root.isNodeContainer()))
        return;
    const unsigned int size = composite->getAttributeCount();
    unsigned int from = 0;
    if (const CompoundAttributeDef* def = memberDef(*composite, size))
    {
        // Plain members are counted without being visited: a loaded file's
        // millions of values need not all be read again to be counted.
        const auto& composites = def->getCompositeMembers();
        attributes += def->getAttributeDefCount() - composites.size();
        for (unsigned int index : composites)
            count(*composite->getAttribute(index), nodes, attributes, intoNodes);
        from = def->getAttributeDefCount();
    }
    for (unsigned int i = from; i < size; ++i)
        count(*composite->getAttribute(i), nodes, attributes, intoNodes);
}

} // namespace

void Editor::countSubtree(const Attribute& root, std::size_t& nodes, std::size_t& attributes)
{
    count(root, nodes, attributes, true);
}

std::size_t Editor::countOwnAttributes(const Node& node)
{
    std::size_t nodes = 0;
    std::size_t attributes = 0;
    count(node, nodes, attributes, false);
    return attributes;
}

std::size_t Editor::subtreeBytes(const Attribute& root)
{
    std::size_t bytes = attributeSize(root.isNode() ? Compound : root.getAttributeType()) + sizeof(void*);
    if (root.isNode())
        bytes += sizeof(Node) + static_cast<const Node&>(root).getName().capacity() * sizeof(wchar_t);
    if (const CompositeAttribute* composite = root.asCompositeAttribute())
    {
        for (const Attribute* child : composite->m_children)
            bytes += subtreeBytes(*child);
    }
    else if (const auto* text = const_cast<Attribute&>(root).asStringAttribute())
        bytes += text->getValue().capacity() * sizeof(wchar_t);
    else if (root.isArray())
    {
        ValueSlot slot;
        root.saveValue(slot);
        bytes += slot.heapBytes();
    }
    return bytes;
}

std::size_t ValueSlot::heapBytes() const
{
    return std::visit(
        [](const auto& v) -> std::size_t
        {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::wstring>)
                return v.capacity() * sizeof(wchar_t);
            else if constexpr (std::is_same_v<T, std::vector<bool>>)
                return v.capacity() / 8;
            else if constexpr (std::is_same_v<T, std::vector<std::wstring>>)
            {
                std::size_t bytes = v.capacity() * sizeof(std::wstring);
                for (const auto& s : v)
                    bytes += s.capacity() * sizeof(wchar_t);
                return bytes;
            }
            else if constexpr (std::is_same_v<T, std::vector<int>> || std::is_same_v<T, std::vector<float>> ||
                               std::is_same_v<T, std::vector<double>> ||
                               std::is_same_v<T, std::vector<OrkP::Vector3>> ||
                               std::is_same_v<T, std::vector<OrkP::Matrix34>> ||
                               std::is_same_v<T, std::vector<Attribute*>>)
                return v.capacity() * sizeof(typename T::value_type);
            else
                return 0;
        },
        value);
}

// ------------------------------------------------------------------ raw surgery

namespace
{

// The later siblings keep their stored indices; getIndex corrects them when asked.
void rawInsert(CompositeAttribute& parent, unsigned int index, Attribute& child)
{
    auto& children = Editor::children(parent);
    children.insert(children.begin() + index, &child);
    Editor::setParentRaw(child, &parent, index);
}

/// Takes the child out but leaves its parent and index as they were: a removed
/// attribute still tells where it was.
void rawErase(CompositeAttribute& parent, Attribute& child)
{
    auto& children = Editor::children(parent);
    const unsigned int index = child.getIndex();
    children.erase(children.begin() + index);
}

void emitInsert(ChangeSetBuilder& builder, CompositeAttribute& parent, Attribute& child)
{
    std::vector<Node*> nodes;
    Editor::collectNodes(child, nodes);
    if (!child.isNode())
        builder.attributeAdded(&child);
    if (!nodes.empty())
        builder.nodesAdded(nodes);
    builder.mark(&parent);
    if (!child.isNode())
        builder.mark(parent.getOwnerNode());
}

void emitRemove(ChangeSetBuilder& builder, CompositeAttribute& parent, Attribute& child)
{
    std::vector<Node*> nodes;
    Editor::collectNodes(child, nodes);
    if (!child.isNode())
        builder.attributeRemoved(&child);
    if (!nodes.empty())
        builder.nodesRemoved(nodes);
    builder.mark(&parent);
    if (!child.isNode())
        builder.mark(parent.getOwnerNode());
}

} // namespace

void Editor::applyInsert(Database* db, CompositeAttribute& parent, unsigned int index, Attribute& child,
                         ChangeSetBuilder* builder)
{
    rawInsert(parent, index, child);
    if (db)
    {
        std::size_t nodes = 0;
        std::size_t attributes = 0;
        countSubtree(child, nodes, attributes);
        db->m_nodeCount += nodes;
        db->m_attributeCount += attributes;
    }
    if (builder)
        emitInsert(*builder, parent, child);
}

void Editor::applyRemove(Database* db, CompositeAttribute& parent, Attribute& child, ChangeSetBuilder* builder)
{
    rawErase(parent, child);
    child.setFlag(Attribute::s_removed, true);
    if (db)
    {
        std::size_t nodes = 0;
        std::size_t attributes = 0;
        countSubtree(child, nodes, attributes);
        db->m_nodeCount -= nodes;
        db->m_attributeCount -= attributes;
    }
    if (builder)
        emitRemove(*builder, parent, child);
}

void Editor::detachNodes(CompositeAttribute& container, std::vector<Record>& records, ChangeSetBuilder& builder)
{
    ChildList& nodes = container.m_children;
    std::vector<Node*> removed;
    records.reserve(records.size() + nodes.size());
    for (unsigned int i = 0; i < nodes.size(); ++i)
    {
        // Each keeps its parent and its place, as a removed attribute does.
        Attribute& node = *nodes[i];
        setParentRaw(node, &container, i);
        node.setFlag(Attribute::s_removed, true);
        records.push_back(Record{RecordKind::Remove, &node, &container, nullptr, i, 0, {}});
        collectNodes(node, removed);
    }
    nodes.clear();
    if (removed.empty())
        return;
    builder.nodesRemoved(removed);
    builder.mark(&container);
}

void Editor::applyMove(Database*, Attribute& child, CompositeAttribute& newParent, unsigned int newIndex,
                       ChangeSetBuilder* builder)
{
    CompositeAttribute* oldParent = child.getParentAttribute();
    rawErase(*oldParent, child);
    rawInsert(newParent, newIndex, child);
    if (builder)
    {
        if (Node* node = child.asNode())
            builder->nodeMoved(node);
        builder->mark(oldParent);
        builder->mark(&newParent);
    }
}

void Editor::applyRename(Node& node, std::wstring& name, ChangeSetBuilder* builder)
{
    node.m_name.swap(name);
    if (builder)
    {
        builder->nodeRenamed(&node);
        builder->mark(&node);
        if (!node.isDetached())
            builder->mark(node.getParentAttribute());
    }
}

void Editor::reportValue(Database* db, Attribute& attribute, ChangeSetBuilder* builder)
{
    // The database's display name is its name attribute: changing it renames the root.
    if (builder && db && &attribute == &db->name)
    {
        builder->nodeRenamed(db);
        builder->mark(db);
    }
}

// ------------------------------------------------------------ recorded edits

Database* Editor::beginEdit(const Attribute& attribute, bool& implicit)
{
    implicit = false;
    Database* db = attribute.getDatabase();
    if (!db)
        return nullptr;
    if (db->m_depth == 0)
    {
        implicit = true;
        db->beginChangeBlock(ChangeMode::Normal);
    }
    return db;
}

void Editor::endEdit(Database* database, bool implicit, const wchar_t* description)
{
    if (database && implicit)
        database->endChangeBlock(description);
}

namespace
{
/// See DetachedBuild: a loader builds millions of values, each a few parents below its node.
thread_local bool t_detachedBuild = false;
} // namespace

Editor::DetachedBuild::DetachedBuild() : m_outer(!t_detachedBuild)
{
    t_detachedBuild = true;
}

Editor::DetachedBuild::~DetachedBuild()
{
    if (m_outer)
        t_detachedBuild = false;
}

Editor::ValueEdit::ValueEdit(Attribute& attribute)
{
    if (t_detachedBuild)
        return;
    bool implicit = false;
    m_database = beginEdit(attribute, implicit);
    if (!m_database)
        return;
    m_implicit = implicit;
    Database::Recorder& recorder = *m_database->m_recorder;
    // A value is saved once per block; an array edited element by element
    // before is saved again, as it stands after those edits.
    const bool first = recorder.step.valueSet->add(&attribute);
    if (first || (!recorder.elementRecords.empty() && recorder.elementRecords.erase(&attribute) != 0))
    {
        recorder.step.values.push_back(ValueRecord{&attribute, ValueSlot{}});
        save(attribute, recorder.step.values.back().slot);
    }
    if (first)
        reportValue(m_database, attribute, &recorder.block);
    if (m_database->m_mode == ChangeMode::Transient && recorder.commitValues->add(&attribute))
        reportValue(m_database, attribute, &recorder.commit);
}

Editor::ValueEdit::~ValueEdit()
{
    endEdit(m_database, m_implicit, L"Set value");
}

namespace
{

// Element records of one array in one block are kept while they take less
// room than a copy of it would: more than one per this many elements, and the
// copy is the cheaper record. Arrays of a few elements are copied at once.
constexpr std::size_t s_elementsPerRecord = 16;

} // namespace

void Editor::editElement(ArrayAttribute& array, ElementOp op, unsigned int index, ValueSlot slot)
{
    bool implicit = false;
    Database* database = beginEdit(array, implicit);
    if (!database)
    {
        array.replayElement(op, index, slot);
        return;
    }
    Database::Recorder& recorder = *database->m_recorder;
    Database::Step& step = recorder.step;
    if (step.valueSet->add(&array))
    {
        reportValue(database, array, &recorder.block);
        recorder.elementRecords.emplace(&array, 0);
    }
    if (database->m_mode == ChangeMode::Transient && recorder.commitValues->add(&array))
        reportValue(database, array, &recorder.commit);

    const auto kept = recorder.elementRecords.find(&array);
    if (kept != recorder.elementRecords.end() && ++kept->second * s_elementsPerRecord > array.getSize())
    {
        recorder.elementRecords.erase(kept);
        step.values.push_back(ValueRecord{&array, ValueSlot{}});
        save(array, step.values.back().slot);
        array.replayElement(op, index, slot);
    }
    else if (kept != recorder.elementRecords.end())
    {
        array.replayElement(op, index, slot);
        step.values.push_back(ValueRecord{&array, std::move(slot), true, op, index});
    }
    else
    {
        // Covered by the copy of the whole array made earlier in the block.
        array.replayElement(op, index, slot);
    }
    endEdit(database, implicit, L"Set value");
}

void Editor::replay(ValueRecord& record, bool forward)
{
    if (record.element)
        static_cast<ArrayAttribute&>(*record.attribute)
            .replayElement(forward ? record.op : inverse(record.op), record.index, record.slot);
    else
        exchange(*record.attribute, record.slot);
}

bool Editor::insert(CompositeAttribute& parent, unsigned int index, Attribute& child)
{
    if (index > parent.m_children.size() || &child == &parent || !parent.accepts(child) ||
        parent.isDescendantOf(&child))
        return false;
    if (child.asDatabase())
        return false;
    Database* db = parent.getDatabase();
    if (!child.isDetached() && !child.getDatabase() && child.getRoot() != parent.getRoot())
    {
        // A node taken from a tree that is still being built (a loader's holder
        // node): that tree records nothing, so the node simply leaves it and
        // arrives here as a new node.
        if (!child.isNode())
            return false;
        rawErase(*child.getParentAttribute(), child);
        setParentRaw(child, nullptr, 0);
    }
    if (!child.isDetached())
    {
        // An attached node moves, within one tree only.
        if (!child.isNode() || child.getDatabase() != db || child.getRoot() != parent.getRoot())
            return false;
        CompositeAttribute* oldParent = child.getParentAttribute();
        const unsigned int oldIndex = child.getIndex();
        unsigned int newIndex = index;
        if (oldParent == &parent && index > oldIndex)
            --newIndex;
        if (oldParent == &parent && newIndex == oldIndex)
            return true;
        bool implicit = false;
        Database* recording = beginEdit(parent, implicit);
        if (!recording)
        {
            applyMove(nullptr, child, parent, newIndex, nullptr);
            return true;
        }
        Database::Recorder& recorder = *recording->m_recorder;
        applyMove(recording, child, parent, newIndex, &recorder.block);
        if (recording->m_mode == ChangeMode::Transient)
        {
            recorder.commit.nodeMoved(child.asNode());
            recorder.commit.mark(oldParent);
            recorder.commit.mark(&parent);
        }
        recorder.step.structure.push_back(Record{RecordKind::Move, &child, oldParent, &parent, oldIndex, newIndex, {}});
        endEdit(recording, implicit, L"Move node");
        return true;
    }
    bool implicit = false;
    Database* recording = beginEdit(parent, implicit);
    if (!recording)
    {
        applyInsert(nullptr, parent, index, child, nullptr);
        return true;
    }
    Database::Recorder& recorder = *recording->m_recorder;
    applyInsert(recording, parent, index, child, &recorder.block);
    if (recording->m_mode == ChangeMode::Transient)
        emitInsert(recorder.commit, parent, child);
    recorder.step.structure.push_back(Record{RecordKind::Insert, &child, &parent, nullptr, index, 0, {}});
    endEdit(recording, implicit, child.isNode() ? L"Add node" : L"Add attribute");
    return true;
}

bool Editor::appendBuilt(CompositeAttribute& container, Node& node)
{
    assert(!container.getDatabase() && node.getParentAttribute() == nullptr);
    if (!container.accepts(node))
        return false;
    rawInsert(container, static_cast<unsigned int>(container.m_children.size()), node);
    return true;
}

void Editor::insertBuilt(const std::vector<std::pair<CompositeAttribute*, Node*>>& placements,
                         const std::vector<Node*>& subtree, std::size_t attributes)
{
    if (placements.empty())
        return;
    bool implicit = false;
    Database* recording = beginEdit(*placements.front().first, implicit);
    for (const auto& [parent, node] : placements)
    {
        const auto index = static_cast<unsigned int>(parent->m_children.size());
        rawInsert(*parent, index, *node);
        if (recording)
            recording->m_recorder->step.structure.push_back(
                Record{RecordKind::Insert, node, parent, nullptr, index, 0, {}});
    }
    if (!recording)
        return;
    recording->m_nodeCount += subtree.size();
    recording->m_attributeCount += attributes;
    Database::Recorder& recorder = *recording->m_recorder;
    auto report = [&](ChangeSetBuilder& builder)
    {
        builder.nodesAdded(subtree);
        const CompositeAttribute* marked = nullptr;
        for (const auto& placement : placements)
        {
            if (placement.first != marked)
                builder.mark(marked = placement.first);
        }
    };
    report(recorder.block);
    if (recording->m_mode == ChangeMode::Transient)
        report(recorder.commit);
    endEdit(recording, implicit, L"Add node");
}

bool Editor::remove(CompositeAttribute& parent, Attribute& child)
{
    if (child.getParentAttribute() != &parent || child.isDetached())
        return false;
    bool implicit = false;
    Database* recording = beginEdit(parent, implicit);
    if (!recording)
    {
        applyRemove(nullptr, parent, child, nullptr);
        return true;
    }
    Database::Recorder& recorder = *recording->m_recorder;
    const unsigned int index = child.getIndex();
    applyRemove(recording, parent, child, &recorder.block);
    if (recording->m_mode == ChangeMode::Transient)
        emitRemove(recorder.commit, parent, child);
    recorder.step.structure.push_back(Record{RecordKind::Remove, &child, &parent, nullptr, index, 0, {}});
    endEdit(recording, implicit, child.isNode() ? L"Remove node" : L"Remove attribute");
    return true;
}

bool Editor::rename(Node& node, const std::wstring& name)
{
    bool implicit = false;
    Database* recording = beginEdit(node, implicit);
    std::wstring other = name;
    if (!recording)
    {
        applyRename(node, other, nullptr);
        return true;
    }
    Database::Recorder& recorder = *recording->m_recorder;
    applyRename(node, other, &recorder.block);
    if (recording->m_mode == ChangeMode::Transient)
    {
        recorder.commit.nodeRenamed(&node);
        recorder.commit.mark(&node);
        if (!node.isDetached())
            recorder.commit.mark(node.getParentAttribute());
    }
    recorder.step.structure.push_back(Record{RecordKind::Rename, &node, nullptr, nullptr, 0, 0, std::move(other)});
    endEdit(recording, implicit, L"Rename node");
    return true;
}

} // namespace db::detail
