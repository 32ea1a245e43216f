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

namespace db {

// Element edits are kept for undo as such, so that adding one element to a
// long array keeps one element; replacing or emptying the whole array keeps a
// copy of it. Elements are bounded and defaulted as the table of types says for
// their type (enum arrays are not clamped: their values come from the enum
// definition).
#define DB_ELEMENT_LIMIT(Type) detail::TypeTraits<Type>::Element::limit(getDef(), value)
#define DB_ARRAY_COMMON(Class, Type, T, Arg)                                                                           \
    Class::Class(AttributeDef& def) : ArrayAttribute(def)                                                              \
    {                                                                                                                  \
    }                                                                                                                  \
    void Class::add(Arg value)                                                                                         \
    {                                                                                                                  \
        detail::Editor::editElement(*this, detail::ElementOp::Insert, getSize(),                                       \
                                    detail::slotOf<T>(DB_ELEMENT_LIMIT(Type)));                                        \
    }                                                                                                                  \
    bool Class::insert(unsigned int index, Arg value)                                                                  \
    {                                                                                                                  \
        if (index > m_values.size())                                                                                   \
            return false;                                                                                              \
        detail::Editor::editElement(*this, detail::ElementOp::Insert, index,                                           \
                                    detail::slotOf<T>(DB_ELEMENT_LIMIT(Type)));                                        \
        return true;                                                                                                   \
    }                                                                                                                  \
    bool Class::setElement(unsigned int index, Arg value)                                                              \
    {                                                                                                                  \
        if (index >= m_values.size())                                                                                  \
            return false;                                                                                              \
        detail::Editor::editElement(*this, detail::ElementOp::Exchange, index,                                         \
                                    detail::slotOf<T>(DB_ELEMENT_LIMIT(Type)));                                        \
        return true;                                                                                                   \
    }                                                                                                                  \
    void Class::setValues(const std::vector<T>& values)                                                                \
    {                                                                                                                  \
        std::vector<T> copy;                                                                                           \
        copy.reserve(values.size());                                                                                   \
        for (const T& value : values)                                                                                  \
            copy.push_back(DB_ELEMENT_LIMIT(Type));                                                                    \
        detail::Editor::ValueEdit edit(*this);                                                                         \
        m_values.swap(copy);                                                                                           \
    }                                                                                                                  \
    void Class::setValues(std::vector<T>&& values)                                                                     \
    {                                                                                                                  \
        for (T& element : values)                                                                                      \
        {                                                                                                              \
            const T& value = element;                                                                                  \
            element = DB_ELEMENT_LIMIT(Type);                                                                          \
        }                                                                                                              \
        detail::Editor::ValueEdit edit(*this);                                                                         \
        m_values.swap(values);                                                                                         \
    }                                                                                                                  \
    bool Class::removeElement(unsigned int index)                                                                      \
    {                                                                                                                  \
        if (index >= m_values.size())                                                                                  \
            return false;                                                                                              \
        detail::Editor::editElement(*this, detail::ElementOp::Erase, index, detail::ValueSlot{});                      \
        return true;                                                                                                   \
    }                                                                                                                  \
    void Class::addDefault()                                                                                           \
    {                                                                                                                  \
        add(detail::TypeTraits<Type>::Element::initial(getDef()));                                                     \
    }                                                                                                                  \
    void Class::clear()                                                                                                \
    {                                                                                                                  \
        detail::Editor::ValueEdit edit(*this);                                                                         \
        m_values.clear();                                                                                              \
    }                                                                                                                  \
    bool Class::hasSameValue(const Attribute& other) const                                                             \
    {                                                                                                                  \
        return other.getAttributeType() == getAttributeType() &&                                                       \
               static_cast<const Class&>(other).m_values == m_values;                                                  \
    }                                                                                                                  \
    bool Class::copyValueFrom(const Attribute& other)                                                                  \
    {                                                                                                                  \
        if (other.getAttributeType() != getAttributeType())                                                            \
            return false;                                                                                              \
        setValues(static_cast<const Class&>(other).m_values);                                                          \
        return true;                                                                                                   \
    }                                                                                                                  \
    void Class::exchangeValue(detail::ValueSlot& slot)                                                                 \
    {                                                                                                                  \
        detail::exchangeWith(m_values, slot);                                                                          \
    }                                                                                                                  \
    void Class::saveValue(detail::ValueSlot& slot) const                                                               \
    {                                                                                                                  \
        slot.value = m_values;                                                                                         \
    }                                                                                                                  \
    void Class::replayElement(detail::ElementOp op, unsigned int index, detail::ValueSlot& slot)                       \
    {                                                                                                                  \
        detail::replayElement(m_values, op, index, slot);                                                              \
    }

DB_ARRAY_COMMON(IntArrayAttribute, IntArray, int, int)
DB_ARRAY_COMMON(EnumArrayAttribute, EnumArray, int, int)
DB_ARRAY_COMMON(FloatArrayAttribute, FloatArray, float, float)
DB_ARRAY_COMMON(DoubleArrayAttribute, DoubleArray, double, double)
DB_ARRAY_COMMON(StringArrayAttribute, StringArray, std::wstring, const std::wstring&)
DB_ARRAY_COMMON(Vector3ArrayAttribute, Vector3Array, OrkP::Vector3, const OrkP::Vector3&)
DB_ARRAY_COMMON(Matrix34ArrayAttribute, Matrix34Array, OrkP::Matrix34, const OrkP::Matrix34&)

#undef DB_ARRAY_COMMON
#undef DB_ELEMENT_LIMIT

const EnumAttributeDef& EnumArrayAttribute::getEnumDef() const
{
    return static_cast<const EnumAttributeDef&>(getDef());
}

// Bool arrays take their elements by value (std::vector<bool> has no element references).
BoolArrayAttribute::BoolArrayAttribute(AttributeDef& def) : ArrayAttribute(def) {}

void BoolArrayAttribute::add(bool value)
{
    detail::Editor::editElement(*this, detail::ElementOp::Insert, getSize(), detail::slotOf(value));
}

bool BoolArrayAttribute::insert(unsigned int index, bool value)
{
    if (index > m_values.size())
        return false;
    detail::Editor::editElement(*this, detail::ElementOp::Insert, index, detail::slotOf(value));
    return true;
}

bool BoolArrayAttribute::setElement(unsigned int index, bool value)
{
    if (index >= m_values.size())
        return false;
    detail::Editor::editElement(*this, detail::ElementOp::Exchange, index, detail::slotOf(value));
    return true;
}

void BoolArrayAttribute::setValues(const std::vector<bool>& values)
{
    std::vector<bool> copy(values);
    detail::Editor::ValueEdit edit(*this);
    m_values.swap(copy);
}

bool BoolArrayAttribute::removeElement(unsigned int index)
{
    if (index >= m_values.size())
        return false;
    detail::Editor::editElement(*this, detail::ElementOp::Erase, index, detail::ValueSlot{});
    return true;
}

void BoolArrayAttribute::addDefault()
{
    add(getDef().getDefaultBool());
}

void BoolArrayAttribute::clear()
{
    detail::Editor::ValueEdit edit(*this);
    m_values.clear();
}

bool BoolArrayAttribute::hasSameValue(const Attribute& other) const
{
    return other.getAttributeType() == getAttributeType() &&
           static_cast<const BoolArrayAttribute&>(other).m_values == m_values;
}

bool BoolArrayAttribute::copyValueFrom(const Attribute& other)
{
    if (other.getAttributeType() != getAttributeType())
        return false;
    setValues(static_cast<const BoolArrayAttribute&>(other).m_values);
    return true;
}

void BoolArrayAttribute::exchangeValue(detail::ValueSlot& slot)
{
    detail::exchangeWith(m_values, slot);
}

void BoolArrayAttribute::saveValue(detail::ValueSlot& slot) const
{
    slot.value = m_values;
}

void BoolArrayAttribute::replayElement(detail::ElementOp op, unsigned int index, detail::ValueSlot& slot)
{
    detail::replayElement(m_values, op, index, slot);
}

} // namespace db
