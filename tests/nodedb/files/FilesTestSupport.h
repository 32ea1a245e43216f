#pragma once

// Scratch folders and file helpers shared by the file tests.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace filestest
{

/// A fresh folder under the system's temporary folder, removed with its contents.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "nodedb-files-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        m_path = ::mkdtemp(name.data());
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string file(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& path() const { return m_path; }

    /// Names of everything in the folder, to prove no temporary file was left.
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path m_path;
};

/// The repository's top folder, found from this file's own path (the build
/// passes absolute source paths to the compiler).
inline std::filesystem::path sourceRoot()
{
    // Not from __FILE__: compiled through ccache, that path is relative to the build folder.
    return std::filesystem::path(DBUI_SOURCE_DIR);
}

inline std::string readAll(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeAll(const std::string& fileName, const std::string& bytes)
{
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace filestest

#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/LoaderBinary.h>
#include <db/LoaderXML.h>
#include <db/SaverBinary.h>
#include <db/SaverXML.h>

namespace filestest
{

enum class Format
{
    Xml,
    Binary
};

inline bool save(const db::Attribute& root, const std::string& fileName, Format format)
{
    if (format == Format::Xml)
    {
        db::FileOutputStream stream(fileName, db::FileOpenMode::Text, db::OutputStreamEncoding::Utf8);
        return db::SaverXML(stream, 0).save(root);
    }
    db::FileOutputStream stream(fileName, db::FileOpenMode::Binary, db::OutputStreamEncoding::Raw);
    return db::SaverBinary(stream, 0).save(root);
}

/// Loads a file into `target`; returns the error text, empty on success.
inline std::string load(db::Attribute& target, const std::string& fileName, Format format)
{
    if (format == Format::Xml)
    {
        db::FileInputStream stream(fileName, db::FileOpenMode::Text);
        db::LoaderXML loader(stream, 0, nullptr);
        return loader.load(target) ? std::string() : loader.getError().toString();
    }
    db::FileInputStream stream(fileName, db::FileOpenMode::Binary);
    db::LoaderBinary loader(stream, 0, nullptr);
    return loader.load(target) ? std::string() : loader.getError().toString();
}

/// Loads bytes held in memory.
inline std::string loadBytes(db::Attribute& target, const std::string& bytes, Format format)
{
    db::FileInputStream stream = db::FileInputStream::fromMemory(bytes.data(), bytes.size(), "mem");
    if (format == Format::Xml)
    {
        db::LoaderXML loader(stream, 0, nullptr);
        return loader.load(target) ? std::string() : loader.getError().toString();
    }
    db::LoaderBinary loader(stream, 0, nullptr);
    return loader.load(target) ? std::string() : loader.getError().toString();
}

/// Writes the checksum of a binary file's body into its header, as the saver
/// would: damage made this way is found by reading the records.
inline void sealBinary(std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 24; i < bytes.size(); ++i)
    {
        crc ^= static_cast<unsigned char>(bytes[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc = ~crc;
    for (std::size_t i = 0; i < 4; ++i)
        bytes[12 + i] = static_cast<char>((crc >> (8 * i)) & 0xFF);
}

/// The XML text of a database or node: what tests compare.
inline std::string xmlOf(const db::Attribute& root, const ScratchFolder& folder)
{
    std::string file = folder.file("snapshot.xml");
    if (!save(root, file, Format::Xml))
        return "<save failed>";
    return readAll(file);
}

/// Nodes and attributes below `root` (itself included), counted by visiting every one.
inline void countAll(const db::Attribute& root, std::size_t& nodes, std::size_t& attributes)
{
    (root.isNode() ? nodes : attributes) += 1;
    if (const db::CompositeAttribute* composite = root.asCompositeAttribute())
        for (unsigned int i = 0; i < composite->getAttributeCount(); ++i)
            countAll(*composite->getAttribute(i), nodes, attributes);
}

/// Whether every attribute below `root` knows the composite that holds it as its parent.
inline bool placedRight(const db::Attribute& root)
{
    const db::CompositeAttribute* composite = root.asCompositeAttribute();
    for (unsigned int i = 0; composite && i < composite->getAttributeCount(); ++i)
    {
        const db::Attribute& child = *composite->getAttribute(i);
        if (child.getParentAttribute() != composite || !placedRight(child))
            return false;
    }
    return true;
}

/// Whether the database's running counts are those of a full walk.
inline bool countedRight(const db::Database& database)
{
    std::size_t nodes = 0;
    std::size_t attributes = 0;
    countAll(database, nodes, attributes);
    return database.getTotalNodeCount() == nodes && database.getTotalAttributeCount() == attributes;
}

/// The nodes below `root`, parents first and containers in member order: the
/// order in which a load reports the nodes it adds.
inline void nodesInOrder(const db::Node& root, std::vector<db::Node*>& out)
{
    for (db::Node* child : root.getChildNodes())
    {
        out.push_back(child);
        nodesInOrder(*child, out);
    }
}

} // namespace filestest
