#pragma once

#include <db/Export.h>
#include <db/ValueArrayAttribute.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueArrayAttribute<BoolArray, bool>;

/// A growable array of truth values.
class DBUI_NODEDB_EXPORT BoolArrayAttribute : public ValueArrayAttribute<BoolArray, bool>
{
public:
    /// A detached, empty array.
    explicit BoolArrayAttribute(AttributeDef& def) : ValueArrayAttribute(def) {}
};

} // namespace db
