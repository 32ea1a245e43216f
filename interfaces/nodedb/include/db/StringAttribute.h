#pragma once

#include <db/Export.h>
#include <db/ValueAttribute.h>
#include <string>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueAttribute<String, std::wstring>;

/// An attribute holding a text; units 1 mark script text.
class DBUI_NODEDB_EXPORT StringAttribute : public ValueAttribute<String, std::wstring>
{
public:
    /// A detached attribute holding the definition's default.
    explicit StringAttribute(AttributeDef& def) : ValueAttribute(def) {}
};

} // namespace db
