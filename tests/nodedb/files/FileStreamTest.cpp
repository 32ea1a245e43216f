#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>

#include "FileSystemFaults.h"
#include "FilesTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using db::FileOutputStream;
using filestest::readAll;
using filestest::ScratchFolder;
using filestest::writeAll;

namespace
{

/// Makes one step of every stream fail while it lives.
class FailAt
{
public:
    explicit FailAt(FileOutputStream::Step step)
    {
        FileOutputStream::setFailureHook([step](FileOutputStream::Step s) { return s == step; });
    }
    ~FailAt() { FileOutputStream::setFailureHook({}); }
};

bool writeFile(const std::string& name, const std::string& text)
{
    FileOutputStream out(name, db::FileOpenMode::Binary, db::OutputStreamEncoding::Raw);
    return out.write(text.data(), text.size()) && out.commit();
}

} // namespace

TEST(FileStreams, WrittenFilesReadBackWithNoTemporaryLeftUnicodeNamesToo)
{
    ScratchFolder folder;
    std::string big(200000, 'x'); // larger than the write buffer
    big[12345] = '\0';
    ASSERT_TRUE(writeFile(folder.file("a.dbb"), big));
    EXPECT_EQ(readAll(folder.file("a.dbb")), big);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"a.dbb"});

    db::FileInputStream in(folder.file("a.dbb"), db::FileOpenMode::Binary);
    ASSERT_TRUE(in.isOpen());
    EXPECT_EQ(std::string(in.data(), in.size()), big);

    // Unicode file names, from wide strings.
    std::wstring name = std::wstring(folder.path().wstring()) + L"/sc\u00e8ne \u6570\u636e.xml";
    {
        FileOutputStream out(name);
        ASSERT_TRUE(out.writeText(L"\u00e9t\u00e9 \U0001F600"));
        ASSERT_TRUE(out.commit());
    }
    db::FileInputStream unicode(name);
    ASSERT_TRUE(unicode.isOpen());
    EXPECT_EQ(std::string(unicode.data(), unicode.size()), "\xc3\xa9t\xc3\xa9 \xf0\x9f\x98\x80");
}

TEST(FileStreams, EveryFailingStepOrAStreamDroppedBeforeCommitKeepsTheOldFileAndLeavesNoTemporary)
{
    for (auto step : {FileOutputStream::Step::Open, FileOutputStream::Step::Write, FileOutputStream::Step::Sync,
                      FileOutputStream::Step::Rename})
    {
        ScratchFolder folder;
        writeAll(folder.file("doc.xml"), "old contents");
        {
            FailAt failure(step);
            EXPECT_FALSE(writeFile(folder.file("doc.xml"), "new contents")) << "step " << static_cast<int>(step);
        }
        {
            FileOutputStream dropped(folder.file("doc.xml"));
            dropped.write("partial", 7);
        }
        EXPECT_EQ(readAll(folder.file("doc.xml")), "old contents");
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"doc.xml"});
    }
}

TEST(FileStreams, UnwritableFolderFailsCleanlyAndSaysWhy)
{
    ScratchFolder folder;
    writeAll(folder.file("doc.xml"), "old");
    ::chmod(folder.file("doc.xml").c_str(), 0666); // the file itself could be written
    ::chmod(folder.path().c_str(), 0555);
    {
        dbuitest::OrdinaryUser user;
        FileOutputStream out(folder.file("doc.xml"));
        EXPECT_FALSE(out.isOpen());
        EXPECT_FALSE(out.commit());
        EXPECT_EQ(out.getError(), "cannot create a temporary file in '" + folder.path().string() +
                                      "', which saving safely needs: Permission denied");
    }
    ::chmod(folder.path().c_str(), 0700);
    EXPECT_EQ(readAll(folder.file("doc.xml")), "old");
}

TEST(FileStreams, FullDiskFailsWithTheSystemsReasonAndLeavesTheOldFile)
{
    dbuitest::SmallDisk disk(64 * 1024);
    DBUI_REQUIRE_SMALL_DISK(disk);
    writeAll(disk.file("doc.xml"), "old contents");
    disk.fill();
    FileOutputStream out(disk.file("doc.xml"));
    const std::string big(200000, 'x');
    EXPECT_FALSE(out.write(big.data(), big.size()) && out.commit());
    EXPECT_EQ(out.getError(), "write error: No space left on device");
    EXPECT_EQ(readAll(disk.file("doc.xml")), "old contents");
}

TEST(FileStreams, SavingThroughALinkReplacesWhatItPointsAtAndKeepsTheLink)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder.path() / "real");
    writeAll(folder.file("real/doc.xml"), "old");
    ::chmod(folder.file("real/doc.xml").c_str(), 0640);
    std::filesystem::create_symlink("real/doc.xml", folder.path() / "link.xml");
    std::filesystem::create_symlink("link.xml", folder.path() / "link-to-link.xml");
    std::filesystem::create_symlink(folder.path() / "real/new.xml", folder.path() / "ahead.xml");

    ASSERT_TRUE(writeFile(folder.file("link-to-link.xml"), "new"));
    ASSERT_TRUE(writeFile(folder.file("ahead.xml"), "born"));
    EXPECT_EQ(readAll(folder.file("real/doc.xml")), "new");
    EXPECT_EQ(readAll(folder.file("real/new.xml")), "born") << "a link to a file not made yet makes it";
    for (const char* link : {"link.xml", "link-to-link.xml", "ahead.xml"})
        EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / link)) << link;
    struct stat info
    {
    };
    ASSERT_EQ(::stat(folder.file("real/doc.xml").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    auto names = folder.entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ahead.xml", "link-to-link.xml", "link.xml", "real"}));
    names.clear();
    for (const auto& entry : std::filesystem::directory_iterator(folder.path() / "real"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"doc.xml", "new.xml"}));
}

