// Creating, opening, closing and saving documents, with every prompt answered
// the way a user would answer it.

#include "DocumentTestSupport.h"
#include "FileSystemFaults.h"

#include <db/FileOutputStream.h>

#include <wx/filefn.h>

#include <functional>
#include <optional>

#include <sys/stat.h>

using namespace doctest;
using dbui::Document;

namespace
{

// ---------------------------------------------------------------------------
// Construction and the change mark
// ---------------------------------------------------------------------------

TEST_F(DocumentTest, ChangeMarkFollowsEditsUndoAndSaveAndObserversHearEachChangeWithItsFlag)
{
    EXPECT_FALSE(m_database.canUndo()) << "the host's set-up must not be undoable";
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "No file open");
    EXPECT_TRUE(hasNode(L"level")) << "constructing a document leaves the content alone";
    edit(L"bob");
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "No file open *");
    ASSERT_TRUE(m_database.undo());
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "No file open") << "undo back to the saved state";
    ASSERT_TRUE(m_database.redo());
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "No file open *");

    ASSERT_EQ(m_document->save(path("castle.lvl")), Document::Success);
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle");
    m_observer.clear();
    edit(L"carl");
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle *");
    ASSERT_TRUE(m_database.undo());
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle") << "undo back to the state just saved";
    ASSERT_TRUE(m_database.undo());
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle *") << "undo past the save is a change too";

    m_database.beginChangeBlock(db::ChangeMode::Transient);
    m_database.addDynamicString(L"dragging", L"");
    m_database.commitTransient();
    m_database.endChangeBlock(L"Drag");
    const std::vector<std::string> expected = {"modified", "modified", "modified", "modified(transient)", "modified"};
    EXPECT_EQ(m_observer.calls, expected);
}

// ---------------------------------------------------------------------------
// The save prompt
// ---------------------------------------------------------------------------

/// What the document's observers find in the database when told of the close,
/// and how often the database reports meanwhile.
class CloseWitness : public dbui::DocumentObserver, public db::DatabaseObserver
{
public:
    explicit CloseWitness(Document& document) : m_document(document) {}

    void onDocumentClosing() override { closing = state(); }
    void onDocumentClosed() override { closed = state(); }
    void onDatabaseChanged(db::Database*, const db::ChangeSet& changes, bool) override
    {
        ++reports;
        removedNodes += changes.RemovedNodes().size();
    }

    /// The nodes in the database, and "*" when it holds unsaved changes.
    std::string state() const
    {
        return std::to_string(m_document.getDatabase()->getRootContainer().getNodeCount()) +
               (m_document.hasChangedSinceLastSave() ? "*" : "");
    }

    std::string closing;
    std::string closed;
    int reports = 0;
    std::size_t removedNodes = 0;

private:
    Document& m_document;
};

