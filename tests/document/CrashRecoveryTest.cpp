// Keeping unsaved work through a crash and offering it back at the next start.

#include "DocumentTestSupport.h"
#include "FileSystemFaults.h"

#include <dbui/CrashRecovery.h>

#include <db/FileInputStream.h>
#include <db/LoaderXML.h>

#include <wx/evtloop.h>
#include <wx/filefn.h>

#include <chrono>
#include <csignal>
#include <exception>

#include <time.h>

#include <sys/stat.h>
#include <sys/wait.h>

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

    /// Saved as castle with enough nodes that a save takes several slices, so
    /// that what happens during an autosave lands in the middle of one.
    void makeBigSavedDocument()
    {
        {
            db::ChangeBlock block(m_database, L"Fill");
            for (int i = 0; i < 20000; ++i)
                m_database.getRootContainer().add(db::makeNode(L"Group", L"g" + std::to_wstring(i)));
        }
        ASSERT_EQ(m_document->save(castle()), Document::Success);
    }

    /// Handles one event at a time until an autosave is under way, a slice or two into it at most.
    static bool waitUntilAutosaving(const CrashRecovery& recovery)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!recovery.isAutosaving() && std::chrono::steady_clock::now() < deadline)
            wxEventLoopBase::GetActive()->DispatchTimeout(10);
        return recovery.isAutosaving();
    }

    /// Sets a file's modification time `age` into the past, so that tests do
    /// not depend on how fast the disk and clock are.
    static void setAge(const wxString& file, std::chrono::seconds age)
    {
        const std::filesystem::path p(std::string(file.fn_str()));
        std::filesystem::last_write_time(p, std::filesystem::file_time_type::clock::now() - age);
    }

    /// The offer of `document`'s work, kept beside it unless `kept` says where.
    static ExpectMessage offer(const wxString& document, int answer, const wxString& kept = wxString())
    {
        return ExpectMessage::containing(
            {"'" + document + "' was saved", "'" + (kept.empty() ? document + ".recovery" : kept) + "'"}, answer,
            wxYES_NO | wxCANCEL | wxICON_QUESTION);
    }

    /// The question before opening a document another window holds open.
    ExpectMessage openHereToo(int answer) const
    {
        return ExpectMessage::containing({"'" + castle() + "' is already open in another window"}, answer,
                                         wxYES_NO | wxICON_EXCLAMATION);
    }

    static ExpectMessage untitledOffer(const wxString& recoveryFile, int answer)
    {
        return ExpectMessage::containing({"unnamed document", "'" + recoveryFile + "'"}, answer,
                                         wxYES_NO | wxCANCEL | wxICON_QUESTION);
    }

    /// The author held by a recovery file, read as the next start would.
    static std::wstring authorIn(const wxString& file)
    {
        db::Database loaded(L"Loaded");
        db::FileInputStream in(file.ToStdWstring());
        if (!db::LoaderXML(in).load(loaded))
            return L"<does not load>";
        auto* attribute = dynamic_cast<db::StringAttribute*>(loaded.findAttribute(L"author"));
        return attribute ? attribute->getValue() : L"<none>";
    }

    /// How many top-level nodes a recovery file holds besides the saved "level".
    static std::size_t roomsIn(const wxString& file)
    {
        db::Database loaded(L"Loaded");
        db::FileInputStream in(file.ToStdWstring());
        return db::LoaderXML(in).load(loaded) ? loaded.getRootContainer().getNodeCount() - 1 : 0;
    }

    /// Names in the scratch folder, to prove that no temporary file was left.
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// ---------------------------------------------------------------------------
// Writing the recovery file
// ---------------------------------------------------------------------------

TEST_F(CrashRecoveryTest, RecoveryFileIsWrittenOnlyForUnsavedWorkAndCountsOnlyWhenNewerThanItsDocument)
{
    EXPECT_FALSE(CrashRecovery::hasNewerRecoveryFile(castle())) << "neither file exists";
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
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle *") << "the document keeps its name";
    EXPECT_EQ(recovery.getLastRecoveryFile(), castle() + ".recovery");
    setAge(castle(), std::chrono::seconds(10));
    setAge(castle() + ".recovery", std::chrono::seconds(20));
    EXPECT_FALSE(CrashRecovery::hasNewerRecoveryFile(castle())) << "saved after the crash";
    setAge(castle() + ".recovery", std::chrono::seconds(5));
    EXPECT_TRUE(CrashRecovery::hasNewerRecoveryFile(castle()));
    std::filesystem::remove(std::string(castle().fn_str()));
    EXPECT_TRUE(CrashRecovery::hasNewerRecoveryFile(castle())) << "the recovery file is all that is left";
}

