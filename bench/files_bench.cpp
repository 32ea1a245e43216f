// Speed and memory of the node database files on a generated scene of about
// 1,000,000 attributes, against pugixml on the same file in the same run.
// Prints FIGURE lines:
//   xml_load_vs_pugixml     our XML load / pugixml's load_file
//   binary_load_vs_xml_load our binary load / our XML load
//   xml_save_vs_pugixml     our XML save / pugixml saving the same document from its DOM,
//                           both through the same safe-save stream
//   memory_vs_pugixml_dom   heap held by the loaded database / heap held by pugixml's DOM

#include "BenchSupport.h"
#include "SceneGenerator.h"

#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/LoaderBinary.h>
#include <db/LoaderXML.h>
#include <db/SaverBinary.h>
#include <db/SaverXML.h>

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <malloc.h>
#include <memory>
#include <string>

namespace {

constexpr std::size_t s_targetAttributes = 1000000;
constexpr int s_repeats = 3;
/// Saves end in an fsync, whose time swings with whatever else the disk is doing: more tries.
constexpr int s_saveRepeats = 5;

using bench::millisecondsOf;

/// Bytes the allocator has handed out and not taken back. Large blocks (such
/// as the text buffer that pugixml's DOM keeps its strings in) are mapped apart
/// from the heap's arena and counted apart, as hblkhd: both count.
std::size_t heapInUse()
{
    malloc_trim(0);
    const auto info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

bool loadXml(db::Database& database, const std::string& file)
{
    db::FileInputStream stream(file, db::FileOpenMode::Text);
    return db::LoaderXML(stream, 0, nullptr).load(database);
}

bool loadBinary(db::Database& database, const std::string& file)
{
    db::FileInputStream stream(file, db::FileOpenMode::Binary);
    return db::LoaderBinary(stream, 0, nullptr).load(database);
}

/// Hands pugixml's output to a db::FileOutputStream.
class StreamWriter : public pugi::xml_writer
{
public:
    explicit StreamWriter(db::FileOutputStream& stream) : m_stream(stream) {}
    void write(const void* data, size_t size) override { m_stream.write(data, size); }

private:
    db::FileOutputStream& m_stream;
};

} // namespace

int main()
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "nodedb-files-bench";
    std::filesystem::create_directories(folder);
    const std::string xmlFile = (folder / "scene.xml").string();
    const std::string binaryFile = (folder / "scene.dbb").string();
    const std::string pugiFile = (folder / "pugi.xml").string();

    // Scenes run at about 8.5 attributes per node.
    auto source = std::make_unique<db::Database>(L"Bench");
    nodedb_tool::generateScene(*source, s_targetAttributes * 2 / 17, 7);
    std::printf("database: %zu nodes, %zu attributes\n", source->getTotalNodeCount(), source->getTotalAttributeCount());

    auto saveOurs = [&] {
        db::FileOutputStream stream(xmlFile, db::FileOpenMode::Text, db::OutputStreamEncoding::Utf8);
        if (!db::SaverXML(stream, 0).save(*source))
            std::abort();
    };
    saveOurs(); // the file pugixml loads; the timed saves come with pugixml's below
    double binarySave = bench::bestOf(s_repeats, [&] {
        db::FileOutputStream stream(binaryFile, db::FileOpenMode::Binary, db::OutputStreamEncoding::Raw);
        if (!db::SaverBinary(stream, 0).save(*source))
            std::abort();
    });
    std::printf("files: XML %ju bytes, binary %ju bytes\n", std::uintmax_t(std::filesystem::file_size(xmlFile)),
                std::uintmax_t(std::filesystem::file_size(binaryFile)));

    double pugiSave = 0;
    double ourSave = 1e300;
    std::size_t pugiBytes = 0;
    {
        std::size_t before = heapInUse();
        pugi::xml_document document;
        document.load_file(xmlFile.c_str());
        pugiBytes = heapInUse() - before;
        // Through the same safe-save stream as our savers (temporary file,
        // fsync, rename, folder fsync), so both sides pay the same protocol.
        // The two take turns, so that a busy disk or processor weighs on both
        // alike; each keeps its fastest.
        pugiSave = 1e300;
        for (int i = 0; i < s_saveRepeats; ++i)
        {
            pugiSave = std::min(pugiSave, millisecondsOf([&] {
                db::FileOutputStream stream(pugiFile, db::FileOpenMode::Text, db::OutputStreamEncoding::Utf8);
                StreamWriter writer(stream);
                document.save(writer, "  ");
                if (!stream.commit())
                    std::abort();
            }));
            ourSave = std::min(ourSave, millisecondsOf(saveOurs));
        }
    }
    source.reset();

    // Both loads after the generated database is gone, taking turns, so that
    // neither finds more memory already touched or a quieter machine.
    double pugiLoad = 1e300;
    double ourLoad = 1e300;
    for (int i = 0; i < s_repeats; ++i)
    {
        pugiLoad = std::min(pugiLoad, millisecondsOf([&] {
            pugi::xml_document document;
            if (!document.load_file(xmlFile.c_str()))
                std::abort();
            benchmark::DoNotOptimize(document.first_child());
        }));
        ourLoad = std::min(ourLoad, millisecondsOf([&] {
            db::Database database(L"Bench");
            if (!loadXml(database, xmlFile))
                std::abort();
        }));
    }
    double binaryLoad = bench::bestOf(s_repeats, [&] {
        db::Database database(L"Bench");
        if (!loadBinary(database, binaryFile))
            std::abort();
    });
    std::size_t ourBytes = 0;
    {
        std::size_t before = heapInUse();
        auto database = std::make_unique<db::Database>(L"Bench");
        loadBinary(*database, binaryFile);
        ourBytes = heapInUse() - before;
    }

    std::printf("XML load %.1f ms (pugixml %.1f ms), binary load %.1f ms\n", ourLoad, pugiLoad, binaryLoad);
    std::printf("XML save %.1f ms (pugixml %.1f ms), binary save %.1f ms\n", ourSave, pugiSave, binarySave);
    std::printf("memory: database %zu bytes, pugixml DOM %zu bytes\n", ourBytes, pugiBytes);
    std::printf("FIGURE xml_load_vs_pugixml %.3f\n", ourLoad / pugiLoad);
    std::printf("FIGURE binary_load_vs_xml_load %.3f\n", binaryLoad / ourLoad);
    std::printf("FIGURE xml_save_vs_pugixml %.3f\n", ourSave / pugiSave);
    std::printf("FIGURE memory_vs_pugixml_dom %.3f\n", double(ourBytes) / double(pugiBytes));

    std::filesystem::remove_all(folder);
    return 0;
}