TEST_F(DocumentTest, ClosingAsksToSaveChangesThenEmptiesTheDatabaseInOneChangeUnlessCancelled)
{
    enum class Work
    {
        Saved,
        Edited,
        Undone, // an edit to redo
    };
    int caseNumber = 0;
    for (int answer : {wxID_YES, wxID_NO, wxID_CANCEL})
        for (Work work : {Work::Edited, Work::Saved, Work::Undone})
            for (bool named : {true, false})
            {
                SCOPED_TRACE(testing::Message()
                             << "answer " << answer << ", work " << static_cast<int>(work) << ", named " << named);
                const wxString file = path("case" + std::to_string(++caseNumber) + ".lvl");

                // Bring the document into the state of the case.
                m_document->close();
                if (named)
                {
                    fillDatabase(L"level");
                    m_database.getRootContainer()
                        .findNode(L"level")
                        ->findAttribute(L"children")
                        ->asNodeContainer()
                        ->add(db::makeNode(L"Group", L"room"));
                    ASSERT_EQ(m_document->save(file), Document::Success);
                }
                else
                {
                    ASSERT_EQ(m_document->createNew(), Document::Success);
                }
                if (work != Work::Saved)
                {
                    if (named)
                        edit(L"bob");
                    else
                        fillDatabase(L"draft");
                }
                for (int i = 0; work == Work::Undone && i < (named ? 1 : 2); ++i)
                    ASSERT_TRUE(m_database.undo());
                const bool changed = work == Work::Edited;
                const wxString titleBefore = m_document->getTitle();
                const std::size_t nodes = m_database.getTotalNodeCount() - 1;
                const std::string topLevel = std::to_string(m_database.getRootContainer().getNodeCount());
                CloseWitness witness(*m_document);
                m_document->m_observers.add(&witness, ObserverMode::Deferred);
                m_database.getObservers().add(&witness, ObserverMode::Deferred);
                m_observer.clear();

                Document::ErrorCode result = Document::Success;
                if (!changed)
                {
                    result = m_document->closeIfAllowed(); // no dialog may show
                }
                else if (answer == wxID_YES && !named)
                {
                    wxTEST_DIALOG(result = m_document->closeIfAllowed(), savePrompt(answer),
                                  ExpectFileDialog("Save as", file));
                }
                else
                {
                    wxTEST_DIALOG(result = m_document->closeIfAllowed(), savePrompt(answer));
                }
                m_database.getObservers().remove(&witness, ObserverMode::Immediate);
                m_document->m_observers.remove(&witness, ObserverMode::Immediate);

                if (changed && answer == wxID_CANCEL)
                {
                    EXPECT_EQ(result, Document::Cancelled);
                    EXPECT_EQ(witness.reports, 0) << "a cancelled close changes nothing";
                    EXPECT_TRUE(m_observer.lifecycle().empty());
                    EXPECT_EQ(m_document->getTitle(), titleBefore);
                    EXPECT_TRUE(m_document->hasChangedSinceLastSave()) << "cancel keeps the work";
                    EXPECT_TRUE(hasNode(named ? L"level" : L"draft"));
                    EXPECT_TRUE(m_database.canUndo()) << "the work can still be undone";
                    continue;
                }
                EXPECT_EQ(result, Document::Success);
                std::vector<std::string> lifecycle{"closing", "closed"};
                if (changed && answer == wxID_YES)
                    lifecycle.insert(lifecycle.begin(), "saved");
                EXPECT_EQ(m_observer.lifecycle(), lifecycle);
                EXPECT_EQ(witness.closing, topLevel + (changed && answer == wxID_NO ? "*" : ""))
                    << "the closing hooks see the document whole";
                EXPECT_EQ(witness.closed, "0");
                EXPECT_EQ(witness.removedNodes, nodes);
                EXPECT_EQ(witness.reports, nodes ? 1 : 0) << "the views empty themselves from one change";
                EXPECT_FALSE(m_database.canUndo());
                EXPECT_FALSE(m_database.canRedo());
                EXPECT_EQ(m_database.getUndoMemoryUsage(), 0u);
                EXPECT_EQ(m_database.findAttribute(L"author"), nullptr);
                EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "No file open");
                if (changed && answer == wxID_YES)
                {
                    EXPECT_NE(readAll(file).find(named ? "bob" : "draft"), std::string::npos)
                        << "the answer yes wrote the changes to " << file;
                }
            }
}

TEST_F(DocumentTest, FailedSaveInPromptIsReportedAndTheCloseGoesOn)
{
    std::filesystem::create_directory(m_dir / "sub");
    ASSERT_EQ(m_document->save(path("sub/a.lvl")), Document::Success);
    m_document->setFileHistory(m_history.get());
    edit(L"bob");
    std::filesystem::remove_all(m_dir / "sub"); // the folder vanished: the save cannot succeed

    wxTEST_DIALOG(EXPECT_EQ(m_document->userSavedOrAgreedToLoss(), Document::SaveFailed), savePrompt(wxID_YES),
                  savingFailed());
    EXPECT_EQ(m_document->getFilename(), path("sub/a.lvl")) << "a failed save keeps the name";
    EXPECT_TRUE(m_document->hasChangedSinceLastSave()) << "a failed save keeps the change mark";
    EXPECT_EQ(m_history->getCount(), 0u) << "a failed save enters nothing in the recent files";

    bool allowed = false;
    wxTEST_DIALOG(allowed = m_document->canClose(), savePrompt(wxID_YES), savingFailed());
    EXPECT_TRUE(allowed) << "the user was told; refusing the close would trap them";

    wxTEST_DIALOG(EXPECT_EQ(m_document->closeIfAllowed(), Document::Success), savePrompt(wxID_YES), savingFailed());
    EXPECT_EQ(m_document->getTitle(), "No file open");
}

// ---------------------------------------------------------------------------
// New, open and close
// ---------------------------------------------------------------------------

class RefusingNewDocument : public Document
{
public:
    using Document::Document;
    int showFileNewDialog() const override { return wxID_CANCEL; }
};

