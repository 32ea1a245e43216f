#include "Editor.h"

#include <db/BoolAttribute.h>
#include <db/DoubleAttribute.h>
#include <db/EnumAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntAttribute.h>
#include <db/Matrix34Attribute.h>
#include <db/StringAttribute.h>
#include <db/Vector3Attribute.h>

#include <climits>
#include <cmath>

namespace db {

namespace {

int clampInt(const AttributeDef& def, int value)
{
    if (!def.hasLimits())
        return value;
    const double clamped = def.clamp(value);
    if (clamped <= static_cast<double>(INT_MIN))
        return INT_MIN;
    if (clamped >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(clamped);
}

float clampFloat(const AttributeDef& def, float value)
{
    if (!def.hasLimits() || std::isnan(value))
        return value;
    return static_cast<float>(def.clamp(value));
}

double clampDouble(const AttributeDef& def, double value)
{
    if (!def.hasLimits() || std::isnan(value))
        return value;
    return def.clamp(value);
}

} // namespace

// Every scalar kind follows the same pattern: the edit is opened (recording the
// old value once per block) before the member changes.
#define DB_SCALAR_COMMON(Class, Type, Initial)                                                                         \
    Class::Class(AttributeDef& def) : Attribute(def), m_value(Initial) {}                                              \
    bool Class::hasSameValue(const Attribute& other) const                                                             \
    {                                                                                                                  \
        return other.getAttributeType() == getAttributeType() && static_cast<const Class&>(other).m_value == m_value;  \
    }                                                                                                                  \
    bool Class::copyValueFrom(const Attribute& other)                                                                  \
    {                                                                                                                  \
        if (other.getAttributeType() != getAttributeType())                                                            \
            return false;                                                                                              \
        setValue(static_cast<const Class&>(other).m_value);                                                            \
        return true;                                                                                                   \
    }                                                                                                                  \
    void Class::exchangeValue(detail::ValueSlot& slot) { detail::exchangeWith(m_value, slot); }                        \
    void Class::saveValue(detail::ValueSlot& slot) const { slot.value = m_value; }

DB_SCALAR_COMMON(IntAttribute, int, clampInt(def, def.getDefaultInt()))
DB_SCALAR_COMMON(BoolAttribute, bool, def.getDefaultBool())
DB_SCALAR_COMMON(EnumAttribute, int, def.getDefaultInt())
DB_SCALAR_COMMON(FloatAttribute, float, def.getDefaultFloat())
DB_SCALAR_COMMON(DoubleAttribute, double, def.getDefaultDouble())
DB_SCALAR_COMMON(StringAttribute, std::wstring, def.getDefaultString())
DB_SCALAR_COMMON(Vector3Attribute, OrkP::Vector3, def.getDefaultVector3())
DB_SCALAR_COMMON(Matrix34Attribute, OrkP::Matrix34, def.getDefaultMatrix34())

#undef DB_SCALAR_COMMON

void IntAttribute::setValue(int value)
{
    value = clampInt(getDef(), value);
    detail::Editor::ValueEdit edit(*this);
    m_value = value;
}

void BoolAttribute::setValue(bool value)
{
    detail::Editor::ValueEdit edit(*this);
    m_value = value;
}

void EnumAttribute::setValue(int value)
{
    detail::Editor::ValueEdit edit(*this);
    m_value = value;
}

const std::wstring& EnumAttribute::getValueAsString() const
{
    const EnumAttributeDef& def = getEnumDef();
    const int index = def.findValue(m_value);
    return index < 0 ? EmptyString() : def.getString(static_cast<unsigned int>(index));
}

bool EnumAttribute::setValueAsString(const std::wstring& text)
{
    const EnumAttributeDef& def = getEnumDef();
    const int index = def.findString(text);
    if (index < 0)
        return false;
    setValue(def.getStringValue(static_cast<unsigned int>(index)));
    return true;
}

const EnumAttributeDef& EnumAttribute::getEnumDef() const
{
    // Enum attributes are only ever made from enum definitions (see Editor::createAttribute).
    return static_cast<const EnumAttributeDef&>(getDef());
}

void FloatAttribute::setValue(float value)
{
    value = clampFloat(getDef(), value);
    detail::Editor::ValueEdit edit(*this);
    m_value = value;
}

void DoubleAttribute::setValue(double value)
{
    value = clampDouble(getDef(), value);
    detail::Editor::ValueEdit edit(*this);
    m_value = value;
}

void StringAttribute::setValue(const std::wstring& value)
{
    detail::Editor::ValueEdit edit(*this);
    m_value = value;
}

void Vector3Attribute::setValue(const OrkP::Vector3& value)
{
    detail::Editor::ValueEdit edit(*this);
    m_value = value;
}

void Matrix34Attribute::setValue(const OrkP::Matrix34& value)
{
    detail::Editor::ValueEdit edit(*this);
    m_value = value;
}

} // namespace db
