#pragma once

// The commands that serve version control: diff, merge and git-setup.

#include <string>
#include <vector>

namespace db
{
class TypeRegistry;
}

namespace nodedb_tool
{

/// Prints what changed from `older` to `newer` (counts only with `statOnly`).
/// 0 the same, 1 different, 2 a file did not load.
int diffFiles(db::TypeRegistry& registry, const std::string& older, const std::string& newer, bool statOnly);

/// Merges what `theirs` changed since `base` into `ours`, writing the result
/// to `out` (ours when empty) in the format of ours. 0 clean, 1 conflicts,
/// 2 a file did not load or could not be written (then nothing is written).
int mergeFiles(db::TypeRegistry& registry, const std::string& base, const std::string& ours, const std::string& theirs,
               const std::string& out);

/// Installs the merge driver, the textconv and the difftool in the git
/// repository of the current folder for files matching `patterns`.
int gitSetup(const std::vector<std::string>& patterns, const std::string& schemaFile);

} // namespace nodedb_tool