TEST_F(DocumentTest, CreateNewEmptiesTheDatabaseUnlessCancelledAtThePromptOrByTheHost)
{
    edit(L"bob");
    m_observer.clear();
    wxTEST_DIALOG(EXPECT_EQ(m_document->createNew(), Document::Cancelled), savePrompt(wxID_CANCEL));
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "No file open *");
    EXPECT_TRUE(m_observer.calls.empty());

    wxTEST_DIALOG(EXPECT_EQ(m_document->createNew(), Document::Success), savePrompt(wxID_NO));
    EXPECT_EQ(m_observer.lifecycle(), (std::vector<std::string>{"closing", "closed", "created"}));
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "Unnamed");
    EXPECT_TRUE(m_document->getFilename().empty());
    EXPECT_FALSE(hasNode(L"level"));
    EXPECT_FALSE(m_database.canUndo()) << "\"New Document\" must not be undoable";
    EXPECT_FALSE(m_database.canRedo());

    fillDatabase(L"draft");
    RefusingNewDocument refusing(m_database, "lvl");
    EXPECT_EQ(refusing.createNew(), Document::Cancelled);
    EXPECT_TRUE(hasNode(L"draft"));
}

TEST_F(DocumentTest, OpenBringsBackWhatWasSavedAndAFailedOpenLeavesTheDocumentClosedSayingWhy)
{
    m_document->setFileHistory(m_history.get());
    edit(L"bob");
    ASSERT_EQ(m_document->save(path("castle.lvl")), Document::Success);
    writeText(path("broken.lvl"), "this is no document");
    m_observer.clear();
    EXPECT_EQ(m_document->open(path("broken.lvl")), Document::LoadFailed);
    EXPECT_EQ(m_document->getTitle(), "No file open");
    EXPECT_TRUE(m_document->getFilename().empty());
    EXPECT_FALSE(hasNode(L"level")) << "the previous document was closed before reading";
    EXPECT_NE(m_document->getLastFileError().Find("broken.lvl"), wxNOT_FOUND) << m_document->getLastFileError();
    EXPECT_EQ(m_observer.lifecycle(), (std::vector<std::string>{"closing", "closed"}));
    EXPECT_EQ(m_document->open(path("missing.lvl")), Document::LoadFailed);
    EXPECT_NE(m_document->getLastFileError().Find("missing.lvl"), wxNOT_FOUND);

    m_observer.clear();
    ASSERT_EQ(m_document->open(path("castle.lvl")), Document::Success);
    EXPECT_TRUE(hasNode(L"level"));
    EXPECT_EQ(author(), L"bob");
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle");
    EXPECT_EQ(m_document->getFilename(), path("castle.lvl"));
    EXPECT_FALSE(m_database.canUndo()) << "loading is no step to undo";
    EXPECT_EQ(m_history->getHistoryFile(0), path("castle.lvl"));
    EXPECT_EQ(m_observer.lifecycle(), (std::vector<std::string>{"closing", "closed", "created"}));

    // The open dialog starts at the most recent file; cancelled, it changes nothing.
    writeText(path("other.lvl"), "not opened");
    wxTEST_DIALOG(EXPECT_EQ(m_document->open(), Document::Cancelled),
                  ExpectFileDialog("Open", path("other.lvl"), wxID_CANCEL).presetTo(path("castle.lvl")));
    EXPECT_EQ(m_document->getTitle(), "castle");
    EXPECT_TRUE(hasNode(L"level"));
    // The dialog still hands back what was in it; open() just ignores it.
    wxString chosen;
    wxTEST_DIALOG(EXPECT_EQ(m_document->showFileOpenDialog(chosen), wxID_CANCEL),
                  ExpectFileDialog("Open", path("other.lvl"), wxID_CANCEL));
    EXPECT_EQ(chosen, path("other.lvl"));
    wxTEST_DIALOG(EXPECT_EQ(m_document->open(), Document::Success), ExpectFileDialog("Open", path("castle.lvl")));
}