TEST_F(CrashRecoveryTest, AutosaveKeepsUnsavedWorkInTheBackgroundUntilItIsSavedAndSettlesAtAClose)
{
    makeBigSavedDocument();
    CrashRecovery recovery(*m_document, 0);
    int autosaves = 0;
    recovery.setAutosaveListener([&] { ++autosaves; });
    std::vector<double> progress;
    recovery.setAutosaveProgressListener(
        [&](double fraction, std::chrono::milliseconds)
        {
            if (autosaves == 0)
                progress.push_back(fraction);
        });
    recovery.setAutosave(std::chrono::milliseconds(50), std::chrono::milliseconds(0));

    edit(L"bob");
    ASSERT_TRUE(waitUntilAutosaving(recovery));
    {
        // Most likely while the database is being read: that save starts again.
        db::ChangeBlock block(m_database, L"Delete nodes");
        for (int i = 0; i < 1000; ++i)
            m_database.getRootContainer().remove(m_database.getRootContainer().getNode(1)); // g0, g1, ...
    }
    edit(L"cy");
    ASSERT_TRUE(
        wxtest::pumpUntil([&] { return autosaves > 0 && !recovery.isAutosaving(); }, std::chrono::milliseconds(20000)));
    EXPECT_EQ(autosaves, 1) << "the save overtaken by the edits wrote nothing";
    ASSERT_FALSE(progress.empty()) << "the status bar is told how far an autosave has come";
    EXPECT_TRUE(std::all_of(progress.begin(), progress.end(), [](double f) { return f >= 0 && f <= 1; }));
    EXPECT_GT(progress.back(), 0.9);
    EXPECT_EQ(authorIn(castle() + ".recovery"), L"cy");
    EXPECT_EQ(readAll(castle() + ".recovery").find("\"g999\""), std::string::npos);
    EXPECT_NE(readAll(castle() + ".recovery").find("\"g1000\""), std::string::npos);
    EXPECT_TRUE(recovery.getLastAutosaveTime().IsValid());
    EXPECT_TRUE(recovery.getLastAutosaveError().empty());
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle *") << "autosave is no save of the document";
    EXPECT_NE(readAll(castle()).find("ann"), std::string::npos);
    EXPECT_EQ(entries(), (std::vector<std::string>{"castle.lvl", "castle.lvl.recovery"})) << "no temporary file left";

    ASSERT_EQ(m_document->save(), Document::Success);
    EXPECT_EQ(entries(), std::vector<std::string>{"castle.lvl"}) << "saved work needs no recovery file";
    const int saved = autosaves;
    wxtest::pumpUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(autosaves, saved) << "nothing unsaved, nothing to autosave";

    edit(L"dan");
    ASSERT_TRUE(wxtest::pumpUntil([&] { return autosaves > saved && !recovery.isAutosaving(); }));
    EXPECT_EQ(authorIn(castle() + ".recovery"), L"dan");

    // Closed in the middle of an autosave: it is settled before the database empties.
    edit(L"eve");
    ASSERT_TRUE(waitUntilAutosaving(recovery));
    m_document->close();
    EXPECT_FALSE(recovery.isAutosaving());
    EXPECT_EQ(m_database.getTotalNodeCount(), 1u);
    const std::wstring kept = authorIn(castle() + ".recovery");
    EXPECT_TRUE(kept == L"dan" || kept == L"eve") << "an autosave is written whole or not at all";
    EXPECT_EQ(entries(), (std::vector<std::string>{"castle.lvl", "castle.lvl.recovery"})) << "no temporary file left";
    wxtest::pumpUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(authorIn(castle() + ".recovery"), kept) << "a closed document has nothing to autosave";
}

