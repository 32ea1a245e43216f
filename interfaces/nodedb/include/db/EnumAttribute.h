#pragma once

#include <db/EnumAttributeDef.h>
#include <db/Export.h>
#include <db/ValueAttribute.h>

#include <string>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueAttribute<Enum, int>;

/// An attribute holding one of the named values of its EnumAttributeDef. Values
/// are not clamped: they come from the definition's names.
class DBUI_NODEDB_EXPORT EnumAttribute : public ValueAttribute<Enum, int>
{
public:
    /// A detached attribute holding the definition's default.
    explicit EnumAttribute(AttributeDef& def) : ValueAttribute(def) {}

    /// The definition's name of the current value; "" when the value has no name.
    const std::wstring& getValueAsString() const;
    /// Sets the value named `text`; false (and nothing changes) when the definition has no such name.
    bool setValueAsString(const std::wstring& text);
    /// The enum definition (its names and values).
    const EnumAttributeDef& getEnumDef() const;
};

} // namespace db
