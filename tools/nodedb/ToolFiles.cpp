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
    std::string out;
    out.reserve(text.size());
    for (wchar_t wide : text)
    {
        const auto c = static_cast<unsigned long>(wide);
        if (c < 0x80)
            out += static_cast<char>(c);
        else if (c < 0x800)
        {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else if (c < 0x10000)
        {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace nodedb_tool
