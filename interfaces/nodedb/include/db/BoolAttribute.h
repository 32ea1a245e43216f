#pragma once

#include <db/Attribute.h>
#include <db/Export.h>


namespace db {

/// An attribute holding a truth value.
class DBUI_NODEDB_EXPORT BoolAttribute : public Attribute
{
public:
    /// A detached attribute holding the definition's default.
    explicit BoolAttribute(AttributeDef& def);

    ///@{
    /// The value; the call form reads as the attribute itself, as in `width()`.
    bool getValue() const { return m_value; }
    bool operator()() const { return m_value; }
    ///@}
    /// Sets the value; inside a database the edit joins the open
    /// change block, or forms its own undo step.
    void setValue(bool value);

    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;

protected:
    void exchangeValue(detail::ValueSlot& slot) override;
    void saveValue(detail::ValueSlot& slot) const override;

private:
    bool m_value;
};

} // namespace db
