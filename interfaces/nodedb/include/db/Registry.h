#pragma once

#include <db/RegistryObserver.h>

#include <ObserverManager.h>

#include <vector>

namespace db {

class Database;

/// Every live database, in order of creation. Databases register themselves
/// when constructed and unregister when destroyed.
class Registry
{
public:
    static Registry& getInstance();

    const std::vector<Database*>& getRegisteredDatabases() const { return m_databases; }
    ObserverManager<RegistryObserver>& getObservers() { return m_observers; }

private:
    friend class Database;
    Registry() = default;
    void registerDatabase(Database* database);
    void unregisterDatabase(Database* database);

    std::vector<Database*> m_databases;
    ObserverManager<RegistryObserver> m_observers;
};

} // namespace db
