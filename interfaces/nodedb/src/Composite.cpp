#include "Editor.h"

#include <db/AttributeArray.h>
#include <db/AttributeArrayDef.h>
#include <db/CompositeAttribute.h>
#include <db/CompoundAttributeDef.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeContainerDef.h>
#include <db/NodeDef.h>
#include <db/Visitor.h>

namespace db
{

// ----------------------------------------------------------- CompositeAttribute

CompositeAttribute::CompositeAttribute(AttributeDef& def) : Attribute(def)
{
    if (const CompoundAttributeDef* compound = def.asCompoundAttributeDef())
        createMembers(*compound);
}

CompositeAttribute::CompositeAttribute(AttributeDef& def, NoMembers) : Attribute(def)
{
}

CompositeAttribute::~CompositeAttribute()
{
    detail::Editor::destroyMembers(*this);
}

void CompositeAttribute::createMembers(const CompoundAttributeDef& def)
{
    // Like a node's: thousands of compounds (and of attribute array elements)
    // in a big database, each one allocation instead of one per member.
    detail::Editor::buildMembers(*this, def);
}

Attribute* CompositeAttribute::findAttribute(const std::wstring& name) const
{
    if (const CompoundAttributeDef* compound = getDef().asCompoundAttributeDef())
    {
        const int index = compound->findAttributeIndex(name);
        if (index >= 0 && static_cast<unsigned int>(index) < m_children.size())
            return m_children[static_cast<unsigned int>(index)];
        return nullptr;
    }
    for (Attribute* child : m_children)
    {
        if (child->getName() == name)
            return child;
    }
    return nullptr;
}

bool CompositeAttribute::addAttribute(Attribute* child)
{
    return child && insertAttribute(getAttributeCount(), child);
}

bool CompositeAttribute::insertAttribute(unsigned int index, Attribute* child)
{
    return child && detail::Editor::insert(*this, index, *child);
}

bool CompositeAttribute::removeAttribute(Attribute* child)
{
    if (!child || child->getParentAttribute() != this || child->isDetached())
        return false;
    // Members that the definition fixes stay; only what was added can go.
    if (!isNodeContainer() && !isAttributeArray() && !child->isDynamic())
        return false;
    return detail::Editor::remove(*this, *child);
}

int CompositeAttribute::getOldAttributeIndex(const Attribute* child) const
{
    if (!child || child->getParentAttribute() != this)
        return -1;
    return static_cast<int>(child->getIndex());
}

bool CompositeAttribute::accepts(const Attribute&) const
{
    return false;
}

bool CompositeAttribute::hasSameValue(const Attribute& other) const
{
    if (other.getAttributeType() != getAttributeType())
        return false;
    const auto& composite = static_cast<const CompositeAttribute&>(other);
    if (composite.m_children.size() != m_children.size())
        return false;
    for (std::size_t i = 0; i < m_children.size(); ++i)
    {
        if (m_children[i]->getName() != composite.m_children[i]->getName() ||
            !m_children[i]->hasSameValue(*composite.m_children[i]))
            return false;
    }
    return true;
}

bool CompositeAttribute::copyValueFrom(const Attribute& other)
{
    if (other.getAttributeType() != getAttributeType())
        return false;
    const auto& source = static_cast<const CompositeAttribute&>(other);
    bool ok = true;
    for (Attribute* child : source.m_children)
    {
        if (Attribute* mine = findAttribute(child->getName()))
            ok = mine->copyValueFrom(*child) && ok;
    }
    return ok;
}

void CompositeAttribute::accept(Visitor* visitor)
{
    if (!visitor)
        return;
    bool descend = visitor->visitAttributeEnter(this);
    if (visitor->takeSkipChildren())
        descend = false;
    // Indexed loop: a visitor may add children while it walks.
    for (std::size_t i = 0; descend && i < m_children.size(); ++i)
        m_children[i]->accept(visitor);
    visitor->visitAttributeExit(this);
}

// --------------------------------------------------------------- AttributeArray

AttributeArray::AttributeArray(AttributeDef& def) : CompositeAttribute(def, NoMembers{})
{
}

const AttributeArrayDef& AttributeArray::getArrayDef() const
{
    return *getDef().asAttributeArrayDef();
}

CompositeAttribute* AttributeArray::add(bool copyLast)
{
    auto* element = new CompositeAttribute(getArrayDef().getElementDef());
    if (copyLast && getAttributeCount() > 0)
        element->copyValueFrom(*getAttribute(getAttributeCount() - 1));
    if (!addAttribute(element))
    {
        delete element;
        return nullptr;
    }
    return element;
}

CompositeAttribute* AttributeArray::getElement(unsigned int index) const
{
    return index < getAttributeCount() ? static_cast<CompositeAttribute*>(getAttribute(index)) : nullptr;
}

bool AttributeArray::removeElement(unsigned int index)
{
    return index < getAttributeCount() && removeAttribute(getAttribute(index));
}

bool AttributeArray::accepts(const Attribute& child) const
{
    return child.isCompound() && &child.getDef() == &getArrayDef().getElementDef();
}

// ---------------------------------------------------------------- NodeContainer

NodeContainer::NodeContainer(AttributeDef& def) : CompositeAttribute(def, NoMembers{})
{
}

const NodeContainerDef& NodeContainer::getContainerDef() const
{
    return *getDef().asNodeContainerDef();
}

Node* NodeContainer::getNode(unsigned int index) const
{
    return index < getAttributeCount() ? static_cast<Node*>(getAttribute(index)) : nullptr;
}

bool NodeContainer::add(Node* node)
{
    return addAttribute(node);
}

bool NodeContainer::insert(unsigned int index, Node* node)
{
    return insertAttribute(index, node);
}

bool NodeContainer::remove(Node* node)
{
    return removeAttribute(node);
}

Node* NodeContainer::findNode(const std::wstring& name) const
{
    return static_cast<Node*>(findAttribute(name));
}

bool NodeContainer::accepts(const Attribute& child) const
{
    const Node* node = child.asNode();
    return node && !const_cast<Node*>(node)->asDatabase() && getContainerDef().accepts(node->getNodeDef());
}

} // namespace db
