// Keeping unsaved work through a crash and offering it back at the next start.

#include "DocumentTestSupport.h"

#include <dbui/CrashRecovery.h>

#include <wx/filefn.h>

#include <chrono>
#include <csignal>
#include <exception>

using namespace doctest;
using dbui::CrashRecovery;
using dbui::Document;

namespace
{

class CrashRecoveryTest : public DocumentTest
{
protected:
    /// A saved document "castle.lvl" whose author is "ann", and a recovery
    /// file beside it, written later, whose author is "bob".
    void makeCrashedDocument()
    {
        ASSERT_EQ(m_document->save(castle()), Document::Success);
        edit(L"bob");
        writeFile(castle() + ".recovery");
        m_document->close();
        m_observer.clear();
        setAge(castle(), std::chrono::hours(2));
        setAge(castle() + ".recovery", std::chrono::hours(1));
    }

    wxString castle() const { return path("castle.lvl"); }

    /// Sets a file's modification time `age` into the past, so that tests do
    /// not depend on how fast the disk and clock are.
    static void setAge(const wxString& file, std::chrono::seconds age)
    {
        const std::filesystem::path p(std::string(file.fn_str()));
        std::filesystem::last_write_time(p, std::filesystem::file_time_type::clock::now() - age);
    }

    static wxString question(const wxString& document)
    {
        return "The program ended before '" + document + "' was saved; its unsaved changes were kept in '" + document +
               ".recovery'.\n\nYes: open the document with the recovered changes.\n"
               "No: open the last saved version and set the recovered changes aside.\nCancel: open nothing now.";
    }

