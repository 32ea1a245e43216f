#pragma once

#include <db/Export.h>

namespace db {

class Database;

/// Told when databases come and go (the registry's `getObservers()` list).
class DBUI_NODEDB_EXPORT RegistryObserver
{
public:
    virtual ~RegistryObserver() = default;

    virtual void onDatabaseRegistered(Database*) {}
    virtual void onDatabaseUnregistered(Database*) {}
};

} // namespace db
