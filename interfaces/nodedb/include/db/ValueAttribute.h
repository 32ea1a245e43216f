#pragma once

#include <db/Attribute.h>
#include <db/Export.h>

#include <type_traits>

namespace db {

/// The body shared by the attributes that hold one plain value (`IntAttribute`,
/// `StringAttribute`, ...): each is this template for its type and value, with
/// what its type adds besides. Instantiated in the library for those types only.
template <AttributeType Type, class T>
class DBUI_NODEDB_EXPORT ValueAttribute : public Attribute
{
public:
    /// Numbers go in and out by value, the rest by reference.
    using Param = std::conditional_t<std::is_arithmetic_v<T>, T, const T&>;

    ///@{
    /// The value; the call form reads as the attribute itself, as in `width()`.
    Param getValue() const { return m_value; }
    Param operator()() const { return m_value; }
    ///@}
    /// Sets the value (ints, floats and doubles clamped to the definition's limits); inside a
    /// database the edit joins the open change block, or forms its own undo step.
    void setValue(Param value);

    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;

protected:
    /// A detached attribute holding the definition's default.
    explicit ValueAttribute(AttributeDef& def);

    void exchangeValue(detail::ValueSlot& slot) override;
    void saveValue(detail::ValueSlot& slot) const override;

private:
    T m_value;
};

} // namespace db
