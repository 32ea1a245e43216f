#pragma once

#include <db/Export.h>
#include <db/FileOutputStream.h>
#include <db/Progress.h>

#include <string>
#include <vector>

namespace db
{

class Attribute;
class Database;
class Node;

/// Writes a database, or one node with everything below it, as XML: UTF-8,
/// indented, attributes in the order the node holds them, numbers that read
/// back bit-identical. Pointers are stored as paths.
class DBUI_NODEDB_EXPORT SaverXML
{
public:
    /// Writes without indentation (smaller files, same content).
    static constexpr int s_compact = 1;
    /// Writes on the calling thread alone. Without it, big saves are written
    /// on every processor, which read the database at once: for callers that
    /// let others use the database between progress reports (a save in slices).
    static constexpr int s_oneThread = 2;

    /// `flags`: `s_compact`, `s_oneThread`, or both.
    SaverXML(FileOutputStream& stream, int flags = 0);

    ///@{
    /// Writes `root` (a database or a node) and commits the stream; false on any
    /// write error, with the file on disk untouched.
    bool save(const Attribute* root);
    bool save(const Attribute& root) { return save(&root); }
    ///@}
    /// Writes `database` with `nodes` in place of its top-level nodes, as it
    /// would be written holding copies of them (Node::makeCopies): pointers
    /// into the copied subtrees relative to the file, the others as database
    /// paths. The nodes may lie in any database, none below another. The text
    /// of copies without the copies.
    bool saveAsTopNodes(const Database& database, const std::vector<const Node*>& nodes);

    /// Follows the save in nodes written; see Progress. The file is then
    /// synced, which is not followed.
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    /// Why the last save failed.
    const std::string& getError() const { return m_error; }

private:
    /// save() or saveAsTopNodes(), this without `topNodes`.
    bool write(const Attribute* root, const std::vector<const Node*>* topNodes);

    FileOutputStream& m_stream;
    int m_flags;
    Progress m_progress;
    std::string m_error;
};

} // namespace db