TEST(FileStreams, ProgressFollowsTheSaveAndCanCancelIt)
{
    ScratchFolder folder;
    writeAll(folder.file("doc.xml"), "old");
    std::vector<std::pair<FileOutputStream::Step, std::size_t>> seen;
    const std::string big(200000, 'x');
    {
        FileOutputStream out(folder.file("doc.xml"));
        out.setProgress(
            [&](FileOutputStream::Step step, std::size_t bytes)
            {
                seen.emplace_back(step, bytes);
                return true;
            });
        ASSERT_TRUE(out.write(big.data(), big.size()) && out.write("!", 1) && out.commit());
    }
    using Step = FileOutputStream::Step;
    EXPECT_EQ(seen, (std::vector<std::pair<Step, std::size_t>>{
                        {Step::Write, 200000}, {Step::Write, 200001}, {Step::Sync, 200001}}));
    {
        FileOutputStream out(folder.file("doc.xml"));
        out.setProgress([](FileOutputStream::Step step, std::size_t) { return step != Step::Sync; });
        EXPECT_FALSE(out.write(big.data(), big.size()) && out.commit());
        EXPECT_EQ(out.getError(), "cancelled");
    }
    EXPECT_EQ(readAll(folder.file("doc.xml")), big + "!");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"doc.xml"});
}

TEST(FileStreams, MissingOrOddInputsReportWhy)
{
    ScratchFolder folder;
    db::FileInputStream missing(folder.file("nothing.xml"));
    EXPECT_FALSE(missing.isOpen());
    EXPECT_NE(missing.getError().find("cannot open"), std::string::npos);

    db::FileInputStream directory(folder.path().string());
    EXPECT_FALSE(directory.isOpen());

    writeAll(folder.file("empty.xml"), "");
    db::FileInputStream empty(folder.file("empty.xml"));
    EXPECT_TRUE(empty.isOpen());
    EXPECT_EQ(empty.size(), 0u);
}

TEST(FileStreams, ReplacingLeavesNoDescriptorOpen)
{
    const auto openDescriptors = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    // A file replaced, and a folder in the way, which cannot be.
    for (const bool folderInTheWay : {false, true})
    {
        ScratchFolder folder;
        const std::string target = folder.file("doc.xml");
        if (folderInTheWay)
            std::filesystem::create_directory(target);
        else
            writeAll(target, "old");
        const auto before = openDescriptors();
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(writeFile(target, "new"), !folderInTheWay);
        // The replaced file is let go of on a thread of its own; so are those
        // of tests before, which may still have been open when counted.
        for (int wait = 0; wait < 500 && openDescriptors() > before; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_LE(openDescriptors(), before) << (folderInTheWay ? "folder" : "file");
    }
}

TEST(FileStreams, SaveRemovesTemporariesOfKilledSavesOnly)
{
    ScratchFolder folder;
    const std::string target = folder.file("doc.xml");
    writeAll(target, "old");
    // A save in progress shows how this machine names its temporary files.
    FileOutputStream live(target);
    ASSERT_TRUE(live.write("still saving", 12));
    const std::vector<std::string> before = folder.entries();
    const auto found = std::find_if(before.begin(), before.end(), [](const std::string& n) { return n[0] == '.'; });
    ASSERT_NE(found, before.end());
    const std::string ours = *found;
    const std::string ownId = std::to_string(::getpid());
    const std::size_t idAt = ours.rfind("-" + ownId + "-") + 1;
    const std::string prefix = ours.substr(0, idAt);

    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string gone = std::to_string(child);

    struct Case
    {
        std::string name;
        bool old;
        bool kept;
    };
    const std::vector<Case> cases = {
        {prefix + gone + "-aB3xYz", true, false},                       // killed long ago: removed
        {prefix + gone + "-fresh1", false, true},                       // written lately: maybe alive elsewhere
        {prefix + std::to_string(::getppid()) + "-parent", true, true}, // its process lives
        {".other.xml" + ours.substr(8, idAt - 8) + gone + "-other1", true, true}, // another document's
        {".doc.xml.tmp-elsewhere-" + gone + "-host01", true, true},               // another machine's
        {prefix + gone + "-x", true, true},                                       // not a name saves make
        {prefix + "12ab-cdefgh", true, true},
    };
    const auto longAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(2);
    for (const Case& c : cases)
    {
        writeAll(folder.file(c.name), "partial");
        if (c.old)
            std::filesystem::last_write_time(folder.path() / c.name, longAgo);
    }
    ASSERT_TRUE(writeFile(target, "new"));

    EXPECT_EQ(readAll(target), "new");
    for (const Case& c : cases)
        EXPECT_EQ(std::filesystem::exists(folder.path() / c.name), c.kept) << c.name;
    // The save still under way is left alone and completes.
    EXPECT_TRUE(std::filesystem::exists(folder.path() / ours));
    ASSERT_TRUE(live.commit());
    EXPECT_EQ(readAll(target), "still saving");
}
