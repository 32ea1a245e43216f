#pragma once

#include <cstddef>

namespace db
{
class Database;
}

namespace nodedb_tool
{

/// Fills `database` with about `nodeCount` nodes of the example scene schema:
/// a material library with scripts, and a scene of nested groups holding
/// meshes, lights and cameras that point at materials and at each other, plus
/// one node of every attribute type with extreme values. The same seed gives
/// the same database. False when the database's registry lacks the example types.
bool generateScene(db::Database& database, std::size_t nodeCount, unsigned int seed = 1);

} // namespace nodedb_tool
