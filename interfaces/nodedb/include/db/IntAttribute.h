#pragma once

#include <db/Export.h>
#include <db/ValueAttribute.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueAttribute<Int, int>;

/// An attribute holding a 32-bit signed integer; values are clamped to the definition's limits.
class DBUI_NODEDB_EXPORT IntAttribute : public ValueAttribute<Int, int>
{
public:
    /// A detached attribute holding the definition's default.
    explicit IntAttribute(AttributeDef& def) : ValueAttribute(def) {}
};

} // namespace db