TEST_F(CrashRecoveryTest, AutosaveWaitsUntilTheUserRests)
{
    ASSERT_EQ(m_document->save(castle()), Document::Success);
    CrashRecovery recovery(*m_document, 0);
    // A rest well beyond any stall of a busy test machine between two keys.
    recovery.setAutosave(std::chrono::milliseconds(20), std::chrono::milliseconds(1500));
    edit(L"bob");
    wxWindow* window = wxtest::frame();
    const auto typingUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(2000);
    while (std::chrono::steady_clock::now() < typingUntil)
    {
        wxKeyEvent key(wxEVT_KEY_DOWN);
        key.SetEventObject(window);
        window->ProcessWindowEvent(key);
        wxtest::pumpUntil([] { return false; }, std::chrono::milliseconds(30));
        ASSERT_FALSE(wxFileExists(castle() + ".recovery")) << "written while the user was typing";
    }
    EXPECT_TRUE(wxtest::pumpUntil([&] { return wxFileExists(castle() + ".recovery"); }));
}

TEST_F(CrashRecoveryTest, UntitledWorkAndUnwritableFoldersUseTheRecoveryFolder)
{
    CrashRecovery recovery(*m_document, 0);
    recovery.setRecoveryFolder(path("state"));
    ASSERT_EQ(m_document->createNew(), Document::Success);
    fillDatabase(L"sketch");
    ASSERT_TRUE(recovery.saveRecoveryFile());
    const wxString mine = path("state/Unnamed-" + std::to_string(::getpid()) + ".recovery");
    EXPECT_EQ(recovery.getLastRecoveryFile(), mine);
    EXPECT_TRUE(wxFileExists(mine));
    EXPECT_EQ(recovery.offerUntitledRecovery(), Document::Cancelled) << "a running program's own work is not offered";

    // The program ends; the next one finds the work it left.
    const wxString left = path("state/Unnamed-" + std::to_string(dbuitest::endedProcessId()) + ".recovery");
    ASSERT_TRUE(wxRenameFile(mine, left));
    m_document->close();
    EXPECT_TRUE(wxFileExists(left));
    Document::ErrorCode result = Document::Cancelled;
    wxTEST_DIALOG(result = recovery.offerUntitledRecovery(), untitledOffer(left, wxID_YES));
    ASSERT_EQ(result, Document::Success);
    EXPECT_TRUE(hasNode(L"sketch"));
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "Unnamed *");
    ASSERT_EQ(m_document->save(castle()), Document::Success);
    EXPECT_FALSE(wxFileExists(left)) << "saved work needs no recovery file";

    // A document whose folder takes no new file keeps its recovery file in the recovery folder.
    edit(L"bob");
    ::chmod(castle().fn_str(), 0666);
    ::chmod(m_dir.c_str(), 0755);
    ::chmod(path("state").fn_str(), 0777);
    {
        dbuitest::OrdinaryUser user;
        ::chmod(m_dir.c_str(), 0555);
        ASSERT_TRUE(recovery.saveRecoveryFile());
    }
    const wxString kept = recovery.getLastRecoveryFile();
    EXPECT_TRUE(kept.StartsWith(path("state/castle.lvl-"))) << kept;
    EXPECT_EQ(authorIn(kept), L"bob");
    m_document->close();
    wxTEST_DIALOG(EXPECT_EQ(recovery.openOfferingRecovery(castle()), Document::Success),
                  offer(castle(), wxID_YES, kept));
    EXPECT_EQ(author(), L"bob");
    ::chmod(m_dir.c_str(), 0700);
}

