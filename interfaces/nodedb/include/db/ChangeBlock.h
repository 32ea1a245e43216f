#pragma once

#include <db/Export.h>

#include <string>

namespace db
{

class Database;

/// Groups the edits made while it lives into one undo step named
/// `description`, reported to the database's observers once when the
/// outermost block ends. Blocks nest. On a null database it does nothing, and
/// each edit then forms its own step in the database it belongs to.
class DBUI_NODEDB_EXPORT ChangeBlock
{
public:
    ///@{
    /// Opens a normal block on `database` (a null one makes the block do nothing).
    ChangeBlock(Database* database, const std::wstring& description);
    ChangeBlock(Database& database, const std::wstring& description);
    ///@}
    ~ChangeBlock();

    ChangeBlock(const ChangeBlock&) = delete;
    ChangeBlock& operator=(const ChangeBlock&) = delete;

    /// The database the block is open on, or null.
    Database* getDatabase() const { return m_database; }

private:
    Database* m_database;
    std::wstring m_description;
};

} // namespace db
