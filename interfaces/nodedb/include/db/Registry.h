#pragma once

#include <db/Export.h>
#include <db/RegistryObserver.h>

#include <foundations/ObserverManager.h>

#include <vector>

namespace db
{

class Database;

/// Every live database, in order of creation. Databases register themselves
/// when constructed and unregister when destroyed.
class DBUI_NODEDB_EXPORT Registry
{
public:
    /// The program's one registry.
    static Registry& getInstance();

    /// The live databases, oldest first.
    const std::vector<Database*>& getRegisteredDatabases() const { return m_databases; }
    /// Told when a database registers or unregisters.
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
