#include "NodeTableColumn.h"

#include "widgets/NumberText.h"

#include <db/Attribute.h>
#include <db/AttributeDef.h>
#include <db/BoolAttribute.h>
#include <db/CompositeAttribute.h>
#include <db/CompoundAttributeDef.h>
#include <db/DoubleAttribute.h>
#include <db/EnumAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntAttribute.h>
#include <db/Node.h>
#include <db/NodeDef.h>
#include <db/PointerAttribute.h>
#include <db/StringAttribute.h>
#include <db/ValueText.h>
#include <db/Vector3Attribute.h>

#include <charconv>
#include <cmath>
#include <cwctype>

namespace dbui::detail
{

namespace
{

const wchar_t* const s_components[] = {L"x", L"y", L"z"};
const wchar_t* const s_length = L"length";

std::vector<std::wstring> split(const std::wstring& path)
{
    std::vector<std::wstring> steps;
    std::size_t start = 0;
    for (std::size_t dot = path.find(L'.'); dot != std::wstring::npos; dot = path.find(L'.', start))
    {
        steps.push_back(path.substr(start, dot - start));
        start = dot + 1;
    }
    steps.push_back(path.substr(start));
    return steps;
}

int componentIndex(const std::wstring& step)
{
    for (int i = 0; i < 3; ++i)
        if (step == s_components[i])
            return i;
    return -1;
}

bool hasLength(db::AttributeType type)
{
    return db::isArrayType(type) || type == db::AttributeArrayType;
}

void addPaths(const db::CompoundAttributeDef& def, const std::wstring& prefix, std::vector<std::wstring>& paths)
{
    for (unsigned int i = 0; i < def.getAttributeDefCount(); ++i)
    {
        const db::AttributeDef& member = def.getAttributeDef(i);
        const std::wstring path = prefix + member.getName();
        const db::AttributeType type = member.getAttributeType();
        if (type == db::Compound)
            addPaths(*member.asCompoundAttributeDef(), path + L".", paths);
        else if (hasLength(type))
            paths.push_back(path + L"." + s_length);
        else if (type != db::NodeContainerType)
        {
            paths.push_back(path);
            if (type == db::Vector3)
                for (const wchar_t* component : s_components)
                    paths.push_back(path + L"." + component);
        }
    }
}

/// The text as a number when the whole of it is one (space around allowed).
bool readNumber(const std::wstring& text, double& value)
{
    std::string ascii;
    for (wchar_t c : text)
    {
        if (std::iswspace(static_cast<wint_t>(c)))
            continue;
        if (c > 0x7f)
            return false;
        ascii += static_cast<char>(c);
    }
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    return !ascii.empty() && result.ec == std::errc() && result.ptr == ascii.data() + ascii.size();
}

std::wstring shortest(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::wstring(buffer, result.ptr);
}

/// A bool cell's check box speaks "1" and "": the files' words stand for them.
std::wstring boolWord(const std::wstring& text)
{
    if (text == L"1")
        return L"true";
    if (text.empty())
        return L"false";
    return text;
}

/// Why a number is refused, or nothing: the database would quietly clamp it.
bool withinLimits(const db::AttributeDef& def, const std::wstring& text, std::wstring& why)
{
    double value = 0.0;
    if (!def.hasLimits() || !readNumber(text, value) || std::isnan(value))
        return true;
    if (value >= def.getMinimum() && value <= def.getMaximum())
        return true;
    why = text + L" is outside the limits of " + def.getName() + L", " + formatAsStream(def.getMinimum()) + L" to " +
          formatAsStream(def.getMaximum());
    return false;
}

} // namespace

TableColumn::TableColumn(Kind kind) : m_kind(kind), m_path(kind == Kind::Name ? L"name" : L"type")
{
}

TableColumn::TableColumn(const std::wstring& path, const db::NodeDef& def)
    : m_kind(Kind::Value), m_path(path), m_steps(split(path))
{
    const db::CompoundAttributeDef* compound = &def;
    for (std::size_t i = 0; i < m_steps.size(); ++i)
    {
        const db::AttributeDef* member = compound ? compound->findAttributeDef(m_steps[i]) : nullptr;
        if (!member || member->getAttributeType() == db::NodeContainerType)
            return;
        const bool last = i + 1 == m_steps.size();
        const bool penultimate = i + 2 == m_steps.size();
        const db::AttributeType type = member->getAttributeType();
        if (penultimate && type == db::Vector3 && componentIndex(m_steps[i + 1]) >= 0)
        {
            m_kind = Kind::Component;
            m_component = componentIndex(m_steps[i + 1]);
        }
        else if (penultimate && hasLength(type) && m_steps[i + 1] == s_length)
            m_kind = Kind::Length;
        else if (!last)
        {
            compound = member->asCompoundAttributeDef();
            if (type == db::Compound)
                continue;
            return;
        }
        m_type = type;
        m_steps.resize(i + 1);
        return;
    }
}

std::vector<std::wstring> TableColumn::pathsOf(const db::NodeDef& def)
{
    std::vector<std::wstring> paths;
    addPaths(def, std::wstring(), paths);
    return paths;
}

bool TableColumn::isSharedBy(const std::wstring& path, db::AttributeType type, const db::NodeDef& def)
{
    return TableColumn(path, def).type() == type;
}

bool TableColumn::isNumeric() const
{
    switch (m_kind)
    {
    case Kind::Component:
    case Kind::Length:
        return true;
    case Kind::Value:
        return m_type == db::Int || m_type == db::Bool || m_type == db::Float || m_type == db::Double;
    default:
        return false;
    }
}

bool TableColumn::isShownByDefault() const
{
    return m_kind == Kind::Value && m_steps.size() == 1 && m_type != db::Matrix34;
}

db::Attribute* TableColumn::resolve(db::Node& node) const
{
    if (m_steps.empty() || m_type == db::Invalid)
        return nullptr;
    const db::NodeDef* def = &node.getNodeDef();
    if (def != m_lastDef)
    {
        m_lastDef = def;
        m_lastIndex = def->findAttributeIndex(m_steps.front());
        m_lastIsColumn = m_lastIndex >= 0 && m_steps.size() == 1 &&
                         def->getAttributeDef(static_cast<unsigned int>(m_lastIndex)).getAttributeType() == m_type;
    }
    // A member of the type is where the type says, of the type it says:
    // nothing of the attribute itself need be read to find it.
    if (m_lastIsColumn)
        return node.getAttribute(static_cast<unsigned int>(m_lastIndex));
    // Dynamic attributes sit after the type's members, at no fixed place.
    db::Attribute* attribute = m_lastIndex >= 0 ? node.getAttribute(static_cast<unsigned int>(m_lastIndex))
                                                : node.findAttribute(m_steps.front());
    for (std::size_t i = 1; attribute && i < m_steps.size(); ++i)
    {
        const db::CompositeAttribute* compound = attribute->asCompositeAttribute();
        attribute = compound ? compound->findAttribute(m_steps[i]) : nullptr;
    }
    return attribute && attribute->getAttributeType() == m_type ? attribute : nullptr;
}

std::wstring TableColumn::shownText(db::Node& node) const
{
    if (m_kind == Kind::Name)
        return node.getName();
    if (m_kind == Kind::Type)
        return node.getClassID();
    db::Attribute* attribute = resolve(node);
    if (!attribute)
        return std::wstring();
    if (m_kind == Kind::Length)
        return std::to_wstring(attribute->getSize());
    if (m_kind == Kind::Component)
        return formatAsStream(attribute->asVector3Attribute()->getValue()[m_component]);
    // The inspector's widgets' texts, so that a value reads the same in both views.
    switch (m_type)
    {
    case db::Int:
        return std::to_wstring(attribute->asIntAttribute()->getValue());
    case db::Bool:
        return attribute->asBoolAttribute()->getValue() ? L"1" : L"";
    case db::Enum:
        return attribute->asEnumAttribute()->getValueAsString();
    case db::Float:
        return formatAsStream(attribute->asFloatAttribute()->getValue());
    case db::Double:
        return formatAsStream(attribute->asDoubleAttribute()->getValue());
    case db::String:
        return attribute->asStringAttribute()->getValue();
    case db::Vector3:
    {
        const OrkP::Vector3& v = attribute->asVector3Attribute()->getValue();
        return formatAsStream(v.x) + L" " + formatAsStream(v.y) + L" " + formatAsStream(v.z);
    }
    default:
        return exactText(node);
    }
}

std::wstring TableColumn::exactText(db::Node& node) const
{
    if (m_kind == Kind::Name || m_kind == Kind::Type)
        return shownText(node);
    db::Attribute* attribute = resolve(node);
    std::wstring text;
    if (!attribute)
        return text;
    if (m_kind == Kind::Length)
        return std::to_wstring(attribute->getSize());
    if (m_kind == Kind::Component)
        return shortest(attribute->asVector3Attribute()->getValue()[m_component]);
    db::valueToText(*attribute, text);
    return text;
}

double TableColumn::number(db::Node& node) const
{
    db::Attribute* attribute = resolve(node);
    if (!attribute)
        return -HUGE_VAL;
    if (m_kind == Kind::Length)
        return attribute->getSize();
    if (m_kind == Kind::Component)
        return attribute->asVector3Attribute()->getValue()[m_component];
    switch (m_type)
    {
    case db::Int:
        return attribute->asIntAttribute()->getValue();
    case db::Bool:
        return attribute->asBoolAttribute()->getValue() ? 1.0 : 0.0;
    case db::Float:
        return attribute->asFloatAttribute()->getValue();
    case db::Double:
        return attribute->asDoubleAttribute()->getValue();
    default:
        return 0.0;
    }
}

bool TableColumn::setText(db::Node& node, const std::wstring& text, std::wstring& why) const
{
    if (!isEditable())
    {
        why = L"the column " + m_path + L" cannot be edited";
        return false;
    }
    if (m_kind == Kind::Name)
        return node.setName(text);
    db::Attribute* attribute = resolve(node);
    if (!attribute)
    {
        why = node.getName() + L" has no " + m_path;
        return false;
    }
    if (m_kind == Kind::Component)
    {
        double value = 0.0;
        if (!readNumber(text, value))
        {
            why = L"\"" + text + L"\" is not a number";
            return false;
        }
        db::Vector3Attribute* vector = attribute->asVector3Attribute();
        OrkP::Vector3 v = vector->getValue();
        v[m_component] = static_cast<float>(value);
        vector->setValue(v);
        return true;
    }
    if (!withinLimits(attribute->getDef(), text, why))
        return false;
    if (db::setValueFromText(*attribute, m_type == db::Bool ? boolWord(text) : text, why))
        return true;
    why = m_path + L": " + why;
    return false;
}

bool TableColumn::copyCell(db::Node& from, db::Node& to) const
{
    if (m_kind == Kind::Name)
        return to.setName(from.getName());
    const db::Attribute* source = resolve(from);
    return source && copyValue(*source, to);
}

bool TableColumn::copyValue(const db::Attribute& source, db::Node& to) const
{
    db::Attribute* target = resolve(to);
    if (!target || !isEditable() || m_kind == Kind::Name)
        return false;
    if (m_kind != Kind::Component)
        return target->copyValueFrom(source);
    OrkP::Vector3 v = target->asVector3Attribute()->getValue();
    v[m_component] = static_cast<const db::Vector3Attribute&>(source).getValue()[m_component];
    target->asVector3Attribute()->setValue(v);
    return true;
}

bool TableColumn::resetCell(db::Node& node) const
{
    db::Attribute* attribute = m_kind == Kind::Name || m_kind == Kind::Type ? nullptr : resolve(node);
    if (!attribute || !isEditable())
        return false;
    if (m_kind != Kind::Component)
    {
        attribute->resetToDefault();
        return true;
    }
    db::Vector3Attribute* vector = attribute->asVector3Attribute();
    OrkP::Vector3 v = vector->getValue();
    v[m_component] = vector->getDef().getDefaultVector3()[m_component];
    vector->setValue(v);
    return true;
}

} // namespace dbui::detail
