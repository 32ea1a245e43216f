#pragma once

#include <db/Export.h>

#include <string>

namespace db
{

class Attribute;

/// Lets a host resolve pointer paths of a loaded subtree that lead outside it
/// and name nothing in the database loaded into (references to other files,
/// renamed nodes). Loaders without a resolver leave such pointers null.
class DBUI_NODEDB_EXPORT ReferenceResolver
{
public:
    virtual ~ReferenceResolver() = default;

    /// The attribute `path` should point at, or null; `target` is what is being loaded into.
    virtual Attribute* resolve(const std::wstring& path, Attribute* target) = 0;
};

} // namespace db
