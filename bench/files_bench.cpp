// Speed and memory of the node database files against pugixml on the same
// file in the same run: a generated scene of about 1,000,000 attributes
// (150 MB of XML) for speed, the 300,000-node scene (390 MB) for memory.
// Prints FIGURE lines:
//   xml_load_vs_pugixml                our XML load / pugixml's load_file, the file in the page cache
//   xml_load_vs_pugixml_cold_cache     the same, the file dropped from the page cache before every load
//   binary_load_vs_pugixml             our binary load / pugixml's load_file of the XML, page cache warm
//   binary_load_vs_pugixml_cold_cache  the same, both files dropped from the page cache
//   binary_load_vs_xml_load            our binary load / our XML load
//   xml_save_vs_pugixml                our XML save / pugixml saving the same document from its DOM,
//                                      both through the same safe-save stream (fsync included)
//   binary_save_vs_xml_save            our binary save / our XML save
//   xml_load_peak_rss_vs_pugixml       peak resident memory of loading the 300k XML / of pugixml's
//                                      load_file of it, each in a fresh process
//   memory_vs_pugixml_dom              heap held by the loaded database / heap held by pugixml's DOM
// Absolute times and sizes are printed as comment lines. Run: build/<dir>/bench/files_bench

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
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <malloc.h>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

constexpr std::size_t s_targetAttributes = 1000000;
constexpr std::size_t s_memoryNodes = 300000;
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

std::unique_ptr<pugi::xml_document> loadWithPugixml(const std::string& file)
{
    auto document = std::make_unique<pugi::xml_document>();
    if (!document->load_file(file.c_str()))
        std::abort();
    benchmark::DoNotOptimize(document->first_child());
    return document;
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

// ---------------------------------------------------------------------------
// The page cache
// ---------------------------------------------------------------------------

/// Asks the kernel to forget the file's pages (they are clean: every file here was synced).
void dropFromPageCache(const std::string& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0)
        return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

/// How much of the file is in the page cache, from 0 to 1.
double residentShare(const std::string& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0)
        return 0;
    struct stat info
    {
    };
    const bool sized = ::fstat(fd, &info) == 0 && info.st_size > 0;
    const auto size = static_cast<std::size_t>(info.st_size);
    void* map = sized ? ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
    ::close(fd);
    if (map == MAP_FAILED)
        return 0;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident((size + page - 1) / page);
    ::mincore(map, size, resident.data());
    ::munmap(map, size);
    const auto in = std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return (r & 1) != 0; });
    return static_cast<double>(in) / static_cast<double>(resident.size());
}

/// The least of `s_repeats` runs of each, taking turns so that a busy disk or
/// processor weighs on both alike; `prepare` runs untimed before each run.
std::pair<double, double> bestInTurns(const std::function<void()>& prepare, const std::function<void()>& ours,
                                      const std::function<void()>& theirs)
{
    double best[2] = {1e300, 1e300};
    for (int i = 0; i < s_repeats; ++i)
    {
        prepare();
        best[1] = std::min(best[1], millisecondsOf(theirs));
        prepare();
        best[0] = std::min(best[0], millisecondsOf(ours));
    }
    return {best[0], best[1]};
}

// ---------------------------------------------------------------------------
// Peak memory, each load in a fresh process
// ---------------------------------------------------------------------------

/// In a child: loads `file` the way `how` says ("ours" or "pugixml") and exits.
int loadInChild(const std::string& how, const std::string& file)
{
    if (how == "pugixml")
    {
        loadWithPugixml(file);
        return 0;
    }
    db::Database database(L"Bench");
    return loadXml(database, file) ? 0 : 1;
}

