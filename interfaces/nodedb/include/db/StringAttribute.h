#pragma once

#include <db/Attribute.h>
#include <db/Export.h>
#include <string>

namespace db {

/// An attribute holding a text; units 1 mark script text.
class DBUI_NODEDB_EXPORT StringAttribute : public Attribute
{
public:
    /// A detached attribute holding the definition's default.
    explicit StringAttribute(AttributeDef& def);

    ///@{
    /// The value; the call form reads as the attribute itself, as in `width()`.
    const std::wstring& getValue() const { return m_value; }
    const std::wstring& operator()() const { return m_value; }
    ///@}
    /// Sets the value; inside a database the edit joins the open
    /// change block, or forms its own undo step.
    void setValue(const std::wstring& value);

    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;

protected:
    void exchangeValue(detail::ValueSlot& slot) override;
    void saveValue(detail::ValueSlot& slot) const override;

private:
    std::wstring m_value;
};

} // namespace db
