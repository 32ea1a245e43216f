#include "AttributeTypes.h"
#include "Editor.h"

#include <db/EnumAttributeDef.h>

namespace db
{

template <AttributeType Type, class T>
ValueAttribute<Type, T>::ValueAttribute(AttributeDef& def)
    : Attribute(def), m_value(detail::TypeTraits<Type>::initial(def))
{
}

template <AttributeType Type, class T> void ValueAttribute<Type, T>::setValue(Param value)
{
    // The edit is opened (recording the old value once per block) before the member changes.
    if constexpr (detail::TypeTraits<Type>::s_limited)
    {
        const T limited = detail::TypeTraits<Type>::limit(getDef(), value);
        detail::Editor::ValueEdit edit(*this);
        m_value = limited;
    }
    else
    {
        detail::Editor::ValueEdit edit(*this);
        m_value = value;
    }
}

template <AttributeType Type, class T> bool ValueAttribute<Type, T>::hasSameValue(const Attribute& other) const
{
    return other.getAttributeType() == getAttributeType() &&
           static_cast<const ValueAttribute&>(other).m_value == m_value;
}

template <AttributeType Type, class T> bool ValueAttribute<Type, T>::copyValueFrom(const Attribute& other)
{
    if (other.getAttributeType() != getAttributeType())
        return false;
    setValue(static_cast<const ValueAttribute&>(other).m_value);
    return true;
}

template <AttributeType Type, class T> void ValueAttribute<Type, T>::exchangeValue(detail::ValueSlot& slot)
{
    detail::exchangeWith(m_value, slot);
}

template <AttributeType Type, class T> void ValueAttribute<Type, T>::saveValue(detail::ValueSlot& slot) const
{
    slot.value = m_value;
}

template class ValueAttribute<Int, int>;
template class ValueAttribute<Bool, bool>;
template class ValueAttribute<Enum, int>;
template class ValueAttribute<Float, float>;
template class ValueAttribute<Double, double>;
template class ValueAttribute<String, std::wstring>;
template class ValueAttribute<Vector3, OrkP::Vector3>;
template class ValueAttribute<Matrix34, OrkP::Matrix34>;

const std::wstring& EnumAttribute::getValueAsString() const
{
    const EnumAttributeDef& def = getEnumDef();
    const int index = def.findValue(getValue());
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

} // namespace db