    ExpectMessage offer(const wxString& document, int answer) const
    {
        return ExpectMessage(question(document), answer, wxYES_NO | wxCANCEL | wxICON_QUESTION);
    }
};

// ---------------------------------------------------------------------------
// Writing the recovery file
// ---------------------------------------------------------------------------

TEST_F(CrashRecoveryTest, RecoveryFileIsWrittenOnlyForUnsavedWork)
{
    CrashRecovery recovery(*m_document);
    m_document->setFileHistory(m_history.get());
    ASSERT_EQ(m_document->save(castle()), Document::Success);
    EXPECT_FALSE(recovery.saveRecoveryFile()) << "nothing to recover";
    EXPECT_FALSE(wxFileExists(castle() + ".recovery"));

    edit(L"bob");
    EXPECT_TRUE(recovery.saveRecoveryFile());
    EXPECT_NE(readAll(castle() + ".recovery").find("bob"), std::string::npos);
    ASSERT_EQ(m_history->getCount(), 1u) << "a recovery file is no recent document";
    EXPECT_EQ(m_history->getHistoryFile(0), castle());
    EXPECT_EQ(m_document->getFileHistory(), m_history.get()) << "the list is handed back";
    EXPECT_TRUE(CrashRecovery::hasNewerRecoveryFile(castle()));
}

TEST_F(CrashRecoveryTest, RecoveryFileCountsOnlyWhenNewerThanItsDocument)
{
    EXPECT_FALSE(CrashRecovery::hasNewerRecoveryFile(castle())) << "neither file exists";
    writeText(castle(), "saved");
    writeText(castle() + ".recovery", "recovered");
    setAge(castle(), std::chrono::seconds(10));
    setAge(castle() + ".recovery", std::chrono::seconds(20));
    EXPECT_FALSE(CrashRecovery::hasNewerRecoveryFile(castle())) << "saved after the crash";
    setAge(castle() + ".recovery", std::chrono::seconds(5));
    EXPECT_TRUE(CrashRecovery::hasNewerRecoveryFile(castle()));
    std::filesystem::remove(std::string(castle().fn_str()));
    EXPECT_TRUE(CrashRecovery::hasNewerRecoveryFile(castle())) << "the recovery file is all that is left";
}

TEST_F(CrashRecoveryTest, FatalSignalWritesTheRecoveryFile)
{
    testing::FLAGS_gtest_death_test_style = "fast";
    ASSERT_EQ(m_document->save(castle()), Document::Success);
    edit(L"bob");
    {
        CrashRecovery recovery(*m_document);
        EXPECT_DEATH(std::raise(SIGSEGV), "");
    }
    EXPECT_NE(readAll(castle() + ".recovery").find("bob"), std::string::npos);
    EXPECT_EQ(m_document->getFilename(), castle()) << "only the crashed process took the recovery name";
}

TEST_F(CrashRecoveryTest, UnhandledExceptionWritesTheRecoveryFile)
{
    testing::FLAGS_gtest_death_test_style = "fast";
    ASSERT_EQ(m_document->save(castle()), Document::Success);
    edit(L"bob");
    {
        CrashRecovery recovery(*m_document, CrashRecovery::UnhandledExceptions);
        EXPECT_DEATH(std::terminate(), "");
    }
    EXPECT_NE(readAll(castle() + ".recovery").find("bob"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Offering recovery at the next start
// ---------------------------------------------------------------------------

TEST_F(CrashRecoveryTest, AcceptedRecoveryIsAnUndoableChangeOfTheDocument)
{
    makeCrashedDocument();
    CrashRecovery recovery(*m_document);
    Document::ErrorCode result = Document::Cancelled;
    wxTEST_DIALOG(result = recovery.openOfferingRecovery(castle()), offer(castle(), wxID_YES));
    ASSERT_EQ(result, Document::Success);
    EXPECT_EQ(author(), L"bob");
    EXPECT_EQ(m_document->getFilename(), castle()) << "saving must write the document, not the recovery file";
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle *");
    ASSERT_TRUE(m_database.canUndo());
    EXPECT_EQ(m_database.getUndoDescription(m_database.getUndoStackSize() - 1), L"Recover Document");

    ASSERT_TRUE(m_database.undo());
    EXPECT_EQ(author(), L"ann") << "undo goes back to the saved version";
    EXPECT_FALSE(m_document->hasChangedSinceLastSave());
    ASSERT_TRUE(m_database.redo());

    EXPECT_TRUE(wxFileExists(castle() + ".recovery")) << "kept until the work is saved";
    ASSERT_EQ(m_document->save(), Document::Success);
    EXPECT_NE(readAll(castle()).find("bob"), std::string::npos);
    EXPECT_FALSE(wxFileExists(castle() + ".recovery")) << "saved work needs no recovery file";
}

TEST_F(CrashRecoveryTest, DeclinedRecoverySetsTheChangesAsideAndCancelKeepsEverything)
{
    makeCrashedDocument();
    CrashRecovery recovery(*m_document);
    Document::ErrorCode result = Document::Success;
    wxTEST_DIALOG(result = recovery.openOfferingRecovery(castle()), offer(castle(), wxID_CANCEL));
    EXPECT_EQ(result, Document::Cancelled);
    EXPECT_EQ(m_document->getTitle(), "No file open");
    EXPECT_TRUE(CrashRecovery::hasNewerRecoveryFile(castle())) << "the question comes again next time";

    wxTEST_DIALOG(result = recovery.openOfferingRecovery(castle()), offer(castle(), wxID_NO));
    EXPECT_EQ(result, Document::Success);
    EXPECT_EQ(author(), L"ann");
    EXPECT_FALSE(m_document->hasChangedSinceLastSave());
    EXPECT_FALSE(wxFileExists(castle() + ".recovery")) << "no question at the next start";
    EXPECT_NE(readAll(castle() + ".recovery.discarded").find("bob"), std::string::npos) << "but nothing destroyed";
}

TEST_F(CrashRecoveryTest, WithoutNewerRecoveryFileTheDocumentSimplyOpens)
{
    makeCrashedDocument();
    setAge(castle(), std::chrono::seconds(1)); // saved after the crash
    CrashRecovery recovery(*m_document);
    EXPECT_EQ(recovery.openOfferingRecovery(castle()), Document::Success); // no dialog may show
    EXPECT_EQ(author(), L"ann");
}

TEST_F(CrashRecoveryTest, RecoveryOfLostDocumentRestoresItUnderItsName)
{
    makeCrashedDocument();
    std::filesystem::remove(std::string(castle().fn_str()));
    CrashRecovery recovery(*m_document);
    Document::ErrorCode result = Document::Cancelled;
    wxTEST_DIALOG(result = recovery.openOfferingRecovery(castle()), offer(castle(), wxID_YES));
    ASSERT_EQ(result, Document::Success);
    EXPECT_EQ(author(), L"bob");
    EXPECT_EQ(m_document->getFilename(), castle());
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle *");
    EXPECT_EQ(m_observer.lifecycle(), (std::vector<std::string>{"closing", "closed", "created"}));
    ASSERT_EQ(m_document->save(), Document::Success);
    EXPECT_NE(readAll(castle()).find("bob"), std::string::npos);
}

TEST_F(CrashRecoveryTest, BrokenRecoveryFileLeavesTheSavedVersion)
{
    makeCrashedDocument();
    writeText(castle() + ".recovery", "<half a file");
    setAge(castle() + ".recovery", std::chrono::seconds(1));
    CrashRecovery recovery(*m_document);
    Document::ErrorCode result = Document::Success;
    wxTEST_DIALOG(result = recovery.openOfferingRecovery(castle()), offer(castle(), wxID_YES));
    EXPECT_EQ(result, Document::LoadFailed);
    EXPECT_EQ(author(), L"ann") << "the saved version is open and unharmed";
    EXPECT_FALSE(m_document->hasChangedSinceLastSave());
    EXPECT_FALSE(m_database.canUndo());
}

} // namespace
