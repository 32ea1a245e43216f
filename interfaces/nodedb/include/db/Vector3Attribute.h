#pragma once

#include <db/Attribute.h>
#include <db/Export.h>
#include <OrkP/Vector3.h>

namespace db {

/// An attribute holding a vector.
class DBUI_NODEDB_EXPORT Vector3Attribute : public Attribute
{
public:
    /// A detached attribute holding the definition's default.
    explicit Vector3Attribute(AttributeDef& def);

    ///@{
    /// The value; the call form reads as the attribute itself, as in `width()`.
    const OrkP::Vector3& getValue() const { return m_value; }
    const OrkP::Vector3& operator()() const { return m_value; }
    ///@}
    /// Sets the value; inside a database the edit joins the open
    /// change block, or forms its own undo step.
    void setValue(const OrkP::Vector3& value);

    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;

protected:
    void exchangeValue(detail::ValueSlot& slot) override;
    void saveValue(detail::ValueSlot& slot) const override;

private:
    OrkP::Vector3 m_value;
};

} // namespace db
