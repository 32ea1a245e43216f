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

/// What the commands do with a file that is not a node database (another XML
/// file of the repository, say): refuse it, or treat it as git treats text.
enum class Others
{
    Refused,
    AsText,
};

/// Prints what changed from `older` to `newer` (counts only with `statOnly`).
/// 0 the same, 1 different, 2 a file did not load. Others as text: `diff -u`.
int diffFiles(db::TypeRegistry& registry, const std::string& older, const std::string& newer, bool statOnly,
              Others others = Others::Refused);

/// Merges what `theirs` changed since `base` into `ours`, writing the result
/// to `out` (ours when empty) in the format of ours. An empty base (both sides
/// added the file) is an empty database. 0 clean, 1 conflicts, 2 a file did
/// not load or could not be written (then nothing is written). Others as
/// text: git's own line merge, with its conflict markers.
int mergeFiles(db::TypeRegistry& registry, const std::string& base, const std::string& ours, const std::string& theirs,
               const std::string& out, Others others = Others::Refused);

/// Installs the merge driver, the textconv and the difftool in the git
/// repository of the current folder for files matching `patterns`; they
/// treat the files that are not node databases as text.
int gitSetup(const std::vector<std::string>& patterns, const std::string& schemaFile);

} // namespace nodedb_tool
