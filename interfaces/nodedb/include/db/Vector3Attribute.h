#pragma once

#include <OrkP/Vector3.h>
#include <db/Export.h>
#include <db/ValueAttribute.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueAttribute<Vector3, OrkP::Vector3>;

/// An attribute holding a vector.
class DBUI_NODEDB_EXPORT Vector3Attribute : public ValueAttribute<Vector3, OrkP::Vector3>
{
public:
    /// A detached attribute holding the definition's default.
    explicit Vector3Attribute(AttributeDef& def) : ValueAttribute(def) {}
};

} // namespace db
