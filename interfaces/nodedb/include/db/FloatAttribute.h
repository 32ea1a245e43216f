#pragma once

#include <db/Attribute.h>
#include <db/Export.h>


namespace db {

/// An attribute holding a single-precision number.
class DBUI_NODEDB_EXPORT FloatAttribute : public Attribute
{
public:
    /// A detached attribute holding the definition's default.
    explicit FloatAttribute(AttributeDef& def);

    ///@{
    /// The value; the call form reads as the attribute itself, as in `width()`.
    float getValue() const { return m_value; }
    float operator()() const { return m_value; }
    ///@}
    /// Sets the value (clamped to the definition's limits); inside a database the edit joins the open
    /// change block, or forms its own undo step.
    void setValue(float value);

    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;

protected:
    void exchangeValue(detail::ValueSlot& slot) override;
    void saveValue(detail::ValueSlot& slot) const override;

private:
    float m_value;
};

} // namespace db
