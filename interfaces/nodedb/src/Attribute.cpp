#include "Editor.h"

#include <db/ArrayAttribute.h>
#include <db/Attribute.h>
#include <db/AttributeArray.h>
#include <db/BoolArrayAttribute.h>
#include <db/BoolAttribute.h>
#include <db/CompositeAttribute.h>
#include <db/Database.h>
#include <db/DoubleArrayAttribute.h>
#include <db/DoubleAttribute.h>
#include <db/EnumArrayAttribute.h>
#include <db/EnumAttribute.h>
#include <db/FloatArrayAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/IntAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/Matrix34Attribute.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/StringAttribute.h>
#include <db/Vector3ArrayAttribute.h>
#include <db/Vector3Attribute.h>
#include <db/Visitor.h>

#include <algorithm>

namespace db
{

Attribute::Attribute(AttributeDef& def) : m_def(&def), m_index(0), m_flags(0)
{
}

Attribute::~Attribute()
{
    if (hasFlag(s_pointerTarget))
        detail::Editor::targetDestroyed(this);
    if (hasFlag(s_ownsDef))
        delete m_def;
}

const std::wstring& Attribute::getName() const
{
    return m_def->getName();
}

bool Attribute::setName(const std::wstring&)
{
    return false;
}

// ------------------------------------------------------------ place in the tree

Node* Attribute::getParentNode() const
{
    for (CompositeAttribute* p = m_parent; p; p = p->m_parent)
    {
        if (p->isNode())
            return static_cast<Node*>(p);
    }
    return nullptr;
}

Node* Attribute::getOwnerNode() const
{
    if (isNode())
        return const_cast<Node*>(static_cast<const Node*>(this));
    return getParentNode();
}

unsigned int Attribute::getIndex() const
{
    if (isDetached())
        return m_index;
    const auto& siblings = m_parent->m_children;
    if (m_index < siblings.size() && siblings[m_index] == this)
        return m_index;
    return locateInParent();
}

namespace
{

// How far the last stale index was off. Edits come in runs (removing a block
// of siblings one by one, say), and then the next sibling asked for is off by
// about as much again: try there first. Only a hint; any value is safe.
long s_lastShift = 0;

} // namespace

unsigned int Attribute::locateInParent() const
{
    const auto& siblings = m_parent->m_children;
    const long size = static_cast<long>(siblings.size());
    const long stored = static_cast<long>(m_index);
    auto found = [this, stored](long index)
    {
        s_lastShift = index - stored;
        return m_index = static_cast<std::uint32_t>(index);
    };
    const long hinted = std::clamp(stored + s_lastShift, 0L, size - 1);
    for (long i = std::max(hinted - 2, 0L); i <= std::min(hinted + 2, size - 1); ++i)
    {
        if (siblings[i] == this)
            return found(i);
    }
    // Each insertion or removal since the index was last right moves it by at
    // most one, so the attribute is near its stored index: look both ways.
    // Far off, renumber all the siblings at once; that happens at most once
    // per that many edits of the parent.
    constexpr long s_searchLimit = 4096;
    const long guess = std::min(stored, size - 1);
    for (long distance = 0; distance <= s_searchLimit && distance < size; ++distance)
    {
        if (guess >= distance && siblings[guess - distance] == this)
            return found(guess - distance);
        if (guess + distance < size && siblings[guess + distance] == this)
            return found(guess + distance);
    }
    for (long i = 0; i < size; ++i)
        siblings[i]->m_index = static_cast<std::uint32_t>(i);
    s_lastShift = 0;
    return m_index;
}

Attribute* Attribute::getPrevious() const
{
    if (isNode())
        return static_cast<const Node*>(this)->getPrevious();
    if (isDetached())
        return nullptr;
    const unsigned int index = getIndex();
    return index == 0 ? nullptr : m_parent->m_children[index - 1];
}

Attribute* Attribute::getNext() const
{
    if (isNode())
        return static_cast<const Node*>(this)->getNext();
    if (isDetached())
        return nullptr;
    const std::size_t next = std::size_t(getIndex()) + 1;
    return next < m_parent->m_children.size() ? m_parent->m_children[next] : nullptr;
}

bool Attribute::isDescendantOf(const Attribute* ancestor) const
{
    if (!ancestor)
        return false;
    for (const Attribute* a = this; a->m_parent && !a->hasFlag(s_removed); a = a->m_parent)
    {
        if (a->m_parent == ancestor)
            return true;
    }
    return false;
}

bool Attribute::wasDescendantOf(const Attribute* ancestor) const
{
    if (!ancestor)
        return false;
    for (const Attribute* a = this; a->m_parent; a = a->m_parent)
    {
        if (a->m_parent == ancestor)
            return true;
        // Above the first removed attribute the chain is the one it had when it
        // was removed; further removed ones above it are followed the same way.
    }
    return false;
}

Database* Attribute::getDatabase() const
{
    const Attribute* a = this;
    while (true)
    {
        if (a->hasFlag(s_removed))
            return nullptr;
        if (!a->m_parent)
            return const_cast<Attribute*>(a)->asDatabase();
        a = a->m_parent;
    }
}

Attribute* Attribute::getRoot() const
{
    const Attribute* a = this;
    while (a->m_parent && !a->hasFlag(s_removed))
        a = a->m_parent;
    return const_cast<Attribute*>(a);
}

bool Attribute::remove()
{
    if (isDetached())
        return false;
    return m_parent->removeAttribute(this);
}

// ----------------------------------------------------------------- kind queries

bool Attribute::isComposite() const
{
    switch (getAttributeType())
    {
    case NodeType:
    case Compound:
    case AttributeArrayType:
    case NodeContainerType:
        return true;
    default:
        return false;
    }
}

bool Attribute::isArray() const
{
    const AttributeType type = getAttributeType();
    return isArrayType(type) || type == NodeContainerType || type == AttributeArrayType;
}

// ------------------------------------------------------------------ typed views

#define DB_TYPED_VIEW(Class, Type)                                                                                     \
    Class* Attribute::as##Class()                                                                                      \
    {                                                                                                                  \
        return getAttributeType() == Type ? static_cast<Class*>(this) : nullptr;                                       \
    }

DB_TYPED_VIEW(IntAttribute, Int)
DB_TYPED_VIEW(BoolAttribute, Bool)
DB_TYPED_VIEW(EnumAttribute, Enum)
DB_TYPED_VIEW(FloatAttribute, Float)
DB_TYPED_VIEW(DoubleAttribute, Double)
DB_TYPED_VIEW(StringAttribute, String)
DB_TYPED_VIEW(Vector3Attribute, Vector3)
DB_TYPED_VIEW(Matrix34Attribute, Matrix34)
DB_TYPED_VIEW(PointerAttribute, Pointer)
DB_TYPED_VIEW(IntArrayAttribute, IntArray)
DB_TYPED_VIEW(BoolArrayAttribute, BoolArray)
DB_TYPED_VIEW(EnumArrayAttribute, EnumArray)
DB_TYPED_VIEW(FloatArrayAttribute, FloatArray)
DB_TYPED_VIEW(DoubleArrayAttribute, DoubleArray)
DB_TYPED_VIEW(StringArrayAttribute, StringArray)
DB_TYPED_VIEW(Vector3ArrayAttribute, Vector3Array)
DB_TYPED_VIEW(Matrix34ArrayAttribute, Matrix34Array)
DB_TYPED_VIEW(PointerArrayAttribute, PointerArray)
DB_TYPED_VIEW(NodeContainer, NodeContainerType)
DB_TYPED_VIEW(AttributeArray, AttributeArrayType)

#undef DB_TYPED_VIEW

ArrayAttribute* Attribute::asArrayAttribute()
{
    return isArrayType(getAttributeType()) ? static_cast<ArrayAttribute*>(this) : nullptr;
}

CompositeAttribute* Attribute::asCompositeAttribute()
{
    return isComposite() ? static_cast<CompositeAttribute*>(this) : nullptr;
}

const CompositeAttribute* Attribute::asCompositeAttribute() const
{
    return isComposite() ? static_cast<const CompositeAttribute*>(this) : nullptr;
}

Node* Attribute::asNode()
{
    return isNode() ? static_cast<Node*>(this) : nullptr;
}

const Node* Attribute::asNode() const
{
    return isNode() ? static_cast<const Node*>(this) : nullptr;
}

Database* Attribute::asDatabase()
{
    // A flag rather than a cast: loaders and edits ask this for every tree they touch.
    return hasFlag(s_database) ? static_cast<Database*>(this) : nullptr;
}

// ----------------------------------------------------------------------- values

bool Attribute::hasSameValue(const Attribute& other) const
{
    return getAttributeType() == other.getAttributeType();
}

bool Attribute::copyValueFrom(const Attribute& other)
{
    return getAttributeType() == other.getAttributeType();
}

void Attribute::exchangeValue(detail::ValueSlot&)
{
}

void Attribute::saveValue(detail::ValueSlot&) const
{
}

void Attribute::accept(Visitor* visitor)
{
    if (!visitor)
        return;
    visitor->visitAttributeEnter(this);
    visitor->takeSkipChildren();
    visitor->visitAttributeExit(this);
}

} // namespace db
