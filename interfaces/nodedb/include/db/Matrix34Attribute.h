#pragma once

#include <db/Attribute.h>
#include <db/Export.h>
#include <OrkP/Matrix34.h>

namespace db {

/// An attribute holding a 4x3 transform.
class DBUI_NODEDB_EXPORT Matrix34Attribute : public Attribute
{
public:
    /// A detached attribute holding the definition's default.
    explicit Matrix34Attribute(AttributeDef& def);

    ///@{
    /// The value; the call form reads as the attribute itself, as in `width()`.
    const OrkP::Matrix34& getValue() const { return m_value; }
    const OrkP::Matrix34& operator()() const { return m_value; }
    ///@}
    /// Sets the value; inside a database the edit joins the open
    /// change block, or forms its own undo step.
    void setValue(const OrkP::Matrix34& value);

    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;

protected:
    void exchangeValue(detail::ValueSlot& slot) override;
    void saveValue(detail::ValueSlot& slot) const override;

private:
    OrkP::Matrix34 m_value;
};

} // namespace db
