#pragma once

#include <db/Export.h>
#include <db/ValueAttribute.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueAttribute<Double, double>;

/// An attribute holding a double-precision number; values are clamped to the definition's limits.
class DBUI_NODEDB_EXPORT DoubleAttribute : public ValueAttribute<Double, double>
{
public:
    /// A detached attribute holding the definition's default.
    explicit DoubleAttribute(AttributeDef& def) : ValueAttribute(def) {}
};

} // namespace db
