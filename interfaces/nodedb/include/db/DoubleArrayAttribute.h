#pragma once

#include <db/Export.h>
#include <db/ValueArrayAttribute.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueArrayAttribute<DoubleArray, double>;

/// A growable array of double-precision numbers. Elements are clamped to the definition's limits.
class DBUI_NODEDB_EXPORT DoubleArrayAttribute : public ValueArrayAttribute<DoubleArray, double>
{
public:
    /// A detached, empty array.
    explicit DoubleArrayAttribute(AttributeDef& def) : ValueArrayAttribute(def) {}
};

} // namespace db
