#pragma once

#include <db/Export.h>

namespace db
{

class ChangeSet;
class Database;

/// Told of every change of a database it is registered with (the database's
/// `getObservers()` list).
class DBUI_NODEDB_EXPORT DatabaseObserver
{
public:
    virtual ~DatabaseObserver() = default;

    /// A change block ended (or was undone, redone, cancelled); `transient` is true
    /// for the intermediate reports of a drag (commitTransient).
    virtual void onDatabaseChanged(Database* database, const ChangeSet& changes, bool transient)
    {
        (void)database;
        (void)changes;
        (void)transient;
    }
    /// Called on every observer after all of them were told onDatabaseChanged.
    virtual void postDatabaseChanged(Database* database, bool transient)
    {
        (void)database;
        (void)transient;
    }
    /// The database is being destroyed: still whole while this runs, gone
    /// afterwards. An observer that holds it drops its pointer here (it may
    /// remove itself from the list, or leave that undone) and never touches
    /// it again, so that a host may destroy a database before its views.
    virtual void onDatabaseDestroyed(Database* database) { (void)database; }
};

} // namespace db