TEST_F(DocumentTest, DocumentsAreXmlUnlessTheHostChoosesOrTheNameSaysBinary)
{
    const std::string binaryMark = "\x89"
                                   "DBB";
    auto kindOf = [](const wxString& name) { return readAll(name).substr(0, 4); };
    ASSERT_EQ(m_document->save(path("plain.dbb")), Document::Success);
    EXPECT_EQ(kindOf(path("plain.dbb")), "<?xm") << "without the option every document is XML";

    m_document->setOptions(Document::FormatByExtension);
    edit(L"bob");
    ASSERT_EQ(m_document->save(path("castle.dbb")), Document::Success);
    EXPECT_EQ(kindOf(path("castle.dbb")), binaryMark);
    edit(L"carl");
    ASSERT_EQ(m_document->save(), Document::Success);
    EXPECT_EQ(kindOf(path("castle.dbb")), binaryMark) << "a binary document stays binary";
    ASSERT_EQ(m_document->saveAs(path("castle.lvl")), Document::Success);
    EXPECT_EQ(kindOf(path("castle.lvl")), "<?xm") << "Save As changes the kind";

    // Files are read by what they hold: a binary file under the XML name still opens.
    std::filesystem::copy_file(std::string(path("castle.dbb").fn_str()), std::string(path("renamed.lvl").fn_str()));
    for (const char* name : {"castle.dbb", "renamed.lvl", "castle.lvl"})
    {
        m_document->close();
        ASSERT_EQ(m_document->open(path(name)), Document::Success) << m_document->getLastFileError();
        EXPECT_EQ(author(), L"carl") << name;
        EXPECT_TRUE(hasNode(L"level"));
    }

    // A host may write binary documents whatever their names.
    m_document->setOptions(0);
    m_document->setFileFormat(Document::FileFormat::Binary);
    ASSERT_EQ(m_document->save(path("host.lvl")), Document::Success);
    EXPECT_EQ(kindOf(path("host.lvl")), binaryMark);
    m_document->close();
    ASSERT_EQ(m_document->open(path("host.lvl")), Document::Success);
    EXPECT_EQ(author(), L"carl");
}

TEST_F(DocumentTest, RevertDropsUnsavedChangesOrKeepsThemWhenTheFileIsGone)
{
    EXPECT_EQ(m_document->revert(), Document::Cancelled) << "nothing to go back to";
    ASSERT_EQ(m_document->save(path("castle.lvl")), Document::Success);
    edit(L"bob");
    m_observer.clear();
    ASSERT_EQ(m_document->revert(), Document::Success);
    EXPECT_EQ(author(), L"ann");
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle");
    EXPECT_FALSE(m_database.canUndo());
    EXPECT_EQ(m_observer.lifecycle(), (std::vector<std::string>{"closing", "closed", "created"}));

    edit(L"carl");
    std::filesystem::remove(std::string(path("castle.lvl").fn_str()));
    EXPECT_EQ(m_document->revert(), Document::LoadFailed);
    EXPECT_EQ(author(), L"carl") << "the work stays when there is nothing to go back to";
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle *");
}

// ---------------------------------------------------------------------------
// Another program's changes to the document's file
// ---------------------------------------------------------------------------

/// What another program does to a file: rewrites it in place (same size, same
/// inode: only the time tells), replaces it through a rename, or deletes it.
enum class Outside
{
    Rewrite,
    Replace,
    Delete,
};

void changeFromOutside(const wxString& file, Outside how)
{
    const std::string name(file.fn_str());
    if (how == Outside::Delete)
    {
        std::filesystem::remove(name);
        return;
    }
    std::ifstream in(name, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const std::size_t at = text.find(">ann<");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, 5, ">zed<");
    const std::string target = how == Outside::Replace ? name + ".new" : name;
    std::ofstream(target, std::ios::binary) << text;
    if (how == Outside::Replace)
        std::filesystem::rename(target, name);
}

ExpectMessage reloadQuestion(const char* file, bool losingChanges, int answer)
{
    return ExpectMessage::containing(
        {wxString::Format("'%s'", file), losingChanges ? "lose your unsaved changes?" : "Reload it?"}, answer,
        wxYES_NO | wxICON_QUESTION);
}

ExpectMessage saveOverQuestion(const char* file, int answer)
{
    return ExpectMessage::containing({wxString::Format("'%s'", file), "Save over it"}, answer,
                                     wxYES_NO | wxICON_EXCLAMATION);
}

