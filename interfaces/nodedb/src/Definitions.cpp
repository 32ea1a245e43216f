#include "AttributeTypes.h"

#include <db/AttributeArrayDef.h>
#include <db/AttributeDef.h>
#include <db/CompoundAttributeDef.h>
#include <db/EnumAttributeDef.h>
#include <db/NodeContainerDef.h>
#include <db/NodeDef.h>

#include <utility>

namespace db
{

// ---------------------------------------------------------------- AttributeDef

AttributeDef::AttributeDef(const std::wstring& name, AttributeType type, int units)
    : m_name(name), m_type(type), m_units(units)
{
}

AttributeDef::~AttributeDef() = default;

void AttributeDef::setLimits(double minimum, double maximum)
{
    m_hasLimits = true;
    m_minimum = minimum;
    m_maximum = maximum;
}

double AttributeDef::clamp(double value) const
{
    if (!m_hasLimits)
        return value;
    if (value < m_minimum)
        return m_minimum;
    if (value > m_maximum)
        return m_maximum;
    return value;
}

void AttributeDef::copyBaseInto(AttributeDef& other) const
{
    other.m_units = m_units;
    other.m_hasLimits = m_hasLimits;
    other.m_minimum = m_minimum;
    other.m_maximum = m_maximum;
    other.m_defaultNumber = m_defaultNumber;
    other.m_defaultString = m_defaultString;
    other.m_defaultVector = m_defaultVector;
    other.m_defaultMatrix = m_defaultMatrix;
    other.m_editorHint = m_editorHint;
    other.m_fileFilter = m_fileFilter;
    other.m_targetDef = m_targetDef;
}

std::string AttributeDef::misfitOfEditorHint() const
{
    const AttributeType type = getAttributeType();
    if (m_editorHint.empty())
        return "";
    if (m_editorHint == L"colour")
        return type == Vector3 ? "" : "fits only vector3 attributes";
    if (m_editorHint == L"file" || m_editorHint == L"multiline")
        return type == String ? "" : "fits only string attributes";
    if (m_editorHint == L"slider")
    {
        if (type != Int && type != Float && type != Double)
            return "fits only int, float and double attributes";
        return hasLimits() ? "" : "needs both min and max";
    }
    return "is unknown";
}

AttributeDef* AttributeDef::makeCopy() const
{
    auto* copy = new AttributeDef(m_name, m_type, m_units);
    copyBaseInto(*copy);
    return copy;
}

// ------------------------------------------------------------ EnumAttributeDef

EnumAttributeDef::EnumAttributeDef(const std::wstring& name, AttributeType type, int units)
    : AttributeDef(name, type == EnumArray ? EnumArray : Enum, units)
{
}

bool EnumAttributeDef::addString(const std::wstring& text, int value)
{
    if (findString(text) >= 0)
        return false;
    m_entries.emplace_back(text, value);
    return true;
}

int EnumAttributeDef::findValue(int value) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
    {
        if (m_entries[i].second == value)
            return static_cast<int>(i);
    }
    return -1;
}

int EnumAttributeDef::findString(const std::wstring& text) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
    {
        if (m_entries[i].first == text)
            return static_cast<int>(i);
    }
    return -1;
}

AttributeDef* EnumAttributeDef::makeCopy() const
{
    auto* copy = new EnumAttributeDef(getName(), getAttributeType(), getUnits());
    copyBaseInto(*copy);
    copy->m_entries = m_entries;
    return copy;
}

// -------------------------------------------------------- CompoundAttributeDef

CompoundAttributeDef::CompoundAttributeDef(const std::wstring& name, AttributeType type, int units)
    : AttributeDef(name, type, units)
{
}

CompoundAttributeDef::~CompoundAttributeDef() = default;

AttributeDef* CompoundAttributeDef::addAttributeDef(std::unique_ptr<AttributeDef> def)
{
    if (!def || m_index.count(def->getName()) != 0)
        return nullptr;
    // Kinds that need more than the plain definition must come with their own class.
    const AttributeType type = def->getAttributeType();
    const detail::TypeShape shape = detail::shapeOf(type);
    const bool complete = (type != Enum && type != EnumArray) || def->asEnumAttributeDef();
    if (!complete || (type == Compound && !def->asCompoundAttributeDef()) ||
        (type == AttributeArrayType && !def->asAttributeArrayDef()) ||
        (type == NodeContainerType && !def->asNodeContainerDef()) || shape == detail::TypeShape::None ||
        shape == detail::TypeShape::Node)
        return nullptr;
    AttributeDef* raw = def.get();
    m_owned.push_back(std::move(def));
    addSharedAttributeDef(raw);
    return raw;
}

