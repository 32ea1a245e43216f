#pragma once

#include <db/Export.h>
#include <db/ValueArrayAttribute.h>

#include <OrkP/Matrix34.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueArrayAttribute<Matrix34Array, OrkP::Matrix34>;

/// A growable array of transforms.
class DBUI_NODEDB_EXPORT Matrix34ArrayAttribute : public ValueArrayAttribute<Matrix34Array, OrkP::Matrix34>
{
public:
    /// A detached, empty array.
    explicit Matrix34ArrayAttribute(AttributeDef& def) : ValueArrayAttribute(def) {}
};

} // namespace db
