#pragma once

#include <db/Attribute.h>
#include <db/Export.h>


namespace db {

/// An attribute holding a double-precision number.
class DBUI_NODEDB_EXPORT DoubleAttribute : public Attribute
{
public:
    /// A detached attribute holding the definition's default.
    explicit DoubleAttribute(AttributeDef& def);

    ///@{
    /// The value; the call form reads as the attribute itself, as in `width()`.
    double getValue() const { return m_value; }
    double operator()() const { return m_value; }
    ///@}
    /// Sets the value (clamped to the definition's limits); inside a database the edit joins the open
    /// change block, or forms its own undo step.
    void setValue(double value);

    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;

protected:
    void exchangeValue(detail::ValueSlot& slot) override;
    void saveValue(detail::ValueSlot& slot) const override;

private:
    double m_value;
};

} // namespace db
