#include "ToolFiles.h"

#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/LoaderBinary.h>
#include <db/LoaderXML.h>
#include <db/NodeContainer.h>
#include <db/SaverBinary.h>
#include <db/SaverXML.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace nodedb_tool
{

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool isNodeDatabaseFile(const std::string& fileName)
{
    {
        db::FileInputStream stream(fileName, db::FileOpenMode::Binary);
        if (!stream.isOpen())
            return false;
        if (db::LoaderBinary::isBinaryFile(stream))
            return true;
    }
    std::ifstream in(fileName, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    std::size_t at = head.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    // Past the declaration, comments and space before the top element.
    while (at < head.size())
    {
        at = head.find_first_not_of(" \t\r\n", at);
        if (at == std::string::npos || head[at] != '<')
            return false;
        const char* end = head.compare(at, 2, "<?") == 0 ? "?>" : head.compare(at, 4, "<!--") == 0 ? "-->" : nullptr;
        if (!end)
            break;
        at = head.find(end, at);
        at = at == std::string::npos ? head.size() : at + std::strlen(end);
    }
    static const char top[] = "<nodedb";
    const std::size_t after = at + std::strlen(top);
    return head.compare(at, std::strlen(top), top) == 0 && after < head.size() && head[after] != '\0' &&
           std::strchr(" \t\r\n>/", head[after]) != nullptr;
}

Loaded loadFile(db::Database& database, const std::string& fileName, const db::Progress& progress)
{
    Loaded result;
    db::FileInputStream stream(fileName, db::FileOpenMode::Binary);
    result.bytes = stream.size();
    if (!stream.isOpen())
    {
        result.error = fileName + ": " + stream.getError();
        return result;
    }
    auto load = [&](auto& loader)
    {
        loader.setProgress(progress);
        result.ok = loader.load(database);
        result.subtree = loader.isSubtreeFile();
        result.error = loader.getError().toString();
    };
    result.binary = db::LoaderBinary::isBinaryFile(stream);
    if (result.binary)
    {
        db::LoaderBinary loader(stream, 0, nullptr);
        load(loader);
    }
    else
    {
        db::LoaderXML loader(stream, 0, nullptr);
        load(loader);
    }
    return result;
}

bool saveFile(const db::Attribute& node, const std::string& fileName, std::string& error, FileFormat format,
              const db::Progress& progress)
{
    auto save = [&](auto& saver)
    {
        saver.setProgress(progress);
        if (saver.save(node))
            return true;
        error = fileName + ": " + saver.getError();
        return false;
    };
    if (fileName == "-")
    {
        std::string bytes;
        db::FileOutputStream stream(db::FileOutputStream::ToMemory{bytes});
        db::SaverXML saver(stream, 0);
        if (!save(saver))
            return false;
        return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
    }
    if (format == FileFormat::Binary || (format == FileFormat::ByName && endsWith(fileName, ".dbb")))
    {
        db::FileOutputStream stream(fileName, db::FileOpenMode::Binary, db::OutputStreamEncoding::Raw);
        db::SaverBinary saver(stream, 0);
        return save(saver);
    }
    db::FileOutputStream stream(fileName, db::FileOpenMode::Text, db::OutputStreamEncoding::Utf8);
    db::SaverXML saver(stream, 0);
    return save(saver);
}

const db::Attribute& savedRoot(const db::Database& database, const Loaded& loaded)
{
    // A subtree file stays a subtree file: save the one node it added.
    if (loaded.subtree && database.getRootContainer().getNodeCount() == 1)
        return *database.getRootContainer().getNode(0);
    return database;
}

std::string toUtf8(const std::wstring& text)
{
    // The files' own encoder, through a stream that writes to memory.
    std::string out;
    db::FileOutputStream stream(db::FileOutputStream::ToMemory{out});
    stream.writeText(text);
    stream.commit();
    return out;
}

} // namespace nodedb_tool