TEST_F(DocumentTest, AnotherProgramsChangeIsOfferedForReloadOnceAndNeverSavedOverUnaskedAndADeletionCountsAsUnsaved)
{
    struct Case
    {
        const char* name;
        Outside how;
        bool unsaved; // the user has edited the document meanwhile
        int reload;   // the answer to the reload question
        int saveOver; // the answer to the question the save asks
    };
    const Case cases[] = {
        {"rewritten, reloaded", Outside::Rewrite, false, wxID_YES, 0},
        {"replaced, kept, then saved over", Outside::Replace, false, wxID_NO, wxID_YES},
        {"rewritten under edits, kept, save declined", Outside::Rewrite, true, wxID_NO, wxID_NO},
        {"replaced under edits, reloaded", Outside::Replace, true, wxID_YES, 0},
    };
    // Deleted: counts as unsaved until written again.
    const wxString file = path("castle.lvl");
    ASSERT_EQ(m_document->save(file), Document::Success);
    changeFromOutside(file, Outside::Delete);
    EXPECT_FALSE(m_document->fileChangedOnDisk());
    EXPECT_EQ(m_document->checkFileOnDisk(), Document::Cancelled);
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle") << "nothing is noticed without the option";

    m_document->setOptions(Document::NoticeOutsideChanges);
    m_observer.clear();
    wxTEST_DIALOG(EXPECT_EQ(m_document->checkFileOnDisk(), Document::Cancelled),
                  ExpectMessage::containing({"'castle.lvl' has been deleted"}, wxID_OK, wxOK | wxICON_EXCLAMATION));
    EXPECT_EQ(m_observer.calls, std::vector<std::string>{"modified"}) << "the title gets its change mark";
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle *");
    EXPECT_EQ(m_document->checkFileOnDisk(), Document::Cancelled) << "told once";
    wxTEST_DIALOG(EXPECT_EQ(m_document->closeIfAllowed(), Document::Cancelled), savePrompt(wxID_CANCEL));
    wxTEST_DIALOG(EXPECT_EQ(m_document->closeIfAllowed(), Document::Success), savePrompt(wxID_YES));
    EXPECT_NE(readAll(file).find(">ann<"), std::string::npos) << "the close wrote the file again";

    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_document->close();
        fillDatabase(L"level");
        ASSERT_EQ(m_document->save(file), Document::Success);
        ASSERT_EQ(m_document->save(), Document::Success) << "our own saves ask nothing";
        EXPECT_FALSE(m_document->fileChangedOnDisk());
        EXPECT_EQ(m_document->checkFileOnDisk(), Document::Cancelled) << "nothing to tell";
        if (c.unsaved)
            edit(L"bob");
        changeFromOutside(file, c.how);
        EXPECT_TRUE(m_document->fileChangedOnDisk());

        Document::ErrorCode result = Document::Success;
        wxTEST_DIALOG(result = m_document->checkFileOnDisk(), reloadQuestion("castle.lvl", c.unsaved, c.reload));
        if (c.reload == wxID_YES)
        {
            EXPECT_EQ(result, Document::Success);
            EXPECT_EQ(author(), L"zed");
            EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle");
            EXPECT_FALSE(m_database.canUndo());
            EXPECT_EQ(m_document->checkFileOnDisk(), Document::Cancelled) << "the version reloaded is ours now";
            EXPECT_EQ(m_document->save(), Document::Success) << "and saving over it asks nothing";
            continue;
        }
        EXPECT_EQ(result, Document::Cancelled);
        EXPECT_EQ(author(), c.unsaved ? L"bob" : L"ann") << "the document stays as it was";
        EXPECT_FALSE(m_document->fileChangedOnDisk());
        EXPECT_EQ(m_document->checkFileOnDisk(), Document::Cancelled) << "told once for each version";

        wxTEST_DIALOG(result = m_document->save(), saveOverQuestion("castle.lvl", c.saveOver));
        if (c.saveOver == wxID_NO)
        {
            EXPECT_EQ(result, Document::Cancelled);
            EXPECT_NE(readAll(file).find(">zed<"), std::string::npos) << "the other program's version stays";
            EXPECT_TRUE(m_document->hasChangedSinceLastSave());
            continue;
        }
        EXPECT_EQ(result, Document::Success);
        EXPECT_NE(readAll(file).find(">ann<"), std::string::npos);
        EXPECT_EQ(m_document->save(), Document::Success) << "once saved over, the file is ours again";
    }
}

