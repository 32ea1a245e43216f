#pragma once

#include <db/Export.h>
#include <db/ValueArrayAttribute.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueArrayAttribute<FloatArray, float>;

/// A growable array of single-precision numbers. Elements are clamped to the definition's limits.
class DBUI_NODEDB_EXPORT FloatArrayAttribute : public ValueArrayAttribute<FloatArray, float>
{
public:
    /// A detached, empty array.
    explicit FloatArrayAttribute(AttributeDef& def) : ValueArrayAttribute(def) {}
};

} // namespace db