TEST_F(CrashRecoveryTest, DocumentOpenInAnotherWindowOpensOnlyWhenAskedAndLeavesThatWindowsWorkAlone)
{
    // The first window has castle open, with unsaved work autosaved beside it.
    CrashRecovery first(*m_document, 0);
    first.setRecoveryFolder(path("state"));
    first.setDocumentLocking(true);
    ASSERT_EQ(m_document->save(castle()), Document::Success);
    edit(L"bob");
    ASSERT_TRUE(first.saveRecoveryFile());
    ASSERT_EQ(first.getLastRecoveryFile(), castle() + ".recovery");

    db::Database database(L"Second");
    Document document(database, "lvl");
    CrashRecovery second(document, 0);
    second.setRecoveryFolder(path("state"));
    second.setDocumentLocking(true);
    wxTEST_DIALOG(EXPECT_EQ(second.openOfferingRecovery(castle()), Document::Cancelled), openHereToo(wxID_NO));
    EXPECT_TRUE(document.getFilename().empty());
    // Opened anyway: the first window's live work is no crash's to offer.
    wxTEST_DIALOG(EXPECT_EQ(second.openOfferingRecovery(castle()), Document::Success), openHereToo(wxID_YES));
    auto* author = dynamic_cast<db::StringAttribute*>(database.findAttribute(L"author"));
    ASSERT_NE(author, nullptr);
    EXPECT_EQ(author->getValue(), L"ann");
    {
        db::ChangeBlock block(database, L"Set string attribute(s)");
        author->setValue(L"carl");
    }
    ASSERT_TRUE(second.saveRecoveryFile());
    const wxString own = path("state/Unnamed-" + std::to_string(::getpid()) + ".recovery");
    EXPECT_EQ(second.getLastRecoveryFile(), own) << "never over the first window's";
    EXPECT_EQ(authorIn(castle() + ".recovery"), L"bob");
    EXPECT_EQ(authorIn(own), L"carl");

    // Both windows go (as a kill would let go of their locks): the next one is
    // offered the first window's work as before.
    document.close();
    m_document->close();
    wxTEST_DIALOG(EXPECT_EQ(second.openOfferingRecovery(castle()), Document::Cancelled), offer(castle(), wxID_CANCEL));

    // Without the option nothing is asked.
    second.setDocumentLocking(false);
    first.setDocumentLocking(false);
    ASSERT_EQ(m_document->open(castle()), Document::Success);
    wxTEST_DIALOG(EXPECT_EQ(second.openOfferingRecovery(castle()), Document::Cancelled), offer(castle(), wxID_CANCEL));
}

// Started by the test below in a process of its own: another editor's window
// holding the document open, until it is killed.
TEST_F(CrashRecoveryTest, ChildHoldingTheDocumentOpen)
{
    wxString document;
    if (!wxGetEnv("DBUI_HELD_DOCUMENT", &document))
        GTEST_SKIP() << "run by DocumentOfAWindowKilledOpensWithoutAsking";
    CrashRecovery recovery(*m_document, 0);
    recovery.setDocumentLocking(true);
    ASSERT_EQ(recovery.openOfferingRecovery(document), Document::Success);
    writeText(document + ".held", "");
    wxtest::pumpUntil([] { return false; }, std::chrono::seconds(30));
    ADD_FAILURE() << "the program was not killed";
}

TEST_F(CrashRecoveryTest, DocumentOfAWindowKilledOpensWithoutAsking)
{
    ASSERT_EQ(m_document->save(castle()), Document::Success);
    m_document->close();
    const pid_t child = dbuitest::startSelf("CrashRecoveryTest.ChildHoldingTheDocumentOpen", "DBUI_HELD_DOCUMENT",
                                            std::string(castle().fn_str()));
    ASSERT_GT(child, 0);
    EXPECT_TRUE(wxtest::pumpUntil([&] { return wxFileExists(castle() + ".held"); }, std::chrono::seconds(30)));
    CrashRecovery recovery(*m_document, 0);
    recovery.setDocumentLocking(true);
    wxTEST_DIALOG(EXPECT_EQ(recovery.openOfferingRecovery(castle()), Document::Cancelled), openHereToo(wxID_NO));
    ::kill(child, SIGKILL);
    dbuitest::waitForEnd(child, std::chrono::seconds(10));
    EXPECT_EQ(recovery.openOfferingRecovery(castle()), Document::Success) << "the system let go of its lock";
}

/// A host's document whose own saving goes through windows (a progress
/// dialog, say), which a crashing program must leave alone.
class WindowedSaveDocument : public Document
{
public:
    using Document::Document;
    bool saveFile(const std::wstring& fileName) override
    {
        if (m_windowsGone)
            std::_Exit(3);
        return Document::saveFile(fileName);
    }
    bool m_windowsGone = false;
};

