#include "AttributeTypes.h"
#include "Editor.h"

#include <db/Node.h>
#include <db/NodeDef.h>
#include <db/Visitor.h>

#include <cwctype>
#include <unordered_map>
#include <unordered_set>

namespace db
{

namespace
{

/// Calls `f` on each node container within `composite`, in attribute order,
/// not crossing into nodes below.
template <class F> void forEachContainer(const CompositeAttribute& composite, F&& f)
{
    const AttributeDef& def = composite.getDef();
    if (!def.canHoldNodes())
        return;
    auto visit = [&f](Attribute* child)
    {
        if (NodeContainer* container = child->asNodeContainer())
            f(container);
        else if (child->isCompound() || child->isAttributeArray())
            forEachContainer(*child->asCompositeAttribute(), f);
    };
    // The definition knows which members can hold nodes: the others, most
    // of a node's attributes, are not even touched. Dynamic members never
    // hold nodes; the elements of an attribute array all share one definition.
    if (const CompoundAttributeDef* members = def.asCompoundAttributeDef())
    {
        for (unsigned int index : members->getNodeHoldingMembers())
            visit(composite.getAttribute(index));
    }
    else
    {
        for (unsigned int i = 0; i < composite.getAttributeCount(); ++i)
            visit(composite.getAttribute(i));
    }
}

void collectContainers(const CompositeAttribute& composite, std::vector<NodeContainer*>& out)
{
    forEachContainer(composite, [&out](NodeContainer* container) { out.push_back(container); });
}

/// Where among the members of `node` the first that holds nodes is; null when none.
Attribute* const* firstHolderSlot(CompositeAttribute& node)
{
    const auto& holders = static_cast<const CompoundAttributeDef&>(node.getDef()).getNodeHoldingMembers();
    const detail::ChildList& members = detail::Editor::children(node);
    return !holders.empty() && holders.front() < members.size() ? members.data() + holders.front() : nullptr;
}

/// Runs `visitor` over the nodes of a node container, in order.
void visitNodes(CompositeAttribute& container, Visitor* visitor)
{
    // Of each node a walk reads the node, its list of members and the member
    // that holds its child nodes: three places in memory, each found through
    // the one before, for every node of a database of hundreds of thousands.
    // Waiting for them one after the other costs most of the walk. They are
    // fetched in three steps instead, each a few siblings ahead of the step
    // after it, so that they arrive while the walk is busy with the nodes
    // before. Nodes rarely have more than one member that holds nodes. (In
    // the loop itself: a function that only fetches looks like one without
    // effects, whose calls the compiler leaves out.)
    constexpr std::size_t distance = 4;
    // What the walk reads of a node is its composite part; of a node
    // container only the list of its nodes, the composite's last member.
    auto fetch = [](const void* address, std::size_t from)
    {
        const char* bytes = static_cast<const char*>(address);
        __builtin_prefetch(bytes + from);
        __builtin_prefetch(bytes + sizeof(CompositeAttribute) - 1);
    };
    constexpr std::size_t listOffset = sizeof(CompositeAttribute) - sizeof(detail::ChildList);
    // Size and list are read again after each node: a visitor may change them.
    const detail::ChildList& nodes = detail::Editor::children(container);
    for (std::size_t i = 0; i < nodes.size(); ++i)
    {
        if (i + 3 * distance < nodes.size())
            fetch(nodes[i + 3 * distance], 0);
        if (i + 2 * distance < nodes.size())
            if (Attribute* const* slot = firstHolderSlot(static_cast<CompositeAttribute&>(*nodes[i + 2 * distance])))
                __builtin_prefetch(slot);
        if (i + distance < nodes.size())
            if (Attribute* const* slot = firstHolderSlot(static_cast<CompositeAttribute&>(*nodes[i + distance])))
                fetch(*slot, listOffset);
        nodes[i]->accept(visitor);
    }
}

} // namespace

Node::Node(NodeDef& def, const std::wstring& name) : CompositeAttribute(def, NoMembers{}), m_name(name)
{
    buildMembers();
}

Node::Node(NodeDef& def, std::wstring&& name) : CompositeAttribute(def, NoMembers{}), m_name(std::move(name))
{
    buildMembers();
}

Node::Node(NodeDef& def, const std::wstring& name, NoMembers) : CompositeAttribute(def, NoMembers{}), m_name(name)
{
}

Node::~Node()
{
    detail::Editor::destroyMembers(*this);
}

void Node::buildMembers()
{
    // One allocation per node instead of one per member.
    detail::Editor::buildMembers(*this, getNodeDef());
}

const std::wstring& Node::getName() const
{
    return m_name;
}

bool Node::setName(const std::wstring& name)
{
    return detail::Editor::rename(*this, name);
}

const std::wstring& Node::getClassID() const
{
    return getDef().getName();
}

int Node::getTypeId() const
{
    return getNodeDef().getTypeId();
}

NodeDef& Node::getNodeDef() const
{
    return *getDef().asNodeDef();
}

// ------------------------------------------------------------------- neighbours

Node* Node::getPrevious() const
{
    if (isDetached())
        return nullptr;
    CompositeAttribute* container = getParentAttribute();
    if (getIndex() > 0)
        return container->getAttribute(getIndex() - 1)->asNode();
    Node* parent = getParentNode();
    if (!parent)
        return nullptr;
    std::vector<NodeContainer*> containers;
    collectContainers(*parent, containers);
    bool seen = false;
    for (auto it = containers.rbegin(); it != containers.rend(); ++it)
    {
        if (seen && (*it)->getNodeCount() > 0)
            return (*it)->getNode((*it)->getNodeCount() - 1);
        if (*it == container)
            seen = true;
    }
    return nullptr;
}

Node* Node::getNext() const
{
    if (isDetached())
        return nullptr;
    CompositeAttribute* container = getParentAttribute();
    if (getIndex() + 1 < container->getAttributeCount())
        return container->getAttribute(getIndex() + 1)->asNode();
    Node* parent = getParentNode();
    if (!parent)
        return nullptr;
    std::vector<NodeContainer*> containers;
    collectContainers(*parent, containers);
    bool seen = false;
    for (NodeContainer* candidate : containers)
    {
        if (seen && candidate->getNodeCount() > 0)
            return candidate->getNode(0);
        if (candidate == container)
            seen = true;
    }
    return nullptr;
}

std::vector<Node*> Node::getChildNodes() const
{
    std::vector<Node*> nodes;
    forEachContainer(*this,
                     [&nodes](NodeContainer* container)
                     {
                         for (unsigned int i = 0; i < container->getNodeCount(); ++i)
                             nodes.push_back(container->getNode(i));
                     });
    return nodes;
}

Node* Node::findChildNode(const std::wstring& name) const
{
    std::vector<NodeContainer*> containers;
    collectContainers(*this, containers);
    for (NodeContainer* container : containers)
    {
        if (Node* node = container->findNode(name))
            return node;
    }
    return nullptr;
}

Attribute* Node::findAttribute(const std::wstring& name) const
{
    const NodeDef& def = getNodeDef();
    const int index = def.findAttributeIndex(name);
    if (index >= 0)
        return getAttribute(static_cast<unsigned int>(index));
    // Dynamic attributes are few per node; a scan of them is cheaper than a map per node.
    for (unsigned int i = def.getAttributeDefCount(); i < getAttributeCount(); ++i)
    {
        if (getAttribute(i)->getName() == name)
            return getAttribute(i);
    }
    return nullptr;
}

unsigned int Node::getDynamicAttributeCount() const
{
    return getAttributeCount() - getNodeDef().getAttributeDefCount();
}

bool Node::accepts(const Attribute& child) const
{
    return !child.isNode() && child.isDynamic() && !child.isNodeContainer() && !findAttribute(child.getName());
}

// ------------------------------------------------------------------------ walks

void Node::accept(Visitor* visitor)
{
    if (!visitor)
        return;
    bool descend = visitor->visitNodeEnter(this);
    if (visitor->takeSkipChildren())
        descend = false;
    if (descend)
    {
        if (visitor->getFlags() & Visitor::VisitAttributes)
        {
            for (unsigned int i = 0; i < getAttributeCount(); ++i)
                getAttribute(i)->accept(visitor);
        }
        else
        {
            // Walks visit every node of big databases: no list per node, and
            // straight to the members that hold nodes, most often a single
            // node container.
            const auto& def = static_cast<const CompoundAttributeDef&>(getDef());
            for (unsigned int index : def.getNodeHoldingMembers())
            {
                Attribute* holder = m_children[index];
                // Asked of the definition, which every node of the type
                // shares, rather than of the member: one read less per node.
                if (def.getAttributeDef(index).getAttributeType() == NodeContainerType)
                    visitNodes(static_cast<CompositeAttribute&>(*holder), visitor);
                else
                    forEachContainer(*holder->asCompositeAttribute(),
                                     [visitor](NodeContainer* container) { visitNodes(*container, visitor); });
            }
        }
    }
    visitor->visitNodeExit(this);
}

// ------------------------------------------------------------------------ copies

namespace
{

void copyMembers(const CompositeAttribute& source, CompositeAttribute& target);
Node* copyKeepingPointers(const Node& original, const std::wstring& name);

void copyAttribute(const Attribute& source, Attribute& target)
{
    if (source.isCompound())
        copyMembers(*source.asCompositeAttribute(), *target.asCompositeAttribute());
    else if (source.isAttributeArray())
    {
        auto& array = *target.asAttributeArray();
        const auto& from = *source.asCompositeAttribute();
        for (unsigned int i = 0; i < from.getAttributeCount(); ++i)
        {
            if (CompositeAttribute* element = array.add(false))
                copyMembers(*from.getAttribute(i)->asCompositeAttribute(), *element);
        }
    }
    else if (source.isNodeContainer())
    {
        auto& container = *target.asNodeContainer();
        const auto& from = *source.asCompositeAttribute();
        // Pointers are redirected once, by whoever copies the whole subtree:
        // redirecting at every level would go over each node once for every
        // ancestor it has.
        for (unsigned int i = 0; i < from.getAttributeCount(); ++i)
        {
            const Node* child = from.getAttribute(i)->asNode();
            Node* copy = copyKeepingPointers(*child, child->getName());
            if (!container.add(copy))
                delete copy;
        }
    }
    else
        target.copyValueFrom(source);
}

void copyMembers(const CompositeAttribute& source, CompositeAttribute& target)
{
    const unsigned int count = std::min(source.getAttributeCount(), target.getAttributeCount());
    for (unsigned int i = 0; i < count; ++i)
        copyAttribute(*source.getAttribute(i), *target.getAttribute(i));
}

/// Adds what the pointers in and below `attribute` point at to `targets`.
void collectTargets(Attribute& attribute, std::unordered_set<const Attribute*>& targets)
{
    if (PointerAttribute* pointer = attribute.asPointerAttribute())
    {
        if (pointer->getValue())
            targets.insert(pointer->getValue());
    }
    else if (PointerArrayAttribute* array = attribute.asPointerArrayAttribute())
    {
        for (const Attribute* value : array->getValues())
            if (value)
                targets.insert(value);
    }
    else if (CompositeAttribute* composite = attribute.asCompositeAttribute())
    {
        for (unsigned int i = 0; i < composite->getAttributeCount(); ++i)
            collectTargets(*composite->getAttribute(i), targets);
    }
}

/// Pairs each attribute of `source` that a pointer aims at with the one at
/// the same place in `copy`. Only those: a copied group of thousands of nodes
/// holds hundreds of thousands of attributes, and its pointers aim at a few.
void mapCopies(const Attribute& source, Attribute& copy, const std::unordered_set<const Attribute*>& targets,
               std::unordered_map<const Attribute*, Attribute*>& map)
{
    if (targets.count(&source) != 0)
        map.emplace(&source, &copy);
    const CompositeAttribute* from = source.asCompositeAttribute();
    CompositeAttribute* to = copy.asCompositeAttribute();
    if (!from || !to)
        return;
    const unsigned int count = std::min(from->getAttributeCount(), to->getAttributeCount());
    for (unsigned int i = 0; i < count; ++i)
        mapCopies(*from->getAttribute(i), *to->getAttribute(i), targets, map);
}

void redirectPointers(Attribute& attribute, const std::unordered_map<const Attribute*, Attribute*>& map)
{
    if (PointerAttribute* pointer = attribute.asPointerAttribute())
    {
        const auto it = map.find(pointer->getValue());
        if (it != map.end())
            pointer->setValue(it->second);
    }
    else if (PointerArrayAttribute* array = attribute.asPointerArrayAttribute())
    {
        std::vector<Attribute*> values = array->getValues();
        bool changed = false;
        for (Attribute*& value : values)
        {
            const auto it = map.find(value);
            if (it != map.end())
            {
                value = it->second;
                changed = true;
            }
        }
        if (changed)
            array->setValues(values);
    }
    else if (CompositeAttribute* composite = attribute.asCompositeAttribute())
    {
        for (unsigned int i = 0; i < composite->getAttributeCount(); ++i)
            redirectPointers(*composite->getAttribute(i), map);
    }
}

std::wstring nameForCopy(const Node& original)
{
    std::unordered_set<std::wstring> taken;
    taken.insert(original.getName());
    if (!original.isDetached())
    {
        const CompositeAttribute* container = original.getParentAttribute();
        for (unsigned int i = 0; i < container->getAttributeCount(); ++i)
            taken.insert(container->getAttribute(i)->getName());
    }
    return Node::numberedName(original.getName(), taken);
}

/// Points the pointers of `copies` that aim into `originals` (the same
/// subtrees, in the same order) at the copied attributes instead.
void redirectInto(const std::vector<const Node*>& originals, const std::vector<Node*>& copies)
{
    std::unordered_set<const Attribute*> targets;
    for (Node* copy : copies)
        collectTargets(*copy, targets);
    if (targets.empty())
        return;
    std::unordered_map<const Attribute*, Attribute*> map;
    for (std::size_t i = 0; i < copies.size(); ++i)
        mapCopies(*originals[i], *copies[i], targets, map);
    if (map.empty())
        return;
    for (Node* copy : copies)
        redirectPointers(*copy, map);
}

/// A copy whose pointers still point where the original's do.
Node* copyKeepingPointers(const Node& original, const std::wstring& name)
{
    auto* copy = new Node(original.getNodeDef(), name);
    const unsigned int schemaCount = original.getNodeDef().getAttributeDefCount();
    for (unsigned int i = 0; i < schemaCount; ++i)
        copyAttribute(*original.getAttribute(i), *copy->getAttribute(i));
    for (unsigned int i = schemaCount; i < original.getAttributeCount(); ++i)
    {
        const Attribute& source = *original.getAttribute(i);
        Attribute* dynamic = detail::Editor::createAttribute(*source.getDef().makeCopy());
        detail::Editor::markOwnsDef(*dynamic);
        dynamic->copyValueFrom(source);
        if (!copy->addAttribute(dynamic))
            delete dynamic;
    }
    return copy;
}

} // namespace

Node* Node::makeCopy(const std::wstring& name) const
{
    Node* copy = copyKeepingPointers(*this, name.empty() ? nameForCopy(*this) : name);
    redirectInto({this}, {copy});
    return copy;
}

std::vector<std::unique_ptr<Node>> Node::makeCopies(const std::vector<const Node*>& nodes)
{
    std::vector<std::unique_ptr<Node>> copies;
    std::vector<Node*> made;
    for (const Node* node : nodes)
    {
        copies.emplace_back(copyKeepingPointers(*node, node->getName()));
        made.push_back(copies.back().get());
    }
    redirectInto(nodes, made);
    return copies;
}

namespace
{

std::wstring numberedAmong(const std::wstring& name, const std::unordered_set<std::wstring>& taken, unsigned long& n)
{
    std::wstring base = name;
    while (!base.empty() && std::iswdigit(static_cast<wint_t>(base.back())))
        base.pop_back();
    for (;; ++n)
    {
        std::wstring candidate = base + std::to_wstring(n);
        if (taken.count(candidate) == 0)
            return candidate;
    }
}

} // namespace

std::wstring Node::numberedName(const std::wstring& name, const std::unordered_set<std::wstring>& taken)
{
    unsigned long first = 1;
    return numberedAmong(name, taken, first);
}

std::wstring Node::numberedName(const std::wstring& name, TakenNames& taken)
{
    std::wstring base = name;
    while (!base.empty() && std::iswdigit(static_cast<wint_t>(base.back())))
        base.pop_back();
    // The numbers below the kept one were all taken when last asked, and
    // the names have only grown since.
    return numberedAmong(base, taken.names, taken.next.try_emplace(base, 1).first->second);
}

// ----------------------------------------------------------- dynamic attributes

Attribute* Node::addDynamicAttribute(std::unique_ptr<AttributeDef> def)
{
    if (!def)
        return nullptr;
    const AttributeType type = def->getAttributeType();
    if (type == NodeContainerType || type == NodeType || type <= Invalid || type > Compound)
        return nullptr;
    if ((type == Enum || type == EnumArray) && !def->asEnumAttributeDef())
        return nullptr;
    if ((type == Compound && !def->asCompoundAttributeDef()) ||
        (type == AttributeArrayType && !def->asAttributeArrayDef()))
        return nullptr;
    if (def->canHoldNodes())
        return nullptr;
    Attribute* attribute = detail::Editor::createAttribute(*def.release());
    detail::Editor::markOwnsDef(*attribute);
    if (!addAttribute(attribute))
    {
        delete attribute;
        return nullptr;
    }
    return attribute;
}

namespace
{

std::wstring uniqueAttributeName(const Node& node, const std::wstring& name)
{
    if (!node.findAttribute(name))
        return name;
    for (unsigned long n = 2;; ++n)
    {
        std::wstring candidate = name + std::to_wstring(n);
        if (!node.findAttribute(candidate))
            return candidate;
    }
}

std::unique_ptr<AttributeDef> makeDef(const Node& node, const std::wstring& name, AttributeType type)
{
    return std::make_unique<AttributeDef>(uniqueAttributeName(node, name), type);
}

template <class T> T* addTyped(Node& node, std::unique_ptr<AttributeDef> def)
{
    Attribute* attribute = node.addDynamicAttribute(std::move(def));
    return attribute ? static_cast<T*>(attribute) : nullptr;
}

/// A dynamic value or array of `Type`; `value` is its default (each new element's for arrays).
template <AttributeType Type, class Value> auto* addDynamic(Node& node, const std::wstring& name, const Value& value)
{
    using Traits = detail::TypeTraits<Type>;
    auto def = makeDef(node, name, Type);
    detail::ElementOf<Traits>::type::setDefault(*def, value);
    return addTyped<typename Traits::Class>(node, std::move(def));
}

/// The same with limits that bound later edits.
template <AttributeType Type, class Value>
auto* addDynamic(Node& node, const std::wstring& name, const Value& value, double minimum, double maximum)
{
    using Traits = detail::TypeTraits<Type>;
    auto def = makeDef(node, name, Type);
    detail::ElementOf<Traits>::type::setDefault(*def, value);
    def->setLimits(minimum, maximum);
    return addTyped<typename Traits::Class>(node, std::move(def));
}

} // namespace

IntAttribute* Node::addDynamicInt(const std::wstring& name, int value, int minimum, int maximum)
{
    return addDynamic<Int>(*this, name, value, minimum, maximum);
}

BoolAttribute* Node::addDynamicBool(const std::wstring& name, bool value)
{
    return addDynamic<Bool>(*this, name, value);
}

FloatAttribute* Node::addDynamicFloat(const std::wstring& name, float value, float minimum, float maximum)
{
    return addDynamic<Float>(*this, name, value, minimum, maximum);
}

DoubleAttribute* Node::addDynamicDouble(const std::wstring& name, double value, double minimum, double maximum)
{
    return addDynamic<Double>(*this, name, value, minimum, maximum);
}

StringAttribute* Node::addDynamicString(const std::wstring& name, const std::wstring& value)
{
    return addDynamic<String>(*this, name, value);
}

Vector3Attribute* Node::addDynamicVector3(const std::wstring& name, const OrkP::Vector3& value)
{
    return addDynamic<Vector3>(*this, name, value);
}

Matrix34Attribute* Node::addDynamicMatrix34(const std::wstring& name, const OrkP::Matrix34& value)
{
    return addDynamic<Matrix34>(*this, name, value);
}

IntArrayAttribute* Node::addDynamicIntArray(const std::wstring& name, int value, int minimum, int maximum)
{
    return addDynamic<IntArray>(*this, name, value, minimum, maximum);
}

BoolArrayAttribute* Node::addDynamicBoolArray(const std::wstring& name, bool value)
{
    return addDynamic<BoolArray>(*this, name, value);
}

FloatArrayAttribute* Node::addDynamicFloatArray(const std::wstring& name, float value, float minimum, float maximum)
{
    return addDynamic<FloatArray>(*this, name, value, minimum, maximum);
}

DoubleArrayAttribute* Node::addDynamicDoubleArray(const std::wstring& name, double value, double minimum,
                                                  double maximum)
{
    return addDynamic<DoubleArray>(*this, name, value, minimum, maximum);
}

StringArrayAttribute* Node::addDynamicStringArray(const std::wstring& name, const std::wstring& value)
{
    return addDynamic<StringArray>(*this, name, value);
}

Vector3ArrayAttribute* Node::addDynamicVector3Array(const std::wstring& name, const OrkP::Vector3& value)
{
    return addDynamic<Vector3Array>(*this, name, value);
}

Matrix34ArrayAttribute* Node::addDynamicMatrix34Array(const std::wstring& name, const OrkP::Matrix34& value)
{
    return addDynamic<Matrix34Array>(*this, name, value);
}

} // namespace db
