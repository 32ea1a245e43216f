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

namespace nodedb_tool
{

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
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
