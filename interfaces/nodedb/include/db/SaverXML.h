#pragma once

#include <db/Export.h>
#include <db/FileOutputStream.h>

#include <string>

namespace db {

class Attribute;

/// Writes a database, or one node with everything below it, as XML: UTF-8,
/// indented, attributes in the order the node holds them, numbers that read
/// back bit-identical. Pointers are stored as paths.
class DBUI_NODEDB_EXPORT SaverXML
{
public:
    /// Writes without indentation (smaller files, same content).
    static constexpr int s_compact = 1;

    /// `flags`: 0 or `s_compact`.
    SaverXML(FileOutputStream& stream, int flags = 0);

    ///@{
    /// Writes `root` (a database or a node) and commits the stream; false on any
    /// write error, with the file on disk untouched.
    bool save(const Attribute* root);
    bool save(const Attribute& root) { return save(&root); }
    ///@}

    /// Why the last save failed.
    const std::string& getError() const { return m_error; }

private:
    FileOutputStream& m_stream;
    int m_flags;
    std::string m_error;
};

} // namespace db
