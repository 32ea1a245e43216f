#pragma once

#include <db/Attribute.h>
#include <db/Export.h>


namespace db {

/// An attribute holding a 32-bit signed integer.
class DBUI_NODEDB_EXPORT IntAttribute : public Attribute
{
public:
    /// A detached attribute holding the definition's default.
    explicit IntAttribute(AttributeDef& def);

    ///@{
    /// The value; the call form reads as the attribute itself, as in `width()`.
    int getValue() const { return m_value; }
    int operator()() const { return m_value; }
    ///@}
    /// Sets the value (clamped to the definition's limits); inside a database the edit joins the open
    /// change block, or forms its own undo step.
    void setValue(int value);

    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;

protected:
    void exchangeValue(detail::ValueSlot& slot) override;
    void saveValue(detail::ValueSlot& slot) const override;

private:
    int m_value;
};

} // namespace db
