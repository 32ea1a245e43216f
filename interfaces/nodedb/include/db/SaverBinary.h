#pragma once

#include <db/Export.h>
#include <db/FileOutputStream.h>

#include <string>

namespace db {

class Attribute;

/// Writes a database, or one node with everything below it, in the binary
/// format (.dbb, see docs/binary-format.md). Pointers are stored as paths.
class DBUI_NODEDB_EXPORT SaverBinary
{
public:
    /// `flags` is 0 (reserved).
    SaverBinary(FileOutputStream& stream, int flags = 0);

    ///@{
    /// Writes `root` (a database or a node) and commits the stream; false on any
    /// write error, with the file on disk untouched.
    bool save(const Attribute* root);
    bool save(const Attribute& root) { return save(&root); }
    ///@}

    /// Why the last save failed.
    const std::string& getError() const { return m_error; }
    /// The flags given at construction.
    int getFlags() const { return m_flags; }

private:
    FileOutputStream& m_stream;
    int m_flags;
    std::string m_error;
};

} // namespace db
