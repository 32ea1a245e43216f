#pragma once

// The fuzzed entry points, shared by the libFuzzer harnesses and by the test
// that replays the corpora in ordinary builds. Each returns false when an
// invariant broke (a crash or sanitizer report fails on its own).

#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/LoaderBinary.h>
#include <db/LoaderXML.h>
#include <db/NodeContainer.h>
#include <db/SaverBinary.h>
#include <db/SaverXML.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace fuzztargets
{

inline db::FileInputStream streamOf(const std::uint8_t* data, std::size_t size)
{
    return db::FileInputStream::fromMemory(data, size, "fuzz-input");
}

/// A failed load must leave the database exactly as it was: empty here.
inline bool untouchedAfterFailure(bool loaded, db::Database& database)
{
    return loaded || (database.getRootContainer().getNodeCount() == 0 && database.getDynamicAttributeCount() == 0 &&
                      database.getUndoStackSize() == 0);
}

inline bool binaryLoad(const std::uint8_t* data, std::size_t size)
{
    db::Database database;
    db::FileInputStream stream = streamOf(data, size);
    db::LoaderBinary loader(stream, 0, nullptr);
    bool loaded = loader.load(database);
    return untouchedAfterFailure(loaded, database) && (loaded || !loader.getError().what.empty());
}

/// Scratch files of this process, in memory where the system offers it.
inline std::string scratchFile(const char* suffix)
{
    static const std::string folder = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    return folder + "/nodedb-fuzz-" + std::to_string(::getpid()) + suffix;
}

inline std::string contents(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <typename Loader> inline bool loadFile(db::Database& database, const std::string& fileName)
{
    db::FileInputStream stream(fileName);
    Loader loader(stream, 0, nullptr);
    return loader.load(database);
}

template <typename Saver> inline bool saveFile(const db::Attribute& root, const std::string& fileName)
{
    db::FileOutputStream stream(fileName);
    Saver saver(stream, 0);
    return saver.save(root);
}

/// XML is read in pieces, on several threads, unless something unusual (a
/// comment, say) sends the loader back to reading it whole. What the pieces
/// give, the whole must give: the same database, saved to the same bytes.
/// Only for files without NUL bytes (no UTF-16 or UTF-32), to which a comment
/// in UTF-8 can be added at the end without changing what they say.
inline bool sameAsReadWhole(const std::uint8_t* data, std::size_t size, const db::Database& piecewise)
{
    if (std::memchr(data, 0, size) != nullptr)
        return true;
    std::string text(reinterpret_cast<const char*>(data), size);
    text += "<!---->";
    db::Database whole;
    db::FileInputStream stream = db::FileInputStream::fromMemory(text.data(), text.size(), "fuzz-input");
    if (!db::LoaderXML(stream, 0, nullptr).load(whole))
        return false;
    const std::string first = scratchFile("-piecewise.xml");
    const std::string second = scratchFile("-whole.xml");
    const bool same = saveFile<db::SaverXML>(piecewise, first) && saveFile<db::SaverXML>(whole, second) &&
                      contents(first) == contents(second);
    std::remove(first.c_str());
    std::remove(second.c_str());
    return same;
}

inline bool xmlLoad(const std::uint8_t* data, std::size_t size)
{
    db::Database database;
    db::FileInputStream stream = streamOf(data, size);
    db::LoaderXML loader(stream, 0, nullptr);
    bool loaded = loader.load(database);
    return untouchedAfterFailure(loaded, database) &&
           (loaded ? sameAsReadWhole(data, size, database) : !loader.getError().what.empty());
}

/// Whatever loads must save, load again and save to the same bytes, in both formats.
inline bool roundTrip(const std::uint8_t* data, std::size_t size)
{
    db::Database first;
    db::FileInputStream stream = streamOf(data, size);
    bool binary = size >= 4 && std::memcmp(data,
                                           "\x89"
                                           "DBB",
                                           4) == 0;
    bool loaded =
        binary ? db::LoaderBinary(stream, 0, nullptr).load(first) : db::LoaderXML(stream, 0, nullptr).load(first);
    if (!loaded)
        return untouchedAfterFailure(loaded, first);

    const std::string xmlA = scratchFile("-a.xml");
    const std::string xmlB = scratchFile("-b.xml");
    const std::string dbb = scratchFile("-c.dbb");
    bool ok = saveFile<db::SaverXML>(first, xmlA) && saveFile<db::SaverBinary>(first, dbb);
    if (ok)
    {
        db::Database fromXml;
        db::Database fromBinary;
        ok = loadFile<db::LoaderXML>(fromXml, xmlA) && loadFile<db::LoaderBinary>(fromBinary, dbb);
        std::string expected = contents(xmlA);
        ok = ok && saveFile<db::SaverXML>(fromXml, xmlB) && contents(xmlB) == expected;
        ok = ok && saveFile<db::SaverXML>(fromBinary, xmlB) && contents(xmlB) == expected;
    }
    std::remove(xmlA.c_str());
    std::remove(xmlB.c_str());
    std::remove(dbb.c_str());
    return ok;
}

} // namespace fuzztargets
