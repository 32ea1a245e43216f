#pragma once

#include <db/Export.h>
#include <db/ValueArrayAttribute.h>

#include <OrkP/Vector3.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueArrayAttribute<Vector3Array, OrkP::Vector3>;

/// A growable array of vectors.
class DBUI_NODEDB_EXPORT Vector3ArrayAttribute : public ValueArrayAttribute<Vector3Array, OrkP::Vector3>
{
public:
    /// A detached, empty array.
    explicit Vector3ArrayAttribute(AttributeDef& def) : ValueArrayAttribute(def) {}
};

} // namespace db
