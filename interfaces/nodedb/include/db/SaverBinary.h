#pragma once

#include <db/Export.h>
#include <db/FileOutputStream.h>
#include <db/Progress.h>

#include <string>

namespace db
{

class Attribute;

/// Writes a database, or one node with everything below it, in the binary
/// format (.dbb, see docs/binary-format.md). Pointers are stored as paths.
class DBUI_NODEDB_EXPORT SaverBinary
{
public:
    /// Writes on the calling thread alone. Without it, big saves are written
    /// on every processor, which read the database at once: for callers that
    /// let others use the database between progress reports (a save in slices).
    static constexpr int s_oneThread = 2;

    /// `flags`: 0 or `s_oneThread`.
    SaverBinary(FileOutputStream& stream, int flags = 0);

    ///@{
    /// Writes `root` (a database or a node) and commits the stream; false on any
    /// write error, with the file on disk untouched.
    bool save(const Attribute* root);
    bool save(const Attribute& root) { return save(&root); }
    ///@}

    /// Follows the save: building the file in memory, then writing it, as
    /// twice the number of nodes; see Progress. The file is then synced, which
    /// is not followed.
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    /// Why the last save failed.
    const std::string& getError() const { return m_error; }
    /// The flags given at construction.
    int getFlags() const { return m_flags; }

private:
    FileOutputStream& m_stream;
    int m_flags;
    Progress m_progress;
    std::string m_error;
};

} // namespace db