AttributeDef* CompoundAttributeDef::addAttributeDef(const std::wstring& name, AttributeType type, int units)
{
    switch (type)
    {
    case Enum:
    case EnumArray:
        return addAttributeDef(std::make_unique<EnumAttributeDef>(name, type, units));
    case Compound:
        return addAttributeDef(std::make_unique<CompoundAttributeDef>(name, Compound, units));
    case NodeContainerType:
        return addAttributeDef(std::make_unique<NodeContainerDef>(name, nullptr));
    case AttributeArrayType:
        return addAttributeDef(std::make_unique<AttributeArrayDef>(
            name, std::make_unique<CompoundAttributeDef>(name + L"Element", Compound)));
    case Invalid:
    case NodeType:
        return nullptr;
    default:
        return addAttributeDef(std::make_unique<AttributeDef>(name, type, units));
    }
}

void CompoundAttributeDef::addSharedAttributeDef(AttributeDef* def)
{
    const int index = static_cast<int>(m_members.size());
    m_index.emplace(def->getName(), index);
    m_members.push_back(def);
    // Shared members keep the index they have in their first owner; base types
    // come first in derived node types, so the positions agree.
    if (def->m_index < 0)
        def->m_index = index;
    if (def->canHoldNodes())
    {
        m_canHoldNodes = true;
        m_nodeHoldingMembers.push_back(static_cast<unsigned int>(index));
    }
    if (detail::shapeOf(def->getAttributeType()) == detail::TypeShape::Composite)
        m_compositeMembers.push_back(static_cast<unsigned int>(index));
}

AttributeDef* CompoundAttributeDef::findAttributeDef(const std::wstring& name) const
{
    const auto it = m_index.find(name);
    return it == m_index.end() ? nullptr : m_members[static_cast<std::size_t>(it->second)];
}

int CompoundAttributeDef::findAttributeIndex(const std::wstring& name) const
{
    const auto it = m_index.find(name);
    return it == m_index.end() ? -1 : it->second;
}

AttributeDef* CompoundAttributeDef::makeCopy() const
{
    auto* copy = new CompoundAttributeDef(getName(), getAttributeType(), getUnits());
    copyBaseInto(*copy);
    for (AttributeDef* member : m_members)
        copy->addAttributeDef(std::unique_ptr<AttributeDef>(member->makeCopy()));
    return copy;
}

// ----------------------------------------------------------- AttributeArrayDef

AttributeArrayDef::AttributeArrayDef(const std::wstring& name, std::unique_ptr<CompoundAttributeDef> element)
    : AttributeDef(name, AttributeArrayType), m_element(std::move(element))
{
    if (!m_element)
        m_element = std::make_unique<CompoundAttributeDef>(name + L"Element");
}

AttributeArrayDef::~AttributeArrayDef() = default;

AttributeDef* AttributeArrayDef::makeCopy() const
{
    std::unique_ptr<CompoundAttributeDef> element(static_cast<CompoundAttributeDef*>(m_element->makeCopy()));
    auto* copy = new AttributeArrayDef(getName(), std::move(element));
    copyBaseInto(*copy);
    return copy;
}

// ------------------------------------------------------------ NodeContainerDef

NodeContainerDef::NodeContainerDef(const std::wstring& name, NodeDef* contained)
    : AttributeDef(name, NodeContainerType), m_contained(contained)
{
}

bool NodeContainerDef::accepts(const NodeDef& def) const
{
    return def.isKindOf(m_contained);
}

AttributeDef* NodeContainerDef::makeCopy() const
{
    auto* copy = new NodeContainerDef(getName(), m_contained);
    copyBaseInto(*copy);
    return copy;
}

// --------------------------------------------------------------------- NodeDef

NodeDef::NodeDef(int typeId, const std::wstring& name, NodeDef* base, bool creatable)
    : CompoundAttributeDef(name, NodeType), m_typeId(typeId), m_base(base), m_creatable(creatable)
{
    if (m_base)
    {
        for (unsigned int i = 0; i < m_base->getAttributeDefCount(); ++i)
            addSharedAttributeDef(&m_base->getAttributeDef(i));
    }
}

bool NodeDef::isKindOf(const NodeDef* other) const
{
    if (!other)
        return true;
    for (const NodeDef* def = this; def; def = def->m_base)
    {
        if (def == other)
            return true;
    }
    return false;
}

} // namespace db
