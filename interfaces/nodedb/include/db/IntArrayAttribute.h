#pragma once

#include <db/Export.h>
#include <db/ValueArrayAttribute.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueArrayAttribute<IntArray, int>;

/// A growable array of integers. Elements are clamped to the definition's limits.
class DBUI_NODEDB_EXPORT IntArrayAttribute : public ValueArrayAttribute<IntArray, int>
{
public:
    /// A detached, empty array.
    explicit IntArrayAttribute(AttributeDef& def) : ValueArrayAttribute(def) {}
};

} // namespace db
