#pragma once

// Reading and writing database files for the nodedb commands.

#include <db/Progress.h>

#include <cstddef>
#include <string>

namespace db
{
class Attribute;
class Database;
} // namespace db

namespace nodedb_tool
{

/// How a file is written: chosen by its name (.dbb is binary), or as given.
enum class FileFormat
{
    ByName,
    Xml,
    Binary,
};

struct Loaded
{
    bool ok = false;
    bool subtree = false;
    bool binary = false;
    std::string error; ///< "FILE: WHERE: WHAT"
    std::size_t bytes = 0;
};

/// Reads XML or binary, told apart by the binary format's magic bytes rather than by the name.
Loaded loadFile(db::Database& database, const std::string& fileName, const db::Progress& progress = {});

/// Saves `node` (the database, or the one node of a subtree file) safely:
/// a temporary file renamed over the target. "-" writes XML to standard output.
bool saveFile(const db::Attribute& node, const std::string& fileName, std::string& error,
              FileFormat format = FileFormat::ByName, const db::Progress& progress = {});

/// What a file that loaded as `loaded` into `database` holds: the database, or the subtree's node.
const db::Attribute& savedRoot(const db::Database& database, const Loaded& loaded);

/// Whether a file holds a node database of either format, by its first bytes:
/// the binary format's magic, or <nodedb> as the XML document's top element.
/// A file that cannot be read does not.
bool isNodeDatabaseFile(const std::string& fileName);
/// Text for the terminal.
std::string toUtf8(const std::wstring& text);

bool endsWith(const std::string& text, const std::string& suffix);

} // namespace nodedb_tool
