#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>

#include "FilesTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using db::FileOutputStream;
using filestest::readAll;
using filestest::ScratchFolder;
using filestest::writeAll;

namespace {

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

TEST(FileStreams, WrittenFileReadsBackWithNoTemporaryLeft)
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
}

TEST(FileStreams, UnicodeFileNamesWorkFromWideStrings)
{
    ScratchFolder folder;
    std::wstring name = std::wstring(folder.path().wstring()) + L"/sc\u00e8ne \u6570\u636e.xml";
    {
        FileOutputStream out(name);
        ASSERT_TRUE(out.writeText(L"\u00e9t\u00e9 \U0001F600"));
        ASSERT_TRUE(out.commit());
    }
    db::FileInputStream in(name);
    ASSERT_TRUE(in.isOpen());
    EXPECT_EQ(std::string(in.data(), in.size()), "\xc3\xa9t\xc3\xa9 \xf0\x9f\x98\x80");
}

TEST(FileStreams, EveryFailingStepKeepsTheOldFileAndLeavesNoTemporary)
{
    for (auto step : {FileOutputStream::Step::Open, FileOutputStream::Step::Write,
                      FileOutputStream::Step::Sync, FileOutputStream::Step::Rename})
    {
        ScratchFolder folder;
        writeAll(folder.file("doc.xml"), "old contents");
        {
            FailAt failure(step);
            EXPECT_FALSE(writeFile(folder.file("doc.xml"), "new contents"))
                << "step " << static_cast<int>(step);
        }
        EXPECT_EQ(readAll(folder.file("doc.xml")), "old contents");
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"doc.xml"});
    }
}

TEST(FileStreams, StreamDroppedBeforeCommitLeavesTargetAlone)
{
    ScratchFolder folder;
    writeAll(folder.file("doc.xml"), "old");
    {
        FileOutputStream out(folder.file("doc.xml"));
        out.write("partial", 7);
    }
    EXPECT_EQ(readAll(folder.file("doc.xml")), "old");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"doc.xml"});
}

TEST(FileStreams, UnwritableFolderFailsCleanly)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    ScratchFolder folder;
    writeAll(folder.file("doc.xml"), "old");
    ::chmod(folder.path().c_str(), 0500);
    FileOutputStream out(folder.file("doc.xml"));
    EXPECT_FALSE(out.isOpen());
    EXPECT_FALSE(out.commit());
    EXPECT_FALSE(out.getError().empty());
    ::chmod(folder.path().c_str(), 0700);
    EXPECT_EQ(readAll(folder.file("doc.xml")), "old");
}

TEST(FileStreams, ReplacedFileKeepsItsPermissions)
{
    ScratchFolder folder;
    writeAll(folder.file("doc.xml"), "old");
    ::chmod(folder.file("doc.xml").c_str(), 0640);
    ASSERT_TRUE(writeFile(folder.file("doc.xml"), "new"));
    struct stat info {};
    ASSERT_EQ(::stat(folder.file("doc.xml").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
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
