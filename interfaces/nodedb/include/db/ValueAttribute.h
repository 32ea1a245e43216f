#pragma once

#include <db/Attribute.h>
#include <db/Export.h>

#include <type_traits>

namespace db
{

/// The body shared by the attributes that hold one plain value (`IntAttribute`,
/// `StringAttribute`, ...): each is this template for its type and value, with
/// what its type adds besides. Instantiated in the library for those types only.
template <AttributeType Type, class T> class DBUI_NODEDB_EXPORT ValueAttribute : public Attribute
{
public:
    /// Numbers go in and out by value, the rest by reference.
    using Param = std::conditional_t<std::is_arithmetic_v<T>, T, const T&>;

    /// The value.
    Param getValue() const { return m_value; }
    /// The value; the call form reads as the attribute itself, as in `width()`.
    Param operator()() const { return m_value; }
    /// Sets the value (ints, floats and doubles clamped to the definition's limits); inside a
    /// database the edit joins the open change block, or forms its own undo step.
    void setValue(Param value);

    /// True when `other` is of the same type and holds an equal value (NaN differs from everything).
    bool hasSameValue(const Attribute& other) const override;
    /// Sets this value from `other` of the same type; false on a type mismatch.
    bool copyValueFrom(const Attribute& other) override;

protected:
    /// A detached attribute holding the definition's default.
    explicit ValueAttribute(AttributeDef& def);

    /// Exchanges the value with a snapshot slot (undo and redo).
    void exchangeValue(detail::ValueSlot& slot) override;
    /// Stores the value in a snapshot slot.
    void saveValue(detail::ValueSlot& slot) const override;

private:
    T m_value;
};

} // namespace db
