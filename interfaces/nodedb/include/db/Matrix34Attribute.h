#pragma once

#include <OrkP/Matrix34.h>
#include <db/Export.h>
#include <db/ValueAttribute.h>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueAttribute<Matrix34, OrkP::Matrix34>;

/// An attribute holding a 4x3 transform.
class DBUI_NODEDB_EXPORT Matrix34Attribute : public ValueAttribute<Matrix34, OrkP::Matrix34>
{
public:
    /// A detached attribute holding the definition's default.
    explicit Matrix34Attribute(AttributeDef& def) : ValueAttribute(def) {}
};

} // namespace db