TEST_F(DocumentTest, FailedOpenCanKeepThePreviousDocumentUntouched)
{
    m_document->setOptions(Document::KeepDocumentOnFailedOpen);
    ASSERT_EQ(m_document->save(path("castle.lvl")), Document::Success);
    std::string text = readAll(path("castle.lvl"));
    text.replace(text.find("type=\"Group\""), 12, "type=\"Ghost\"");
    writeText(path("ghost.lvl"), text);
    writeText(path("torn.lvl"), text.substr(0, text.size() / 2));
    writeText(path("locked.lvl"), readAll(path("castle.lvl")));
    ::chmod(path("locked.lvl").fn_str(), 0);
    ::chmod(m_dir.c_str(), 0755);
    edit(L"bob");

    const struct
    {
        const char* file;
        const char* why;
    } cases[] = {
        {"ghost.lvl", "ghost.lvl: line 6: unknown node type \"Ghost\""},
        {"torn.lvl", "torn.lvl: line "},
        {"missing.lvl", "missing.lvl: cannot open: No such file or directory"},
        {"locked.lvl", "locked.lvl: cannot open: Permission denied"},
    };
    for (const auto& c : cases)
    {
        m_observer.clear();
        Document::ErrorCode result = Document::Success;
        {
            dbuitest::OrdinaryUser user;
            wxTEST_DIALOG(result = m_document->open(path(c.file)), savePrompt(wxID_NO));
        }
        EXPECT_EQ(result, Document::LoadFailed) << c.file;
        EXPECT_NE(m_document->getLastFileError().Find(c.why), wxNOT_FOUND) << m_document->getLastFileError();
        EXPECT_EQ(author(), L"bob") << "the unsaved work is still there";
        EXPECT_TRUE(hasNode(L"level"));
        EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle *");
        EXPECT_EQ(m_document->getFilename(), path("castle.lvl"));
        EXPECT_TRUE(m_database.canUndo()) << "and so is its undo history";
        EXPECT_TRUE(m_observer.lifecycle().empty()) << "nothing closed, nothing opened";
    }

    wxTEST_DIALOG(EXPECT_EQ(m_document->open(path("castle.lvl")), Document::Success), savePrompt(wxID_NO));
    EXPECT_EQ(author(), L"ann");
    EXPECT_EQ(m_observer.lifecycle(), (std::vector<std::string>{"closing", "closed", "created"}));
    EXPECT_FALSE(m_database.canUndo());
}

// ---------------------------------------------------------------------------
// Recent files
// ---------------------------------------------------------------------------

TEST_F(DocumentTest, RecentFileThatFailsToOpenLeavesTheListWhenTheUserSaysEvenAfterASaveAsInThePrompt)
{
    EXPECT_EQ(m_document->openMostRecent(), Document::LoadFailed) << "no list at all";
    EXPECT_TRUE(m_document->getMostRecentFile().empty());
    m_document->setFileHistory(m_history.get());
    EXPECT_EQ(m_document->openMostRecent(), Document::LoadFailed) << "an empty list";
    const wxString gone = path("gone.lvl");
    m_history->addFileToHistory(path("other.lvl"));
    m_history->addFileToHistory(gone);
    EXPECT_EQ(m_document->openRecent(5), Document::LoadFailed);
    EXPECT_EQ(m_document->openRecent(-1), Document::LoadFailed);
    EXPECT_TRUE(hasNode(L"level")) << "nothing was closed";

    const wxString question = "File '" + gone + "' could not be loaded.\nRemove from recent files list?";
    wxTEST_DIALOG(EXPECT_EQ(m_document->openMostRecent(), Document::LoadFailed),
                  ExpectMessage(question, wxID_NO, wxYES_NO));
    EXPECT_EQ(m_history->getHistoryFile(0), gone) << "answered no, the entry stays";

    // Saving the open document in the prompt puts a new name at the top of
    // the list; the entry the user is asked about is still the one removed.
    ASSERT_EQ(m_document->createNew(), Document::Success);
    fillDatabase(L"draft");
    wxTEST_DIALOG(EXPECT_EQ(m_document->openRecent(0), Document::LoadFailed), savePrompt(wxID_YES),
                  ExpectFileDialog("Save as", path("draft.lvl")).presetTo(gone),
                  ExpectMessage(question, wxID_YES, wxYES_NO));
    EXPECT_EQ(m_history->getCount(), 2u);
    EXPECT_EQ(m_history->getHistoryFile(0), path("draft.lvl"));
    EXPECT_EQ(m_history->getHistoryFile(1), path("other.lvl"));
}

// ---------------------------------------------------------------------------
// Saving
// ---------------------------------------------------------------------------

