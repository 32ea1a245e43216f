#pragma once

#include <db/Export.h>
#include <db/ValueAttribute.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueAttribute<Bool, bool>;

/// An attribute holding a truth value.
class DBUI_NODEDB_EXPORT BoolAttribute : public ValueAttribute<Bool, bool>
{
public:
    /// A detached attribute holding the definition's default.
    explicit BoolAttribute(AttributeDef& def) : ValueAttribute(def) {}
};

} // namespace db
