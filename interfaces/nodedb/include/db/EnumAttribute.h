#pragma once

#include <db/Attribute.h>
#include <db/Export.h>

#include <db/EnumAttributeDef.h>
#include <string>

namespace db {

/// An attribute holding one of the named values of its EnumAttributeDef.
class DBUI_NODEDB_EXPORT EnumAttribute : public Attribute
{
public:
    /// A detached attribute holding the definition's default.
    explicit EnumAttribute(AttributeDef& def);

    ///@{
    /// The value; the call form reads as the attribute itself, as in `width()`.
    int getValue() const { return m_value; }
    int operator()() const { return m_value; }
    ///@}
    /// Sets the value (clamped to the definition's limits); inside a database the edit joins the open
    /// change block, or forms its own undo step.
    void setValue(int value);

    /// The definition's name of the current value; "" when the value has no name.
    const std::wstring& getValueAsString() const;
    /// Sets the value named `text`; false (and nothing changes) when the definition has no such name.
    bool setValueAsString(const std::wstring& text);
    /// The enum definition (its names and values).
    const EnumAttributeDef& getEnumDef() const;

    bool hasSameValue(const Attribute& other) const override;
    bool copyValueFrom(const Attribute& other) override;

protected:
    void exchangeValue(detail::ValueSlot& slot) override;
    void saveValue(detail::ValueSlot& slot) const override;

private:
    int m_value;
};

} // namespace db