TEST_F(DocumentTest, SaveSaveAsAndSaveCopyNameTheDocumentAndAskOnlyWhatTheyMust)
{
    m_document->setFileHistory(m_history.get());
    wxTEST_DIALOG(EXPECT_EQ(m_document->save(), Document::Success), ExpectFileDialog("Save as", path("castle.lvl")));
    EXPECT_EQ(m_document->getTitle(), "castle");
    EXPECT_EQ(m_history->getHistoryFile(0), path("castle.lvl"));
    edit(L"bob");
    m_observer.clear();
    EXPECT_EQ(m_document->save(), Document::Success) << "a named document saves with no dialog";
    EXPECT_EQ(m_observer.lifecycle(), std::vector<std::string>{"saved"});
    EXPECT_NE(readAll(path("castle.lvl")).find("bob"), std::string::npos);
    EXPECT_FALSE(m_document->hasChangedSinceLastSave());
    EXPECT_EQ(m_document->save(path("castle.lvl")), Document::Success) << "save(name) asks no overwrite question";

    // Save As over an existing file asks first, and tells the observers twice.
    const wxString existing = path("keep.lvl");
    writeText(existing, "precious");
    const wxString question = existing + " already exists.  Are you sure you want to overwrite it?";
    m_observer.clear();
    wxTEST_DIALOG(EXPECT_EQ(m_document->saveAs(existing), Document::Cancelled),
                  ExpectMessage(question, wxID_CANCEL, wxOK | wxCANCEL | wxCENTRE));
    EXPECT_EQ(readAll(existing), "precious");
    EXPECT_TRUE(m_observer.lifecycle().empty());
    wxTEST_DIALOG(EXPECT_EQ(m_document->saveAs(existing), Document::Success),
                  ExpectMessage(question, wxID_OK, wxOK | wxCANCEL | wxCENTRE));
    EXPECT_NE(readAll(existing).find("level"), std::string::npos);
    EXPECT_EQ(m_observer.lifecycle(), (std::vector<std::string>{"saved", "saved"}));
    EXPECT_EQ(m_document->getTitle(), "keep");
    EXPECT_EQ(m_history->getCount(), 2u) << "the same name is listed once";

    // With no name, the save-as dialog asks; a new file needs no question.
    wxTEST_DIALOG(EXPECT_EQ(m_document->saveAs(wxString()), Document::Success),
                  ExpectFileDialog("Save as", path("fresh.lvl")));
    EXPECT_EQ(m_document->getFilename(), path("fresh.lvl"));
    wxTEST_DIALOG(EXPECT_EQ(m_document->saveAs(wxString()), Document::Cancelled),
                  ExpectFileDialog("Save as", path("other.lvl"), wxID_CANCEL));
    EXPECT_EQ(m_document->getFilename(), path("fresh.lvl"));

    // A copy becomes the document's file.
    edit(L"carl");
    m_observer.clear();
    EXPECT_EQ(m_document->saveCopy(path("copy.lvl")), Document::Success);
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "copy");
    EXPECT_EQ(m_history->getHistoryFile(0), path("copy.lvl"));
    EXPECT_EQ(m_observer.lifecycle(), std::vector<std::string>{"saved"});
}

TEST_F(DocumentTest, FailedWriteKeepsTheOldFileAndTheDocumentAsItWas)
{
    m_document->setFileHistory(m_history.get());
    ASSERT_EQ(m_document->save(path("castle.lvl")), Document::Success);
    const std::string before = readAll(path("castle.lvl"));
    edit(L"bob");
    m_observer.clear();

    db::FileOutputStream::setFailureHook([](db::FileOutputStream::Step step)
                                         { return step == db::FileOutputStream::Step::Rename; });
    const Document::ErrorCode toSame = m_document->save();
    const Document::ErrorCode toOther = m_document->save(path("elsewhere.lvl"));
    db::FileOutputStream::setFailureHook({});

    EXPECT_EQ(toSame, Document::SaveFailed);
    EXPECT_EQ(toOther, Document::SaveFailed);
    EXPECT_EQ(readAll(path("castle.lvl")), before) << "a failed save must not damage the saved document";
    EXPECT_FALSE(wxFileExists(path("elsewhere.lvl")));
    EXPECT_EQ(m_document->getFilename(), path("castle.lvl"));
    EXPECT_EQ(m_document->getTitleWithChangeIndicator(), "castle *");
    EXPECT_EQ(m_history->getCount(), 1u);
    EXPECT_TRUE(m_observer.lifecycle().empty());
    EXPECT_FALSE(m_document->getLastFileError().empty());
}

TEST_F(DocumentTest, SaveAfterCrashWritesBesideTheDocumentAndTakesItsName)
{
    ASSERT_EQ(m_document->save(path("castle.lvl")), Document::Success);
    edit(L"bob");
    ASSERT_EQ(m_document->saveAfterCrash(), Document::Success);
    EXPECT_NE(readAll(path("castle.lvl.recovery")).find("bob"), std::string::npos);
    EXPECT_EQ(readAll(path("castle.lvl")).find("bob"), std::string::npos) << "the document itself is untouched";
    EXPECT_EQ(m_document->getFilename(), path("castle.lvl.recovery"));
    EXPECT_EQ(m_document->getTitle(), "castle.lvl");

    // An unnamed document has only the working folder to go to.
    const wxString previous = wxGetCwd();
    ASSERT_TRUE(wxSetWorkingDirectory(wxString::FromUTF8(m_dir.string())));
    ASSERT_EQ(m_document->createNew(), Document::Success);
    fillDatabase(L"draft");
    const Document::ErrorCode result = m_document->saveAfterCrash();
    wxSetWorkingDirectory(previous);
    EXPECT_EQ(result, Document::Success);
    EXPECT_NE(readAll(path(".recovery")).find("draft"), std::string::npos);
    EXPECT_EQ(m_document->getFilename(), ".recovery");
}

