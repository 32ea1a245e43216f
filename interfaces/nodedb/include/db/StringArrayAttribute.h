#pragma once

#include <db/Export.h>
#include <db/ValueArrayAttribute.h>

#include <string>

namespace db
{

extern template class DBUI_NODEDB_EXPORT ValueArrayAttribute<StringArray, std::wstring>;

/// A growable array of texts.
class DBUI_NODEDB_EXPORT StringArrayAttribute : public ValueArrayAttribute<StringArray, std::wstring>
{
public:
    /// A detached, empty array.
    explicit StringArrayAttribute(AttributeDef& def) : ValueArrayAttribute(def) {}
};

} // namespace db