TEST_F(CrashRecoveryTest, FatalSignalOrUnhandledExceptionEvenInTheMiddleOfAnEditWritesTheRecoveryFileOnItsOwn)
{
    testing::FLAGS_gtest_death_test_style = "fast";
    WindowedSaveDocument host(m_database, "lvl");
    ASSERT_EQ(host.save(castle()), Document::Success);
    {
        CrashRecovery recovery(host);
        EXPECT_EXIT(
            {
                db::ChangeBlock block(m_database, L"Add rooms");
                for (int i = 0; i < 20; ++i)
                    m_database.getRootContainer().add(db::makeNode(L"Group", L"room" + std::to_wstring(i)));
                edit(L"bob");
                host.m_windowsGone = true;
                std::raise(SIGSEGV);
            },
            [](int status) { return !(WIFEXITED(status) && WEXITSTATUS(status) == 3); }, "");
    }
    EXPECT_EQ(authorIn(castle() + ".recovery"), L"bob") << "what the edit had done when the program died";
    EXPECT_EQ(roomsIn(castle() + ".recovery"), 20u);
    EXPECT_EQ(host.getFilename(), castle()) << "only the crashed process took the recovery name";

    // Outside any edit, and at an exception nothing caught.
    edit(L"cid");
    ASSERT_TRUE(wxRemoveFile(castle() + ".recovery"));
    {
        CrashRecovery recovery(host);
        EXPECT_DEATH(std::raise(SIGSEGV), "");
    }
    EXPECT_EQ(authorIn(castle() + ".recovery"), L"cid");
    ASSERT_TRUE(wxRemoveFile(castle() + ".recovery"));
    {
        CrashRecovery recovery(host, CrashRecovery::UnhandledExceptions);
        EXPECT_DEATH(std::terminate(), "");
    }
    EXPECT_EQ(authorIn(castle() + ".recovery"), L"cid");
}

// Started by the test below in a process of its own: opens the document,
// edits it while a timer sends SIGTERM, as when the session ends under a user
// who is working, and goes on with the event loop.
TEST_F(CrashRecoveryTest, ChildTerminatedDuringAnEdit)
{
    wxString document;
    if (!wxGetEnv("DBUI_TERMINATED_DOCUMENT", &document))
        GTEST_SKIP() << "run by TerminationSignalDuringAnEditKeepsTheWholeEdit";
    ASSERT_EQ(m_document->open(document), Document::Success);
    CrashRecovery recovery(*m_document);
    timer_t timer{};
    sigevent event{};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = SIGTERM;
    ASSERT_EQ(timer_create(CLOCK_MONOTONIC, &event, &timer), 0);
    itimerspec when{};
    when.it_value.tv_nsec = 2'000'000;
    ASSERT_EQ(timer_settime(timer, 0, &when, nullptr), 0);
    {
        db::ChangeBlock block(m_database, L"Add rooms");
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
        for (int i = 0; i < 100 || std::chrono::steady_clock::now() < until; ++i)
            m_database.getRootContainer().add(db::makeNode(L"Group", L"room" + std::to_wstring(i)));
        edit(L"bob");
    }
    wxtest::pumpUntil([] { return false; }, std::chrono::seconds(20));
    ADD_FAILURE() << "the program was not ended";
}

TEST_F(CrashRecoveryTest, TerminationSignalDuringAnEditKeepsTheWholeEdit)
{
    ASSERT_EQ(m_document->save(castle()), Document::Success);
    const pid_t child = dbuitest::startSelf("CrashRecoveryTest.ChildTerminatedDuringAnEdit", "DBUI_TERMINATED_DOCUMENT",
                                            std::string(castle().fn_str()));
    ASSERT_GT(child, 0);
    const int status = dbuitest::waitForEnd(child, std::chrono::seconds(60));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "wait status " << status;
    EXPECT_EQ(authorIn(castle() + ".recovery"), L"bob") << "the recovery file holds the edit as it ended";
    EXPECT_GE(roomsIn(castle() + ".recovery"), 100u);

    // A program that no longer runs its event loop still ends at the second
    // signal, and still keeps the work.
    testing::FLAGS_gtest_death_test_style = "fast";
    edit(L"cid");
    {
        CrashRecovery recovery(*m_document);
        EXPECT_EXIT(
            {
                std::raise(SIGTERM);
                std::raise(SIGTERM);
                std::_Exit(3);
            },
            testing::KilledBySignal(SIGTERM), "");
    }
    EXPECT_EQ(authorIn(castle() + ".recovery"), L"cid");
}

