#include "AttributeTypes.h"
#include "Editor.h"

#include <db/BoolArrayAttribute.h>
#include <db/DoubleArrayAttribute.h>
#include <db/EnumArrayAttribute.h>
#include <db/FloatArrayAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/Vector3ArrayAttribute.h>

namespace db
{

// Element edits are kept for undo as such, so that adding one element to a
// long array keeps one element; replacing or emptying the whole array keeps a
// copy of it. Elements are bounded and defaulted as the table of types says for
// their type (enum arrays are not clamped: their values come from the enum
// definition).
template <AttributeType Type> using ElementTraits = typename detail::TypeTraits<Type>::Element;

template <AttributeType Type, class T> void ValueArrayAttribute<Type, T>::add(Param value)
{
    detail::Editor::editElement(*this, detail::ElementOp::Insert, getSize(),
                                detail::slotOf<T>(ElementTraits<Type>::limit(getDef(), value)));
}

template <AttributeType Type, class T> bool ValueArrayAttribute<Type, T>::insert(unsigned int index, Param value)
{
    if (index > m_values.size())
        return false;
    detail::Editor::editElement(*this, detail::ElementOp::Insert, index,
                                detail::slotOf<T>(ElementTraits<Type>::limit(getDef(), value)));
    return true;
}

template <AttributeType Type, class T> bool ValueArrayAttribute<Type, T>::setElement(unsigned int index, Param value)
{
    if (index >= m_values.size())
        return false;
    detail::Editor::editElement(*this, detail::ElementOp::Exchange, index,
                                detail::slotOf<T>(ElementTraits<Type>::limit(getDef(), value)));
    return true;
}

namespace
{

/// Bounds every element, in place. Most arrays are of a type without limits,
/// or of a definition without any: they are left as they are, not walked.
template <AttributeType Type, class T> void limitAll(const AttributeDef& def, std::vector<T>& values)
{
    if constexpr (ElementTraits<Type>::s_limited)
    {
        if (!def.hasLimits())
            return;
        // auto&& as std::vector<bool> hands out proxies, not references.
        for (auto&& element : values)
            element = ElementTraits<Type>::limit(def, element);
    }
}

} // namespace

template <AttributeType Type, class T> void ValueArrayAttribute<Type, T>::setValues(const std::vector<T>& values)
{
    std::vector<T> copy(values);
    limitAll<Type>(getDef(), copy);
    detail::Editor::ValueEdit edit(*this);
    m_values.swap(copy);
}

template <AttributeType Type, class T> void ValueArrayAttribute<Type, T>::setValues(std::vector<T>&& values)
{
    limitAll<Type>(getDef(), values);
    detail::Editor::ValueEdit edit(*this);
    m_values.swap(values);
}

template <AttributeType Type, class T> bool ValueArrayAttribute<Type, T>::removeElement(unsigned int index)
{
    if (index >= m_values.size())
        return false;
    detail::Editor::editElement(*this, detail::ElementOp::Erase, index, detail::ValueSlot{});
    return true;
}

template <AttributeType Type, class T> void ValueArrayAttribute<Type, T>::addDefault()
{
    add(ElementTraits<Type>::initial(getDef()));
}

template <AttributeType Type, class T> void ValueArrayAttribute<Type, T>::clear()
{
    detail::Editor::ValueEdit edit(*this);
    m_values.clear();
}

template <AttributeType Type, class T> bool ValueArrayAttribute<Type, T>::hasSameValue(const Attribute& other) const
{
    return other.getAttributeType() == getAttributeType() &&
           static_cast<const ValueArrayAttribute&>(other).m_values == m_values;
}

template <AttributeType Type, class T> bool ValueArrayAttribute<Type, T>::copyValueFrom(const Attribute& other)
{
    if (other.getAttributeType() != getAttributeType())
        return false;
    setValues(static_cast<const ValueArrayAttribute&>(other).m_values);
    return true;
}

template <AttributeType Type, class T> void ValueArrayAttribute<Type, T>::exchangeValue(detail::ValueSlot& slot)
{
    detail::exchangeWith(m_values, slot);
}

template <AttributeType Type, class T> void ValueArrayAttribute<Type, T>::saveValue(detail::ValueSlot& slot) const
{
    slot.value = m_values;
}

template <AttributeType Type, class T>
void ValueArrayAttribute<Type, T>::replayElement(detail::ElementOp op, unsigned int index, detail::ValueSlot& slot)
{
    detail::replayElement(m_values, op, index, slot);
}

template class ValueArrayAttribute<IntArray, int>;
template class ValueArrayAttribute<BoolArray, bool>;
template class ValueArrayAttribute<EnumArray, int>;
template class ValueArrayAttribute<FloatArray, float>;
template class ValueArrayAttribute<DoubleArray, double>;
template class ValueArrayAttribute<StringArray, std::wstring>;
template class ValueArrayAttribute<Vector3Array, OrkP::Vector3>;
template class ValueArrayAttribute<Matrix34Array, OrkP::Matrix34>;

const EnumAttributeDef& EnumArrayAttribute::getEnumDef() const
{
    return static_cast<const EnumAttributeDef&>(getDef());
}

} // namespace db
