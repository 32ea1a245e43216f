#pragma once

#include <db/EnumAttributeDef.h>
#include <db/Export.h>
#include <db/ValueArrayAttribute.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueArrayAttribute<EnumArray, int>;

/// A growable array of enum values of one EnumAttributeDef. Elements are not
/// clamped: their values come from the definition's names.
class DBUI_NODEDB_EXPORT EnumArrayAttribute : public ValueArrayAttribute<EnumArray, int>
{
public:
    /// A detached, empty array.
    explicit EnumArrayAttribute(AttributeDef& def) : ValueArrayAttribute(def) {}

    /// The enum definition (its names and values).
    const EnumAttributeDef& getEnumDef() const;
};

} // namespace db