// ---------------------------------------------------------------------------
// Offering recovery at the next start
// ---------------------------------------------------------------------------

TEST_F(CrashRecoveryTest, AcceptedRecoveryIsAnUndoableChangeOfTheDocumentEvenOfOneLostInTheCrash)
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

    // A document lost in the crash comes back under its name.
    m_document->close();
    fillDatabase(L"level");
    makeCrashedDocument();
    std::filesystem::remove(std::string(castle().fn_str()));
    wxTEST_DIALOG(EXPECT_EQ(recovery.openOfferingRecovery(castle()), Document::Success), offer(castle(), wxID_YES));
    EXPECT_EQ(author(), L"bob");
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle *");
    EXPECT_EQ(m_observer.lifecycle(), (std::vector<std::string>{"closing", "closed", "created"}));
    ASSERT_EQ(m_document->save(), Document::Success);
    EXPECT_NE(readAll(castle()).find("bob"), std::string::npos);
}

TEST_F(CrashRecoveryTest, RecoveryFileOutlivesItsClosedDocumentUntilSavedOrDiscarded)
{
    makeCrashedDocument();
    CrashRecovery recovery(*m_document);
    wxTEST_DIALOG(recovery.openOfferingRecovery(castle()), offer(castle(), wxID_YES));
    m_document->close(); // as after a save that failed at closing
    ASSERT_EQ(m_document->createNew(), Document::Success);
    fillDatabase(L"other");
    ASSERT_EQ(m_document->save(path("other.lvl")), Document::Success);
    EXPECT_TRUE(wxFileExists(castle() + ".recovery")) << "another document's save took castle's unsaved work";

    wxTEST_DIALOG(recovery.openOfferingRecovery(castle()), offer(castle(), wxID_YES));
    ASSERT_TRUE(m_database.undo()); // back to the saved version: the recovered work is dropped
    m_document->close();
    EXPECT_FALSE(wxFileExists(castle() + ".recovery"));

    fillDatabase(L"level");
    makeCrashedDocument();
    wxTEST_DIALOG(recovery.openOfferingRecovery(castle()), offer(castle(), wxID_YES));
    recovery.discardRecoveryFiles();
    EXPECT_FALSE(wxFileExists(castle() + ".recovery")) << "the user chose to lose it";
}

TEST_F(CrashRecoveryTest,
       DeclinedRecoverySetsTheChangesAsideCancelKeepsEverythingAndOldOrBrokenFilesOpenTheSavedVersion)
{
    makeCrashedDocument();
    CrashRecovery recovery(*m_document);
    wxTEST_DIALOG(EXPECT_EQ(recovery.openOfferingRecovery(castle()), Document::Cancelled),
                  offer(castle(), wxID_CANCEL));
    EXPECT_EQ(m_document->getTitle(), "No file open");
    EXPECT_TRUE(CrashRecovery::hasNewerRecoveryFile(castle())) << "the question comes again next time";

    wxTEST_DIALOG(EXPECT_EQ(recovery.openOfferingRecovery(castle()), Document::Success), offer(castle(), wxID_NO));
    EXPECT_EQ(author(), L"ann");
    EXPECT_FALSE(m_document->hasChangedSinceLastSave());
    EXPECT_FALSE(wxFileExists(castle() + ".recovery")) << "no question at the next start";
    EXPECT_NE(readAll(castle() + ".recovery.discarded").find("bob"), std::string::npos) << "but nothing destroyed";

    // A recovery file older than its document is no crash's: the document simply opens.
    writeText(castle() + ".recovery", "older");
    setAge(castle() + ".recovery", std::chrono::hours(3));
    m_document->close();
    EXPECT_EQ(recovery.openOfferingRecovery(castle()), Document::Success); // no dialog may show
    EXPECT_EQ(author(), L"ann");

    // A broken recovery file leaves the saved version open and unharmed.
    writeText(castle() + ".recovery", "<half a file");
    m_document->close();
    wxTEST_DIALOG(EXPECT_EQ(recovery.openOfferingRecovery(castle()), Document::LoadFailed), offer(castle(), wxID_YES));
    EXPECT_EQ(author(), L"ann");
    EXPECT_FALSE(m_document->hasChangedSinceLastSave());
    EXPECT_FALSE(m_database.canUndo());
}

} // namespace
