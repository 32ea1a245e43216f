#pragma once

#include <db/Export.h>
#include <db/ValueAttribute.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueAttribute<Float, float>;

/// An attribute holding a single-precision number; values are clamped to the definition's limits.
class DBUI_NODEDB_EXPORT FloatAttribute : public ValueAttribute<Float, float>
{
public:
    /// A detached attribute holding the definition's default.
    explicit FloatAttribute(AttributeDef& def) : ValueAttribute(def) {}
};

} // namespace db