/// The peak resident memory, in bytes, of this program loading `file` as `how` in a fresh process.
std::size_t peakOfChild(const std::string& how, const std::string& file)
{
    const pid_t child = ::fork();
    if (child == 0)
    {
        ::execl("/proc/self/exe", "files_bench", "--load-in-child", how.c_str(), file.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::abort();
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

void measurePeakMemory(const std::filesystem::path& folder)
{
    const std::string file = (folder / "scene-300k.xml").string();
    {
        db::Database source(L"Bench");
        nodedb_tool::generateScene(source, s_memoryNodes, 7);
        db::FileOutputStream stream(file, db::FileOpenMode::Text, db::OutputStreamEncoding::Utf8);
        if (!db::SaverXML(stream, 0).save(source))
            std::abort();
    }
    std::size_t ours = SIZE_MAX;
    std::size_t theirs = SIZE_MAX;
    for (int i = 0; i < s_repeats; ++i)
    {
        theirs = std::min(theirs, peakOfChild("pugixml", file));
        ours = std::min(ours, peakOfChild("ours", file));
    }
    std::printf("# 300k XML file %ju bytes; peak resident memory: ours %.1f MB, pugixml %.1f MB\n",
                std::uintmax_t(std::filesystem::file_size(file)), ours / 1048576.0, theirs / 1048576.0);
    bench::figure("xml_load_peak_rss_vs_pugixml", double(ours) / double(theirs));
    std::filesystem::remove(file);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--load-in-child") == 0)
        return loadInChild(argv[2], argv[3]);

    // A folder of this run's own: runs at once must not write over each other's files.
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("nodedb-files-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string xmlFile = (folder / "scene.xml").string();
    const std::string binaryFile = (folder / "scene.dbb").string();
    const std::string pugiFile = (folder / "pugi.xml").string();

    // Scenes run at about 8.5 attributes per node.
    auto source = std::make_unique<db::Database>(L"Bench");
    nodedb_tool::generateScene(*source, s_targetAttributes * 2 / 17, 7);
    std::printf("# database: %zu nodes, %zu attributes\n", source->getTotalNodeCount(),
                source->getTotalAttributeCount());

    auto saveOurs = [&]
    {
        db::FileOutputStream stream(xmlFile, db::FileOpenMode::Text, db::OutputStreamEncoding::Utf8);
        if (!db::SaverXML(stream, 0).save(*source))
            std::abort();
    };
    auto saveBinary = [&]
    {
        db::FileOutputStream stream(binaryFile, db::FileOpenMode::Binary, db::OutputStreamEncoding::Raw);
        if (!db::SaverBinary(stream, 0).save(*source))
            std::abort();
    };
    saveOurs(); // the file pugixml loads

    // Saves: pugixml writes its DOM of the same file through the same
    // safe-save stream as our savers (temporary file, fsync, rename, folder
    // fsync), so both pay the same protocol. All three take turns.
    double pugiSave = 1e300;
    double ourSave = 1e300;
    double binarySave = 1e300;
    std::size_t pugiBytes = 0;
    {
        std::size_t before = heapInUse();
        pugi::xml_document document;
        document.load_file(xmlFile.c_str());
        pugiBytes = heapInUse() - before;
        for (int i = 0; i < s_saveRepeats; ++i)
        {
            pugiSave = std::min(pugiSave, millisecondsOf(
                                              [&]
                                              {
                                                  db::FileOutputStream stream(pugiFile, db::FileOpenMode::Text,
                                                                              db::OutputStreamEncoding::Utf8);
                                                  StreamWriter writer(stream);
                                                  document.save(writer, "  ");
                                                  if (!stream.commit())
                                                      std::abort();
                                              }));
            ourSave = std::min(ourSave, millisecondsOf(saveOurs));
            binarySave = std::min(binarySave, millisecondsOf(saveBinary));
        }
    }
    std::printf("# files: XML %ju bytes, binary %ju bytes\n", std::uintmax_t(std::filesystem::file_size(xmlFile)),
                std::uintmax_t(std::filesystem::file_size(binaryFile)));
    source.reset();
    std::filesystem::remove(pugiFile);

    // Loads, after the generated database is gone, so that neither side finds
    // more memory already touched.
    // What a load built is torn down before the next turn, outside the time:
    // a load is timed to its result being there, on both sides.
    std::unique_ptr<db::Database> loaded;
    std::unique_ptr<pugi::xml_document> pugiLoaded;
    auto ourXmlLoad = [&]
    {
        loaded = std::make_unique<db::Database>(L"Bench");
        if (!loadXml(*loaded, xmlFile))
            std::abort();
    };
    auto ourBinaryLoad = [&]
    {
        loaded = std::make_unique<db::Database>(L"Bench");
        if (!loadBinary(*loaded, binaryFile))
            std::abort();
    };
    auto pugiLoad = [&] { pugiLoaded = loadWithPugixml(xmlFile); };
    auto warm = [&]
    {
        loaded.reset();
        pugiLoaded.reset();
    };
    auto cold = [&]
    {
        warm();
        dropFromPageCache(xmlFile);
        dropFromPageCache(binaryFile);
    };
    // Warm means read once before.
    loadWithPugixml(xmlFile);
    db::FileInputStream(binaryFile).readWhole();
    const auto [xmlWarm, pugiWarm] = bestInTurns(warm, ourXmlLoad, pugiLoad);
    const auto [binaryWarm, pugiWarmAgain] = bestInTurns(warm, ourBinaryLoad, pugiLoad);
    cold();
    const double leftCached = std::max(residentShare(xmlFile), residentShare(binaryFile));
    const auto [xmlCold, pugiCold] = bestInTurns(cold, ourXmlLoad, pugiLoad);
    const auto [binaryCold, pugiColdAgain] = bestInTurns(cold, ourBinaryLoad, pugiLoad);
    warm(); // nothing left over in the heap that is measured next
    const double pugiWarmBest = std::min(pugiWarm, pugiWarmAgain);
    const double pugiColdBest = std::min(pugiCold, pugiColdAgain);

    std::size_t ourBytes = 0;
    {
        std::size_t before = heapInUse();
        auto database = std::make_unique<db::Database>(L"Bench");
        loadBinary(*database, binaryFile);
        ourBytes = heapInUse() - before;
    }

    std::printf("# warm: XML load %.1f ms, binary load %.1f ms, pugixml %.1f ms\n", xmlWarm, binaryWarm, pugiWarmBest);
    std::printf("# cold (%.0f%% of the files left in the page cache): XML load %.1f ms, binary load %.1f ms, "
                "pugixml %.1f ms\n",
                leftCached * 100, xmlCold, binaryCold, pugiColdBest);
    std::printf("# saves: XML %.1f ms, binary %.1f ms, pugixml %.1f ms\n", ourSave, binarySave, pugiSave);
    std::printf("# memory: database %zu bytes, pugixml DOM %zu bytes\n", ourBytes, pugiBytes);
    bench::figure("xml_load_vs_pugixml", xmlWarm / pugiWarmBest);
    bench::figure("xml_load_vs_pugixml_cold_cache", xmlCold / pugiColdBest);
    bench::figure("binary_load_vs_pugixml", binaryWarm / pugiWarmBest);
    bench::figure("binary_load_vs_pugixml_cold_cache", binaryCold / pugiColdBest);
    bench::figure("binary_load_vs_xml_load", binaryWarm / xmlWarm);
    bench::figure("xml_save_vs_pugixml", ourSave / pugiSave);
    bench::figure("binary_save_vs_xml_save", binarySave / ourSave);
    bench::figure("memory_vs_pugixml_dom", double(ourBytes) / double(pugiBytes));

    measurePeakMemory(folder);
    std::filesystem::remove_all(folder);
    return 0;
}
