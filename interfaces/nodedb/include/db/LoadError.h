#pragma once

#include <db/Export.h>

#include <cstddef>
#include <string>

namespace db
{

/// Why a file could not be loaded, and where. A loader fills one in when `load`
/// returns false; `toString` gives the "FILE: WHERE: WHAT" line users see.
struct DBUI_NODEDB_EXPORT LoadError
{
    std::string fileName;   ///< UTF-8, as the stream was opened
    std::size_t line = 0;   ///< 1-based line of XML files; 0 when unknown
    std::size_t offset = 0; ///< byte offset into the file
    std::string what;       ///< e.g. "unknown node type \"Foo\"", "checksum mismatch"
    bool cancelled = false; ///< the load's progress callback stopped it ("cancelled")

    /// True when there is no error.
    bool empty() const { return what.empty(); }
    /// "scene.xml: line 12: unknown node type \"Foo\"", "a.dbb: byte 40: truncated record".
    std::string toString() const
    {
        std::string where = line > 0 ? "line " + std::to_string(line) : "byte " + std::to_string(offset);
        return fileName + ": " + where + ": " + what;
    }
};

} // namespace db