// ---------------------------------------------------------------------------
// Copies
// ---------------------------------------------------------------------------

TEST_F(DocumentTest, CopyTakesEverythingButIsNotRegisteredWithTheDatabase)
{
    m_document->setFileHistory(m_history.get());
    m_document->setFileFormat(Document::FileFormat::Binary);
    m_document->setProgressDelay(std::chrono::milliseconds(7));
    ASSERT_EQ(m_document->save(path("castle.lvl")), Document::Success);
    // The database's observer list reports to the reporter its host gives it.
    ErrorReporter* const databaseReporter = db::Database::getErrorReporter();
    db::Database::setErrorReporter(gTarn.getErrorReporter());
    gTarn.getErrorReporter()->setEcho(false);
    gTarn.getErrorReporter()->clear();
    {
        Document copy(*m_document);
        EXPECT_EQ(copy.getTitle(), "castle");
        EXPECT_EQ(copy.getFilename(), path("castle.lvl"));
        EXPECT_EQ(copy.getFileHistory(), m_history.get());
        EXPECT_EQ(copy.getFileFormat(), Document::FileFormat::Binary);
        EXPECT_EQ(copy.getProgressDelay(), std::chrono::milliseconds(7));
        EXPECT_TRUE(copy.m_observers.contains(&m_observer));

        m_observer.clear();
        edit(L"bob");
        EXPECT_EQ(m_observer.calls, std::vector<std::string>{"modified"})
            << "only the original hears the database; the copy would double it";

        m_observer.clear();
        EXPECT_EQ(copy.save(path("copy.lvl")), Document::Success);
        EXPECT_EQ(m_observer.lifecycle(), std::vector<std::string>{"saved"}) << "the copy tells the same observers";
        EXPECT_EQ(m_document->getFilename(), path("castle.lvl")) << "the original keeps its own name";

        Document assigned(m_database, "other");
        assigned = copy;
        EXPECT_EQ(assigned.getFilename(), path("copy.lvl"));
        EXPECT_EQ(assigned.getFileExtension(), "lvl");
        EXPECT_TRUE(assigned.m_observers.contains(&m_observer));
        EXPECT_EQ(gTarn.getErrorReporter()->getCount(), 0u);
    }
    // `assigned` was registered by its construction and leaves quietly; the
    // copy never was, and its unregistration is reported.
    const auto& entries = gTarn.getErrorReporter()->getEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.back().message, L"Observer not found in ObserverManager::remove()");
    EXPECT_EQ(entries.back().severity, 1);
    gTarn.getErrorReporter()->clear();
    gTarn.getErrorReporter()->setEcho(true);
    db::Database::setErrorReporter(databaseReporter);
}

TEST_F(DocumentTest, DatabaseDestroyedBeforeItsDocumentClosesTheDocument)
{
    std::optional<db::Database> database(std::in_place, L"short-lived");
    auto document = std::make_unique<Document>(*database, "lvl");
    RecordingObserver observer;
    document->m_observers.add(&observer, ObserverMode::Deferred);
    ASSERT_EQ(document->save(path("short.lvl")), Document::Success);
    database->addDynamicString(L"author", L"ann");
    const db::Database* address = &*database;
    database.reset();
    EXPECT_EQ(document->getDatabase(), nullptr);
    EXPECT_EQ(observer.lifecycle(), (std::vector<std::string>{"saved", "closing", "closed"}));
    EXPECT_EQ(document->getTitleWithChangeIndicator(), "No file open") << "nothing is left to save";
    EXPECT_EQ(document->save(path("other.lvl")), Document::SaveFailed);

    database.emplace(L"newcomer");
    ASSERT_EQ(&*database, address) << "the new database must take the old one's place for this test";
    EXPECT_EQ(document->getDatabase(), nullptr) << "a new database at the same address is not the document's";
    database->addDynamicString(L"author", L"bob");
    EXPECT_EQ(observer.calls.back(), "closed") << "the newcomer's changes do not reach the document";
    document.reset();
    EXPECT_EQ(database->getObservers().count(), 0u);
}

} // namespace
