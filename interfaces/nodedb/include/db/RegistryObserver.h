#pragma once

#include <db/Export.h>

namespace db
{

class Database;

/// Told when databases come and go (the registry's `getObservers()` list).
class DBUI_NODEDB_EXPORT RegistryObserver
{
public:
    virtual ~RegistryObserver() = default;

    /// A database was constructed: it is in the registry now.
    virtual void onDatabaseRegistered(Database*) {}
    /// A database is being destroyed: it has left the registry.
    virtual void onDatabaseUnregistered(Database*) {}
};

} // namespace db
