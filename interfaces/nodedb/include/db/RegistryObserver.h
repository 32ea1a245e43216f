#pragma once

namespace db {

class Database;

/// Told when databases come and go (the registry's `getObservers()` list).
class RegistryObserver
{
public:
    virtual ~RegistryObserver() = default;

    virtual void onDatabaseRegistered(Database*) {}
    virtual void onDatabaseUnregistered(Database*) {}
};

} // namespace db
