// The editor end to end: a user opens the sample, edits two nodes at once
// in the inspector, undoes, redoes, saves, reopens and closes.

#include "ConflictsPanel.h"
#include "DebugPanelWindow.h"
#include "EditorFrame.h"
#include "FileSystemFaults.h"
#include "ShortcutsDialog.h"
#include "StartFileLoad.h"
#include "ViewsTestSupport.h"

#include <dbui/CommandPalette.h>
#include <dbui/CrashRecovery.h>
#include <dbui/DatabaseDebugPanel.h>
#include <dbui/Document.h>
#include <dbui/FloatWidget.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeInspector.h>

#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/DatabaseMerge.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/FloatAttribute.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/SaverXML.h>
#include <db/Visitor.h>
#include <wxUtils/OrkFileHistory2.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/TreeItem.h>

#include <wx/config.h>
#include <wx/eventfilter.h>
#include <wx/filename.h>
#include <wx/listctrl.h>
#include <wx/memconf.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

/// A fresh folder, removed with what it holds; open to every user, so that
/// the tests that run as an ordinary user reach what they need.
class Scratch
{
public:
    Scratch()
    {
        char pattern[] = "/tmp/dbui-editor-XXXXXX";
        m_path = ::mkdtemp(pattern);
        ::chmod(m_path.c_str(), 0755);
    }
    ~Scratch()
    {
        ::chmod(m_path.c_str(), 0755);
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    wxString path(const std::string& name = std::string()) const
    {
        return wxString::FromUTF8(name.empty() ? m_path : m_path + "/" + name);
    }

private:
    std::string m_path;
};

/// The editor's state folder of this test program: recovery files that
/// cannot lie beside their document go here, not into the user's own.
struct StateHome
{
    StateHome() { wxSetEnv("XDG_STATE_HOME", folder.path()); }
    Scratch folder;
} s_stateHome;

/// Settings in memory, never in the user's configuration file.
void useMemoryConfig()
{
    if (!dynamic_cast<wxMemoryConfig*>(wxConfigBase::Get(false)))
        delete wxConfigBase::Set(new wxMemoryConfig);
}

using viewstest::ExpectMessageContaining;

ExpectMessageContaining savePrompt(int answer)
{
    return ExpectMessageContaining({"Would you like to save your changes?"}, answer);
}

ExpectMessageContaining recoveryOffer(const wxString& document, int answer)
{
    return ExpectMessageContaining({"The program ended before '" + document + "' was saved"}, answer);
}

std::string readAll(const wxString& file)
{
    std::ifstream in(std::string(file.fn_str()), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> entriesOf(const wxString& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(folder.fn_str())))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

/// The first `count` nodes of a type, in tree order.
std::vector<db::Node*> nodesOfType(db::Node& root, const std::wstring& type, std::size_t count)
{
    std::vector<db::Node*> found;
    std::vector<db::Node*> pending{&root};
    while (!pending.empty() && found.size() < count)
    {
        db::Node* node = pending.front();
        pending.erase(pending.begin());
        if (node->getClassID() == type)
            found.push_back(node);
        const auto children = node->getChildNodes();
        pending.insert(pending.end(), children.begin(), children.end());
    }
    return found;
}

float intensityOf(db::Node* node)
{
    return node->findAttribute(L"intensity")->asFloatAttribute()->getValue();
}

struct Editor
{
    explicit Editor(const wxString& document = DBUI_SAMPLE_DOCUMENT) : frame(makeFrame(database))
    {
        frame->Show();
        EXPECT_EQ(frame->getDocument().open(document), dbui::Document::Success);
        wxtest::pump();
    }

    /// Started as dbui-editor starts with `document` on its command line: the
    /// file is read while the window is built, then opened by openStarted.
    struct Starting
    {
        wxString document;
    };
    explicit Editor(const Starting& start)
        : startLoad(std::make_unique<StartFileLoad>(database, start.document)), frame(makeFrame(database))
    {
        frame->Show();
    }
    /// openAtStart of the document read while starting: true when it opened.
    bool openStarted()
    {
        const wxString document = startLoad->getFileName();
        return frame->openAtStart(document, std::move(startLoad));
    }

    static EditorFrame* makeFrame(db::Database& database)
    {
        useMemoryConfig();
        return new EditorFrame(database,
                               std::make_unique<wxUtils::OrkFileHistory2>(wxUtils::OrkFileHistory2::MemoryOnly));
    }

    ~Editor()
    {
        if (!closed)
        {
            frame->getDocument().close();
            frame->Destroy();
            wxtest::pump();
        }
    }

    void command(int id)
    {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(frame);
        frame->ProcessWindowEvent(event);
    }

    /// Selects `nodes` in the tree as a user would: a click, then Ctrl-clicks.
    void select(const std::vector<db::Node*>& nodes)
    {
        viewstest::selectNodes(frame->getBrowser()->getTreeControl(), nodes);
    }

    dbui::FloatWidget* floatWidget(const std::wstring& name) const
    {
        for (wxWindow* child : frame->getBrowser()->getInspector()->getScrollPanel()->GetChildren())
            if (auto* widget = dynamic_cast<dbui::FloatWidget*>(child))
                if (!widget->getAttributes().empty() && widget->getAttributes().front()->getName() == name)
                    return widget;
        return nullptr;
    }

    /// Drops `file` onto the window, as from a file manager.
    void drop(const wxString& file)
    {
        wxDropFilesEvent event(wxEVT_DROP_FILES, 1, new wxString[1]{file});
        event.SetEventObject(frame);
        frame->ProcessWindowEvent(event);
    }

    /// An edit the user has not saved: the first light's intensity becomes `value`.
    void editLight(float value)
    {
        nodesOfType(database, L"Light", 1).front()->findAttribute(L"intensity")->asFloatAttribute()->setValue(value);
    }
    float firstLight() { return intensityOf(nodesOfType(database, L"Light", 1).front()); }

    wxString status(int field) const { return frame->GetStatusBar()->GetStatusText(field); }

    /// Closes the window as the window manager would; true when it went.
    bool closeWindow()
    {
        frame->Close();
        wxtest::pump();
        // The frame may be deleted by now: only its address is looked at.
        closed = wxTopLevelWindows.Find(frame) == nullptr;
        return closed;
    }

    db::Database database{L"Database"};
    std::unique_ptr<StartFileLoad> startLoad;
    EditorFrame* frame;
    bool closed = false;
};

TEST(Editor, EditTwoNodesUndoRedoSaveAndReopen)
{
    Editor editor;
    const auto lights = nodesOfType(editor.database, L"Light", 2);
    ASSERT_EQ(lights.size(), 2u) << "the sample needs two lights";
    editor.select(lights);
    ASSERT_EQ(editor.frame->getBrowser()->getInspector()->getNodes(), lights);

    dbui::FloatWidget* intensity = editor.floatWidget(L"intensity");
    ASSERT_NE(intensity, nullptr);
    ASSERT_EQ(intensity->getAttributes().size(), 2u);
    const float before = intensityOf(lights[0]);
    {
        wxUtils::OrkSimpleTextCtrl* box = intensity->getTextBox();
        box->ChangeValue("42");
        box->MarkDirty();
        wxtest::sendTextEnter(box);
    }
    EXPECT_EQ(intensityOf(lights[0]), 42.0f);
    EXPECT_EQ(intensityOf(lights[1]), 42.0f);
    EXPECT_TRUE(editor.frame->GetTitle().Contains(" *"));

    editor.command(wxID_UNDO);
    EXPECT_EQ(intensityOf(lights[0]), before);
    EXPECT_FALSE(editor.frame->GetTitle().Contains(" *"));
    editor.command(wxID_REDO);
    EXPECT_EQ(intensityOf(lights[1]), 42.0f);

    const wxString saved = wxFileName::CreateTempFileName("dbui-editor") + ".xml";
    wxTEST_DIALOG(editor.command(wxID_SAVEAS), wxtest::ExpectFile(saved));
    EXPECT_FALSE(editor.frame->GetTitle().Contains(" *"));
    EXPECT_EQ(editor.frame->getDocument().getFilename(), saved);

    // Reopened, the file holds the edit.
    ASSERT_EQ(editor.frame->getDocument().open(saved), dbui::Document::Success);
    const auto reopened = nodesOfType(editor.database, L"Light", 2);
    ASSERT_EQ(reopened.size(), 2u);
    EXPECT_EQ(intensityOf(reopened[0]), 42.0f);
    EXPECT_EQ(intensityOf(reopened[1]), 42.0f);
    wxRemoveFile(saved);
}

TEST(Editor, ClosingWithUnsavedChangesAsksFirst)
{
    const wxString copy = wxFileName::CreateTempFileName("dbui-editor") + ".xml";
    ASSERT_TRUE(wxCopyFile(DBUI_SAMPLE_DOCUMENT, copy));
    // Cancel keeps the window open, No closes without saving, Yes saves.
    const std::pair<int, bool> answers[] = {{wxCANCEL, false}, {wxNO, true}, {wxYES, true}};
    for (const auto& [answer, closes] : answers)
    {
        Editor editor(copy);
        EXPECT_NE(editor.firstLight(), 9.0f) << "saved before the answer Yes";
        editor.editLight(9.0f);
        wxTEST_DIALOG(EXPECT_EQ(editor.closeWindow(), closes), wxExpectModal<wxMessageDialog>(answer));
        if (!closes)
        {
            EXPECT_TRUE(editor.frame->IsShown());
        }
    }
    EXPECT_EQ(Editor(copy).firstLight(), 9.0f);
    wxRemoveFile(copy);
}

// ---------------------------------------------------------------------------
// Nothing typed or saved is lost
// ---------------------------------------------------------------------------

TEST(Editor, SaveOntoAFullDiskSaysWhyAndClosingKeepsTheWorkForTheNextStart)
{
    dbuitest::SmallDisk disk(1 << 20);
    DBUI_REQUIRE_SMALL_DISK(disk);
    const wxString document = wxString::FromUTF8(disk.file("scene.xml"));
    ASSERT_TRUE(wxCopyFile(DBUI_SAMPLE_DOCUMENT, document));
    const std::string saved = readAll(document);
    {
        Editor editor(document);
        disk.fill();
        editor.editLight(9.0f);
        wxTEST_DIALOG(
            editor.command(wxID_SAVE),
            ExpectMessageContaining({"Saving failed.", document, "No space left on device", "Save As"}, wxID_OK));
        EXPECT_TRUE(editor.frame->GetTitle().Contains("scene *")) << "the document stays changed";
        EXPECT_EQ(editor.firstLight(), 9.0f);
        EXPECT_EQ(readAll(document), saved);
        EXPECT_EQ(entriesOf(wxString::FromUTF8(disk.folder())), (std::vector<std::string>{"filler", "scene.xml"}))
            << "no temporary file left behind";

        // Quitting, the user asks to save; that fails again, and the work goes
        // to the recovery folder, since the disk beside it is full.
        const wxString kept = editor.frame->getRecovery().getRecoveryFolder();
        wxTEST_DIALOG(
            EXPECT_TRUE(editor.closeWindow()), savePrompt(wxID_YES),
            ExpectMessageContaining({"Saving failed.", "No space left on device", "kept in '" + kept}, wxID_OK));
    }
    Editor next;
    bool opened = false;
    wxTEST_DIALOG(opened = next.frame->openAtStart(document), recoveryOffer(document, wxID_YES));
    ASSERT_TRUE(opened);
    EXPECT_EQ(next.firstLight(), 9.0f);
    EXPECT_TRUE(next.frame->GetTitle().Contains("scene *"));
    next.frame->getRecovery().discardRecoveryFiles();
}

TEST(Editor, ClosingIsRefusedWhenNeitherSaveNorRecoveryFileCanKeepTheWork)
{
    dbuitest::SmallDisk disk(1 << 20);
    DBUI_REQUIRE_SMALL_DISK(disk);
    const wxString document = wxString::FromUTF8(disk.file("scene.xml"));
    ASSERT_TRUE(wxCopyFile(DBUI_SAMPLE_DOCUMENT, document));
    wxSetEnv("XDG_STATE_HOME", wxString::FromUTF8(disk.file("state")));
    Editor editor(document);
    wxSetEnv("XDG_STATE_HOME", s_stateHome.folder.path());
    disk.fill();
    editor.editLight(9.0f);
    wxTEST_DIALOG(EXPECT_FALSE(editor.closeWindow()), savePrompt(wxID_YES),
                  ExpectMessageContaining({"Saving failed.", "No space left on device",
                                           "could not be kept in a recovery file either", "stays open"},
                                          wxID_OK));
    EXPECT_TRUE(editor.frame->IsShown());
    EXPECT_EQ(editor.firstLight(), 9.0f);
    EXPECT_TRUE(editor.frame->GetTitle().Contains("scene *"));
    editor.frame->getDocument().close();
}

TEST(Editor, SaveThatCannotBeDoneSafelyIsRefusedWithTheReason)
{
    Scratch folder;
    const wxString document = folder.path("scene.xml");
    ASSERT_TRUE(wxCopyFile(DBUI_SAMPLE_DOCUMENT, document));
    ::chmod(document.fn_str(), 0666);
    const wxString readOnly = folder.path("read-only.xml");
    ASSERT_TRUE(wxCopyFile(DBUI_SAMPLE_DOCUMENT, readOnly));
    ::chmod(readOnly.fn_str(), 0444);
    Editor editor(document);
    editor.editLight(9.0f);
    {
        dbuitest::OrdinaryUser user;
        ::chmod(folder.path().fn_str(), 0555);
        // A writable document in a folder that takes no new file: replacing it
        // in place could lose it halfway, so the save is refused.
        wxTEST_DIALOG(editor.command(wxID_SAVE),
                      ExpectMessageContaining({"Saving failed.", document,
                                               "cannot create a temporary file in '" + folder.path() +
                                                   "', which saving safely needs: Permission denied",
                                               "Save As"},
                                              wxID_OK));
        wxTEST_DIALOG(editor.command(wxID_SAVEAS), wxtest::ExpectFile(readOnly),
                      ExpectMessageContaining({"Cannot write to '" + readOnly + "'.", "Permission denied"}, wxID_OK));
    }
    ::chmod(folder.path().fn_str(), 0755);
    EXPECT_TRUE(editor.frame->GetTitle().Contains("scene *"));
    EXPECT_EQ(editor.frame->getDocument().getFilename(), document);
    EXPECT_EQ(readAll(document), readAll(DBUI_SAMPLE_DOCUMENT));
    editor.frame->getDocument().close();
}

TEST(Editor, FailedOpenByAnyPathSaysWhyAndKeepsThePreviousDocument)
{
    Scratch folder;
    std::string text = readAll(DBUI_SAMPLE_DOCUMENT);
    text.replace(text.find("type=\"Material\""), 15, "type=\"Ghost\"");
    std::ofstream(std::string(folder.path("ghost.xml").fn_str())) << text;
    ASSERT_TRUE(wxCopyFile(DBUI_SAMPLE_DOCUMENT, folder.path("locked.xml")));
    ::chmod(folder.path("locked.xml").fn_str(), 0);

    Editor editor;
    editor.editLight(9.0f);
    const wxString title = editor.frame->GetTitle();
    const wxString nodes = editor.status(0);
    auto keptThePreviousDocument = [&](const char* how)
    {
        EXPECT_EQ(editor.frame->GetTitle(), title) << how;
        EXPECT_EQ(editor.status(0), nodes) << how;
        EXPECT_EQ(editor.firstLight(), 9.0f) << how;
    };

    wxTEST_DIALOG(
        editor.command(wxID_OPEN), wxtest::ExpectFile(folder.path("ghost.xml")), savePrompt(wxID_NO),
        ExpectMessageContaining({"Opening failed.", folder.path("ghost.xml") + ": line 8: unknown node type \"Ghost\""},
                                wxID_OK));
    keptThePreviousDocument("Open");

    wxTEST_DIALOG(editor.drop(folder.path("missing.xml")), savePrompt(wxID_NO),
                  ExpectMessageContaining({folder.path("missing.xml"), "No such file or directory"}, wxID_OK));
    keptThePreviousDocument("a dropped file");

    wxTEST_DIALOG(editor.frame->openAtStart(folder.path("ghost.xml")), savePrompt(wxID_NO),
                  ExpectMessageContaining({"unknown node type \"Ghost\""}, wxID_OK));
    keptThePreviousDocument("the command line");

    wxUtils::OrkFileHistory2& recent = *editor.frame->getDocument().getFileHistory();
    recent.addFileToHistory(folder.path("locked.xml"));
    {
        dbuitest::OrdinaryUser user;
        wxTEST_DIALOG(
            editor.command(wxID_FILE1), savePrompt(wxID_NO),
            ExpectMessageContaining({"Opening failed.", folder.path("locked.xml") + ": cannot open: Permission denied",
                                     "Remove '" + folder.path("locked.xml") + "' from the recent files list?"},
                                    wxID_YES));
    }
    keptThePreviousDocument("Open Recent");
    EXPECT_NE(recent.getHistoryFile(0), folder.path("locked.xml")) << "removed from the list as asked";
    editor.frame->getDocument().close();
}

TEST(Editor, EveryWayOfOpeningOffersTheRecoveredWork)
{
    Scratch folder;
    const wxString document = folder.path("scene.xml");
    {
        Editor crashed;
        ASSERT_EQ(crashed.frame->getDocument().save(document), dbui::Document::Success);
        crashed.editLight(9.0f);
        ASSERT_TRUE(crashed.frame->getRecovery().saveRecoveryFile());
        crashed.frame->getDocument().close(); // the program ended without asking
    }
    Editor editor;
    editor.frame->getDocument().getFileHistory()->addFileToHistory(document);
    editor.frame->getDocument().getFileHistory()->addFileToHistory(DBUI_SAMPLE_DOCUMENT);
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"the command line", [&] { editor.frame->openAtStart(document); }},
        {"Open",
         [&] {
             wxTEST_DIALOG(editor.command(wxID_OPEN), wxtest::ExpectFile(document),
                           recoveryOffer(document, wxID_CANCEL));
         }},
        {"Open Recent", [&] { editor.command(wxID_FILE2); }},
        {"a dropped file", [&] { editor.drop(document); }},
    };
    for (const auto& [how, open] : ways)
    {
        if (std::string(how) == "Open")
            open();
        else
            wxTEST_DIALOG(open(), recoveryOffer(document, wxID_CANCEL));
        EXPECT_EQ(editor.frame->getDocument().getFilename(), DBUI_SAMPLE_DOCUMENT)
            << how << ": cancelled, nothing opens";
    }
    wxTEST_DIALOG(editor.drop(document), recoveryOffer(document, wxID_YES));
    EXPECT_EQ(editor.frame->getDocument().getFilename(), document);
    EXPECT_EQ(editor.firstLight(), 9.0f);
    editor.command(wxID_SAVE);
    EXPECT_EQ(entriesOf(folder.path()), std::vector<std::string>{"scene.xml"}) << "saved, the recovery file goes";
}

// The document named on the command line is read while the window is built.
// Opening it takes what was read, and goes as any open goes: recovered work
// is offered first, a file that fails says why, and the editor stays usable.
TEST(Editor, DocumentReadWhileStartingOpensAsAnyOpenDoes)
{
    Scratch folder;
    const wxString document = folder.path("scene.xml");
    const wxString binary = folder.path("scene.dbb");
    const wxString crashed = folder.path("crashed.xml");
    std::string ghost = readAll(DBUI_SAMPLE_DOCUMENT);
    ghost.replace(ghost.find("type=\"Material\""), 15, "type=\"Ghost\"");
    std::ofstream(std::string(folder.path("ghost.xml").fn_str())) << ghost;
    float saved = 0;
    wxString nodes;
    {
        Editor plain;
        saved = plain.firstLight();
        nodes = plain.status(0);
        ASSERT_EQ(plain.frame->getDocument().save(document), dbui::Document::Success);
        ASSERT_EQ(plain.frame->getDocument().save(binary), dbui::Document::Success);
        ASSERT_EQ(plain.frame->getDocument().save(crashed), dbui::Document::Success);
        plain.editLight(9.0f);
        ASSERT_TRUE(plain.frame->getRecovery().saveRecoveryFile());
        plain.frame->getDocument().close(); // the program ended without asking
    }
    auto answering = [](const wxString& file, int answer)
    {
        return [file, answer](Editor& editor)
        {
            bool opened = false;
            wxTEST_DIALOG(opened = editor.openStarted(), recoveryOffer(file, answer));
            return opened;
        };
    };
    auto failing = [](std::vector<wxString> message)
    {
        return [message](Editor& editor)
        {
            bool opened = false;
            wxTEST_DIALOG(opened = editor.openStarted(), ExpectMessageContaining(message, wxID_OK));
            return opened;
        };
    };
    struct Start
    {
        const char* what;
        wxString file;
        std::function<bool(Editor&)> open;
        /// The document's file once open; empty when nothing opens.
        wxString opens;
        float light;
        bool changed;
    };
    // The recovery file stays until the offer is declined: that comes last.
    const std::vector<Start> starts{
        {"an XML document", document, [](Editor& editor) { return editor.openStarted(); }, document, saved, false},
        {"a binary document", binary, [](Editor& editor) { return editor.openStarted(); }, binary, saved, false},
        {"a missing file", folder.path("missing.xml"),
         failing({"Opening failed.", folder.path("missing.xml"), "No such file or directory"}), "", 0, false},
        {"a file of an unknown type", folder.path("ghost.xml"),
         failing({"Opening failed.", folder.path("ghost.xml") + ": line 8: unknown node type \"Ghost\""}), "", 0,
         false},
        {"recovered work, offer cancelled", crashed, answering(crashed, wxID_CANCEL), "", 0, false},
        {"recovered work, taken", crashed, answering(crashed, wxID_YES), crashed, 9.0f, true},
        {"recovered work, declined", crashed, answering(crashed, wxID_NO), crashed, saved, false},
    };
    for (const Start& start : starts)
    {
        SCOPED_TRACE(start.what);
        Editor editor(Editor::Starting{start.file});
        EXPECT_EQ(start.open(editor), !start.opens.empty());
        dbui::Document& opened = editor.frame->getDocument();
        EXPECT_EQ(opened.getFilename(), start.opens);
        EXPECT_EQ(opened.hasChangedSinceLastSave(), start.changed);
        if (start.opens.empty())
        {
            EXPECT_EQ(editor.status(0), "1 node") << "the database is as it was";
            EXPECT_FALSE(editor.database.canUndo());
        }
        else
        {
            EXPECT_EQ(editor.status(0), nodes);
            EXPECT_EQ(editor.firstLight(), start.light);
            EXPECT_EQ(opened.getFileHistory()->getHistoryFile(0), start.opens);
            EXPECT_EQ(editor.database.canUndo(), start.changed) << "the load is no undo step";
        }
        EXPECT_TRUE(viewstest::mirrors(editor.frame->getBrowser()->getTreeControl(), editor.database));
        EXPECT_FALSE(editor.database.isInChangeBlock());
        opened.close();
        editor.command(wxID_NEW);
        editor.database.addDynamicString(L"author", L"ann");
        EXPECT_TRUE(editor.frame->GetTitle().StartsWith("Unnamed *")) << "the editor goes on as usual";
    }
}

/// Presses Cancel in the status bar's progress of `frame` once it has painted, while this lives.
class CancelProgress : public wxEventFilter
{
public:
    explicit CancelProgress(wxFrame* frame) : m_frame(frame) { wxEvtHandler::AddFilter(this); }
    ~CancelProgress() override { wxEvtHandler::RemoveFilter(this); }

    int FilterEvent(wxEvent& event) override
    {
        wxWindow* button = m_frame->GetStatusBar()->FindWindow(wxID_CANCEL);
        if (button && event.GetEventType() == wxEVT_PAINT && !pressed)
        {
            pressed = true;
            sawDialog =
                std::any_of(wxTopLevelWindows.begin(), wxTopLevelWindows.end(),
                            [](wxWindow* window) { return dynamic_cast<wxGenericProgressDialog*>(window) != nullptr; });
            wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
            click.SetEventObject(button);
            button->GetEventHandler()->ProcessEvent(click);
        }
        return Event_Skip;
    }

    bool pressed = false;
    bool sawDialog = false;

private:
    wxFrame* m_frame;
};

TEST(Editor, CancellingTheDocumentReadWhileStartingLeavesAnEmptyEditor)
{
    Scratch folder;
    const wxString big = folder.path("big.xml");
    {
        Editor plain;
        {
            const std::wstring notes(1000, L'x');
            db::ChangeBlock block(plain.database, L"Fill");
            for (int i = 0; i < 5000; ++i)
                plain.database.addDynamicString(L"notes" + std::to_wstring(i), notes);
        }
        ASSERT_EQ(plain.frame->getDocument().save(big), dbui::Document::Success);
    }
    // A slow disk: the window is up, and its progress, long before the file is read.
    db::FileInputStream::setReadHook([](std::size_t) { std::this_thread::sleep_for(std::chrono::milliseconds(150)); });
    {
        Editor editor(Editor::Starting{big});
        editor.frame->getDocument().setProgressDelay(std::chrono::milliseconds(0));
        CancelProgress cancel(editor.frame);
        EXPECT_FALSE(editor.openStarted());
        EXPECT_TRUE(cancel.pressed);
        EXPECT_FALSE(cancel.sawDialog) << "the progress shows in the status bar, not over the window";
        EXPECT_TRUE(editor.frame->getBrowser()->IsEnabled()) << "the window takes input again";
        EXPECT_EQ(editor.frame->getDocument().getFilename(), "");
        EXPECT_EQ(editor.database.findAttribute(L"notes0"), nullptr) << "nothing of the file is left";
        EXPECT_EQ(editor.status(0), "1 node");
        EXPECT_FALSE(editor.database.canUndo());
    }
    db::FileInputStream::setReadHook({});
}

TEST(Editor, StatusBarCountsNodesAndTellsOfAutosaves)
{
    Editor editor;
    EXPECT_TRUE(editor.status(0).EndsWith(" nodes"));
    editor.command(wxID_NEW);
    EXPECT_EQ(editor.status(0), "1 node");
    EXPECT_EQ(editor.status(2), "Autosave every 60 s");

    wxTEST_DIALOG(editor.command(EditorFrame::ID_AutosaveSettings),
                  wxExpectModal<wxUtils::OrkSimpleMultiOptionDialog>().showing("seconds", "60").text("seconds", "1"));
    EXPECT_EQ(wxConfigBase::Get()->ReadLong("/Autosave/IntervalSeconds", 0), 1);
    EXPECT_EQ(EditorFrame::autosaveSecondsSetting(), 1);
    Scratch folder;
    wxTEST_DIALOG(editor.command(wxID_SAVEAS), wxtest::ExpectFile(folder.path("new.xml")));
    editor.database.addDynamicString(L"author", L"ann");
    EXPECT_TRUE(wxtest::pumpUntil([&] { return editor.status(2).StartsWith("Autosaved at "); },
                                  std::chrono::milliseconds(15000)));
    EXPECT_TRUE(wxFileExists(folder.path("new.xml.recovery")));
    wxConfigBase::Get()->DeleteEntry("/Autosave/IntervalSeconds");
    editor.frame->getRecovery().discardRecoveryFiles();
    editor.frame->getDocument().close();
}

TEST(Editor, BinaryDocumentsSaveOpenAndRevertLikeXmlOnes)
{
    Scratch folder;
    const wxString binary = folder.path("scene.dbb");
    {
        Editor editor;
        wxTEST_DIALOG(editor.command(wxID_SAVEAS), wxtest::ExpectFile(binary));
        editor.editLight(7.0f);
        editor.command(wxID_SAVE);
        EXPECT_EQ(readAll(binary).substr(0, 4), "\x89"
                                                "DBB")
            << "the name chose the binary kind";
        EXPECT_FALSE(editor.frame->GetTitle().Contains(" *"));
    }

    Editor editor(binary);
    EXPECT_EQ(editor.firstLight(), 7.0f);
    EXPECT_TRUE(editor.frame->GetTitle().StartsWith("scene - "));

    // Revert asks before it drops changes, and says so when it cannot go back.
    editor.editLight(8.0f);
    wxTEST_DIALOG(editor.command(wxID_REVERT_TO_SAVED),
                  ExpectMessageContaining({"Discard your changes", "scene.dbb"}, wxID_NO));
    EXPECT_EQ(editor.firstLight(), 8.0f);
    wxTEST_DIALOG(editor.command(wxID_REVERT_TO_SAVED),
                  ExpectMessageContaining({"Discard your changes", "scene.dbb"}, wxID_YES));
    EXPECT_EQ(editor.firstLight(), 7.0f);
    EXPECT_FALSE(editor.frame->GetTitle().Contains(" *"));

    editor.editLight(9.0f);
    wxRemoveFile(binary);
    wxTEST_DIALOG(editor.command(wxID_REVERT_TO_SAVED), ExpectMessageContaining({"Discard your changes"}, wxID_YES),
                  ExpectMessageContaining({"Reverting failed", "scene.dbb"}, wxID_OK));
    EXPECT_EQ(editor.firstLight(), 9.0f) << "the changes stay when the saved version is gone";
    editor.frame->getRecovery().discardRecoveryFiles();
}

TEST(Editor, AnotherProgramsSaveIsToldWhenTheWindowComesBackWithoutLosingWhatIsTyped)
{
    Scratch folder;
    const wxString file = folder.path("scene.xml");
    Editor editor;
    wxTEST_DIALOG(editor.command(wxID_SAVEAS), wxtest::ExpectFile(file));
    db::Node* light = nodesOfType(editor.database, L"Light", 1).front();
    const float saved = intensityOf(light);
    const auto comeBackToTheWindow = [&]
    {
        wxActivateEvent activate(wxEVT_ACTIVATE, true);
        editor.frame->ProcessWindowEvent(activate);
        EXPECT_TRUE(wxtest::pumpUntil([&] { return !editor.frame->getDocument().fileChangedOnDisk(); }));
    };
    const auto saveFromOutside = [&] { std::ofstream(std::string(file.fn_str()), std::ios::app) << "\n"; };

    // Typed but not applied when the user went to the other program: it
    // counts among the changes a reload would lose, and stays when kept.
    editor.select({light});
    wxUtils::OrkSimpleTextCtrl* box = editor.floatWidget(L"intensity")->getTextBox();
    box->SetFocus();
    box->ChangeValue("43");
    box->MarkDirty();
    saveFromOutside();
    wxTEST_DIALOG(comeBackToTheWindow(), ExpectMessageContaining({"'scene.xml' has been changed by another program",
                                                                  "Reload it and lose your unsaved changes?"},
                                                                 wxID_NO));
    EXPECT_EQ(intensityOf(light), 43.0f);
    EXPECT_TRUE(editor.frame->GetTitle().Contains(" *"));
    comeBackToTheWindow(); // told once

    // Saving over the other program's version asks; reloading a later one drops the edits.
    wxTEST_DIALOG(editor.command(wxID_SAVE), ExpectMessageContaining({"Save over it"}, wxID_NO));
    EXPECT_TRUE(editor.frame->GetTitle().Contains(" *"));
    saveFromOutside();
    wxTEST_DIALOG(comeBackToTheWindow(), ExpectMessageContaining({"lose your unsaved changes"}, wxID_YES));
    EXPECT_EQ(editor.firstLight(), saved);
    EXPECT_FALSE(editor.frame->GetTitle().Contains(" *"));
}

TEST(Editor, UntitledWorkIsOfferedAtTheNextStart)
{
    wxString kept;
    {
        Editor ended;
        ended.command(wxID_NEW);
        ended.database.addDynamicString(L"author", L"ann");
        ASSERT_TRUE(ended.frame->getRecovery().saveRecoveryFile());
        kept = ended.frame->getRecovery().getLastRecoveryFile();
        ended.frame->getDocument().close(); // the program ended without asking
    }
    EXPECT_TRUE(kept.StartsWith(s_stateHome.folder.path("dbui-editor/Unnamed-"))) << kept;
    // That editor has ended: its file carries the id of a process that is gone.
    const wxString left =
        s_stateHome.folder.path("dbui-editor/Unnamed-" + std::to_string(dbuitest::endedProcessId()) + ".recovery");
    ASSERT_TRUE(wxRenameFile(kept, left));

    Editor next;
    bool recovered = false;
    wxTEST_DIALOG(recovered = next.frame->offerUntitledRecovery(),
                  ExpectMessageContaining({"an unnamed document", left}, wxID_YES));
    ASSERT_TRUE(recovered);
    EXPECT_TRUE(next.frame->GetTitle().StartsWith("Unnamed *"));
    EXPECT_NE(next.database.findAttribute(L"author"), nullptr);
    next.frame->getRecovery().discardRecoveryFiles();
    next.frame->getDocument().close();
    EXPECT_FALSE(wxFileExists(left)) << "discarded by the user";
}

// A child editor, started by the test below: edits, waits for an autosave,
// says so, and waits to be killed.
TEST(KilledEditorChild, EditsUntilAutosavedThenWaits)
{
    wxString document;
    if (!wxGetEnv("DBUI_KILLED_EDITOR_DOCUMENT", &document))
        GTEST_SKIP() << "run by KilledEditorLosesNoMoreThanTheAutosaveInterval";
    useMemoryConfig();
    wxConfigBase::Get()->Write("/Autosave/IntervalSeconds", 1);
    Editor editor(document);
    editor.editLight(9.0f);
    ASSERT_TRUE(wxtest::pumpUntil([&] { return editor.status(2).StartsWith("Autosaved at "); },
                                  std::chrono::milliseconds(30000)));
    std::ofstream(std::string((document + ".ready").fn_str())) << "ready";
    wxtest::pumpUntil([] { return false; }, std::chrono::milliseconds(60000));
}

TEST(Editor, KilledEditorLosesNoMoreThanTheAutosaveInterval)
{
    Scratch folder;
    const wxString document = folder.path("scene.xml");
    ASSERT_TRUE(wxCopyFile(DBUI_SAMPLE_DOCUMENT, document));
    const pid_t child =
        dbuitest::startSelf("KilledEditorChild.*", "DBUI_KILLED_EDITOR_DOCUMENT", std::string(document.fn_str()));
    ASSERT_GT(child, 0);
    const bool ready =
        wxtest::pumpUntil([&] { return wxFileExists(document + ".ready"); }, std::chrono::milliseconds(60000));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(ready) << "the child editor never autosaved";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    Editor next;
    bool opened = false;
    wxTEST_DIALOG(opened = next.frame->openAtStart(document), recoveryOffer(document, wxID_YES));
    ASSERT_TRUE(opened);
    EXPECT_EQ(next.firstLight(), 9.0f) << "the autosaved edit survived kill -9";
    next.frame->getRecovery().discardRecoveryFiles();
    next.frame->getDocument().close();
}

TEST(Editor, TextStillBeingTypedSurvivesAMenuCommandAndClosingTheWindow)
{
    Editor editor;
    db::Node* light = nodesOfType(editor.database, L"Light", 1).front();
    const auto typeIntensity = [&](const wxString& text)
    {
        editor.select({light});
        wxUtils::OrkSimpleTextCtrl* box = editor.floatWidget(L"intensity")->getTextBox();
        box->SetFocus();
        EXPECT_TRUE(wxtest::pumpUntil([box] { return wxWindow::FindFocus() == box; }));
        box->ChangeValue(text);
        box->MarkDirty();
    };

    // Closing an unchanged document while typing: the typing changes it, so
    // the user is asked.
    ASSERT_FALSE(editor.frame->GetTitle().Contains(" *"));
    typeIntensity("43");
    wxTEST_DIALOG(EXPECT_FALSE(editor.closeWindow()), wxExpectModal<wxMessageDialog>(wxCANCEL));
    EXPECT_EQ(intensityOf(light), 43.0f);
    EXPECT_TRUE(editor.frame->GetTitle().Contains(" *"));

    // Edit > Delete takes no focus from the box; undoing the deletion brings
    // the node back with what was typed.
    typeIntensity("42");
    editor.command(wxID_DELETE);
    const unsigned int steps = editor.database.getUndoStackSize();
    ASSERT_GE(steps, 2u);
    EXPECT_EQ(editor.database.getUndoDescription(steps - 2), L"Set float attribute(s)");
    editor.command(wxID_UNDO);
    EXPECT_EQ(intensityOf(light), 42.0f);
}

// ---------------------------------------------------------------------------
// Clipboard and remembered windows
// ---------------------------------------------------------------------------

using viewstest::clipboardText;
using viewstest::pressCtrl;

TEST(Editor, ClipboardKeysWorkOnTextInATextBoxAndOnNodesElsewhere)
{
    Editor editor;
    db::Node* light = nodesOfType(editor.database, L"Light", 1).front();
    const std::wstring name = light->getName();
    editor.select({light});
    const std::size_t nodes = editor.database.getTotalNodeCount();
    auto* nameBox =
        dynamic_cast<wxUtils::OrkSimpleTextCtrl*>(wxWindow::FindWindowByName("InspectorName", editor.frame));
    ASSERT_NE(nameBox, nullptr) << "the editor's inspector has a header";

    // In the name box the keys copy and paste text, once, and no node.
    nameBox->SetFocus();
    ASSERT_TRUE(wxtest::pumpUntil([nameBox] { return wxWindow::FindFocus() == nameBox; }));
    nameBox->SelectAll();
    pressCtrl(nameBox, 'c');
    EXPECT_EQ(clipboardText(), wxString(name));
    nameBox->SetInsertionPointEnd();
    pressCtrl(nameBox, 'v');
    EXPECT_EQ(nameBox->GetValue(), wxString(name + name));
    EXPECT_EQ(editor.database.getTotalNodeCount(), nodes);
    nameBox->SelectAll();
    editor.command(wxID_COPY); // the menu, with the focus in the box
    EXPECT_EQ(clipboardText(), wxString(name + name));

    // In the tree they copy and paste nodes: the light goes into its own
    // children, as a light holds scene objects.
    dbui::NodeBrowserTreeControl* tree = editor.frame->getBrowser()->getTreeControl();
    pressCtrl(tree, 'c');
    EXPECT_TRUE(clipboardText().Contains("<nodedb")) << clipboardText();
    EXPECT_EQ(light->getName(), name + name) << "the box applied what was typed when it lost the focus";
    pressCtrl(tree, 'v');
    EXPECT_EQ(editor.database.getTotalNodeCount(), nodes + 1);
    EXPECT_EQ(editor.database.getUndoDescription(editor.database.getUndoStackSize() - 1), L"Paste nodes");

    // The menu's Cut takes the pasted node again, as one step.
    editor.command(wxID_CUT);
    EXPECT_EQ(editor.database.getTotalNodeCount(), nodes);
    EXPECT_EQ(editor.database.getUndoDescription(editor.database.getUndoStackSize() - 1), L"Cut nodes");
    editor.command(wxID_PASTE);
    EXPECT_EQ(editor.database.getTotalNodeCount(), nodes + 1);
}

TEST(Editor, DuplicateCopiesTheSelectionBesideItselfWithWhatIsTypedAsOneStep)
{
    Editor editor;
    db::Node* light = nodesOfType(editor.database, L"Light", 1).front();
    editor.select({light});
    wxUtils::OrkSimpleTextCtrl* box = editor.floatWidget(L"intensity")->getTextBox();
    box->SetFocus();
    box->ChangeValue("44");
    box->MarkDirty();
    const unsigned int steps = editor.database.getUndoStackSize();

    editor.command(EditorFrame::ID_Duplicate);
    ASSERT_EQ(editor.database.getUndoStackSize(), steps + 2) << "the typed value, then the copy";
    EXPECT_EQ(editor.database.getUndoDescription(steps + 1), L"Duplicate node");
    db::Node* copy = light->getNext();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->getClassID(), L"Light");
    EXPECT_EQ(intensityOf(copy), 44.0f) << "the copy has what was typed";
    EXPECT_EQ(editor.frame->getBrowser()->getTreeControl()->getSelectedNodes(), std::vector<db::Node*>{copy});
}

TEST(Editor, SelectAllTakesEveryNodeOrTheFocusedTextAndEditsNothing)
{
    Editor editor;
    dbui::NodeBrowser* browser = editor.frame->getBrowser();
    dbui::NodeBrowserTreeControl* tree = browser->getTreeControl();
    db::Node* light = nodesOfType(editor.database, L"Light", 1).front();
    const unsigned int steps = editor.database.getUndoStackSize();
    EXPECT_TRUE(wxtest::pumpUntil([tree] { return wxWindow::FindFocus() == tree; }))
        << "the keys go to the tree from the start, not to the empty find box";
    const auto enabled = [&]
    {
        wxUpdateUIEvent event(wxID_SELECTALL);
        event.SetEventObject(editor.frame);
        editor.frame->ProcessWindowEvent(event);
        return event.GetEnabled();
    };
    struct Case
    {
        const char* where;
        /// Puts the focus there; the text box it is in, null for the tree.
        std::function<wxTextCtrl*()> focus;
        bool enabled;
    };
    const Case cases[] = {
        {"tree", [&]() -> wxTextCtrl* { return nullptr; }, true},
        {"name box",
         [&] { return dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName("InspectorName", editor.frame)); }, true},
        {"number box", [&]() -> wxTextCtrl* { return editor.floatWidget(L"intensity")->getTextBox(); }, true},
        {"rename in place",
         [&]
         {
             tree->EditLabel(tree->getItemOfNode(light));
             return dynamic_cast<wxTextCtrl*>(tree->getRenameControl());
         },
         true},
        {"empty find box", [&]() -> wxTextCtrl* { return browser->getFilterBox(); }, false},
    };
    for (const Case& c : cases)
        for (const bool byKey : {false, true})
        {
            SCOPED_TRACE(testing::Message() << c.where << (byKey ? ", Ctrl+A" : ", the menu"));
            editor.select({light});
            wxTextCtrl* box = c.focus();
            wxWindow* focus = box ? static_cast<wxWindow*>(box) : tree;
            focus->SetFocus();
            ASSERT_TRUE(wxtest::pumpUntil([focus] { return wxWindow::FindFocus() == focus; }));
            if (box)
            {
                wxtest::pump(); // a box that selects its text on focus does so later
                box->SetInsertionPointEnd();
                ASSERT_TRUE(box->GetStringSelection().empty());
            }
            EXPECT_EQ(enabled(), c.enabled);
            if (!c.enabled)
                continue;

            if (byKey)
                pressCtrl(focus, 'a');
            else
                editor.command(wxID_SELECTALL);
            if (box)
            {
                EXPECT_FALSE(box->IsEmpty());
                EXPECT_EQ(box->GetStringSelection(), box->GetValue());
                EXPECT_EQ(tree->getSelectedNodes(), std::vector<db::Node*>{light});
                if (tree->GetEditedItem())
                    tree->EndEditLabel(false);
            }
            else
            {
                // The nodes whose rows show (all rows but the database's), not those inside closed groups.
                EXPECT_LT(tree->GetVisibleCount(), editor.database.getTotalNodeCount());
                EXPECT_EQ(tree->GetSelectedItemCount(), tree->GetVisibleCount() - 1);
                EXPECT_EQ(browser->getInspector()->getNodes().size(), tree->GetSelectedItemCount());
                EXPECT_EQ(editor.status(1), wxString::Format("%zu selected", tree->GetSelectedItemCount()));
            }
            EXPECT_EQ(editor.database.getUndoStackSize(), steps);
            EXPECT_FALSE(editor.frame->GetTitle().Contains(" *"));
        }
}

TEST(Editor, ViewMenuOpensAndClosesTheSelectedBranchesOrTheWholeTree)
{
    Editor editor;
    dbui::NodeBrowserTreeControl* tree = editor.frame->getBrowser()->getTreeControl();
    db::Node* light = nodesOfType(editor.database, L"Light", 1).front();
    db::Node* group = light->getParentNode();
    const unsigned int steps = editor.database.getUndoStackSize();

    editor.command(EditorFrame::ID_ExpandBranches);
    EXPECT_EQ(tree->GetVisibleCount(), editor.database.getTotalNodeCount()) << "nothing selected: the whole tree";

    // The light closes away with its group and leaves the selection; the inspector follows.
    editor.select({group, light});
    editor.command(EditorFrame::ID_CollapseBranches);
    EXPECT_FALSE(tree->getItemOfNode(group)->IsExpanded());
    EXPECT_EQ(tree->getSelectedNodes(), std::vector<db::Node*>{group});
    dbui::NodeInspector* inspector = editor.frame->getBrowser()->getInspector();
    EXPECT_TRUE(wxtest::pumpUntil([&] { return inspector->getNodes() == std::vector<db::Node*>{group}; }));
    EXPECT_EQ(editor.status(1), "1 selected");

    tree->UnselectAll();
    editor.command(EditorFrame::ID_CollapseBranches);
    EXPECT_EQ(tree->GetVisibleCount(), 1u);
    EXPECT_EQ(editor.database.getUndoStackSize(), steps);
}

// A child editor, started by the test below: copies the first light, says
// so, and goes on serving the clipboard until it is killed.
TEST(CopyingEditorChild, CopiesALightThenWaits)
{
    wxString ready;
    if (!wxGetEnv("DBUI_COPYING_EDITOR_READY", &ready))
        GTEST_SKIP() << "run by NodesCopiedInOneEditorPasteInAnother";
    Editor editor;
    editor.select(nodesOfType(editor.database, L"Light", 1));
    editor.frame->getBrowser()->getTreeControl()->SetFocus();
    editor.command(wxID_COPY);
    std::ofstream(std::string(ready.fn_str())) << "ready";
    wxtest::pumpUntil([] { return false; }, std::chrono::milliseconds(60000));
}

TEST(Editor, NodesCopiedInOneEditorPasteInAnother)
{
    Scratch folder;
    const wxString ready = folder.path("ready");
    viewstest::setClipboardText("no nodes: what this program copied before must not count");
    const pid_t child =
        dbuitest::startSelf("CopyingEditorChild.*", "DBUI_COPYING_EDITOR_READY", std::string(ready.fn_str()));
    ASSERT_GT(child, 0);
    const bool copied = wxtest::pumpUntil([&] { return wxFileExists(ready); }, std::chrono::milliseconds(60000));
    Editor editor;
    dbui::NodeBrowserTreeControl* tree = editor.frame->getBrowser()->getTreeControl();
    tree->SetFocus();
    EXPECT_TRUE(wxtest::pumpUntil([tree] { return wxWindow::FindFocus() == tree; }));
    if (copied)
        editor.command(wxID_PASTE);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(copied) << "the child editor never copied";

    const db::NodeContainer& top = editor.database.getRootContainer();
    db::Node* pasted = top.getNode(top.getNodeCount() - 1);
    EXPECT_EQ(pasted->getClassID(), L"Light");
    EXPECT_EQ(pasted->getName(), nodesOfType(editor.database, L"Light", 1).front()->getName());
    EXPECT_EQ(editor.database.getUndoDescription(editor.database.getUndoStackSize() - 1), L"Paste nodes");
}

TEST(Editor, WindowSizeAndSplitterComeBackAtTheNextStart)
{
    {
        Editor editor;
        editor.frame->SetSize(wxSize(900, 640));
        editor.frame->getBrowser()->setSashRatio(0.4);
        wxtest::pump();
    }
    Editor editor;
    EXPECT_EQ(editor.frame->GetSize(), wxSize(900, 640));
    EXPECT_TRUE(wxtest::pumpUntil([&] { return std::abs(editor.frame->getBrowser()->getSashRatio() - 0.4) < 0.01; }))
        << "sash at " << editor.frame->getBrowser()->getSashRatio();
}

TEST(Editor, FindGoesToTheFindBoxStepsThroughWhatItFindsAndCountsItInTheStatusBar)
{
    Editor editor;
    dbui::NodeBrowser* browser = editor.frame->getBrowser();
    dbui::NodeBrowserTreeControl* tree = browser->getTreeControl();
    const auto inFindBox = [&] { return wxWindow::FindFocus() == browser->getFilterBox(); };
    tree->SetFocus();
    editor.command(wxID_FIND);
    EXPECT_TRUE(wxtest::pumpUntil(inFindBox));
    wxUIActionSimulator().Text("type:light");
    wxtest::pump();
    const std::size_t lights = tree->GetFilterMatchCount();
    ASSERT_GE(lights, 2u);
    EXPECT_EQ(editor.status(0),
              wxString::Format("%zu matches in %zu nodes", lights, editor.database.getTotalNodeCount()));
    editor.command(EditorFrame::ID_FindNext);
    const std::vector<db::Node*> first = tree->getSelectedNodes();
    editor.command(EditorFrame::ID_FindNext);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first.front()->getClassID(), L"Light");
    EXPECT_NE(tree->getSelectedNodes(), first);
    editor.command(EditorFrame::ID_FindPrevious);
    EXPECT_EQ(tree->getSelectedNodes(), first);

    // Esc in the box brings every node back; Ctrl+F in the tree goes to the box again.
    ASSERT_TRUE(wxtest::pumpUntil(inFindBox));
    wxUIActionSimulator().Char(WXK_ESCAPE);
    wxtest::pump();
    EXPECT_EQ(editor.status(0), wxString::Format("%zu nodes", editor.database.getTotalNodeCount()));
    viewstest::pressCtrl(tree, 'f');
    EXPECT_TRUE(wxtest::pumpUntil(inFindBox));
}

/// A document merged with two conflicts: the lamp's intensity set 2 and 3, the crate renamed A and B.
wxString writeConflictedDocument(const Scratch& folder)
{
    auto version = [](float intensity, const wchar_t* crate)
    {
        auto database = std::make_unique<db::Database>(L"Scene");
        db::Node* world = db::makeNode(L"Group", L"World");
        database->getRootContainer().add(world);
        db::Node* lamp = db::makeNode(L"Light", L"Lamp");
        world->findAttribute(L"children")->asNodeContainer()->add(lamp);
        world->findAttribute(L"children")->asNodeContainer()->add(db::makeNode(L"Mesh", crate));
        lamp->findAttribute(L"intensity")->asFloatAttribute()->setValue(intensity);
        return database;
    };
    auto ours = version(2, L"A");
    db::DatabaseMerge merge;
    EXPECT_FALSE(merge.merge(*version(1, L"Crate"), *ours, *version(3, L"B")));
    const wxString file = folder.path("merged.xml");
    db::FileOutputStream stream(std::string(file.utf8_str()));
    EXPECT_TRUE(db::SaverXML(stream).save(*ours));
    return file;
}

TEST(Editor, ConflictsPanelResolvesEachConflictAsOneStepAndTheLastLeavesNoTrace)
{
    Scratch folder;
    const wxString file = writeConflictedDocument(folder);
    Editor editor(file);
    ConflictsPanel* panel = editor.frame->getConflictsPanel();
    wxListCtrl* list = panel->getList();
    ASSERT_TRUE(panel->IsShown());
    ASSERT_EQ(list->GetItemCount(), 2);
    EXPECT_EQ(list->GetItemText(0, 1), "rename");
    EXPECT_EQ(list->GetItemText(1, 0), "/World/Lamp.intensity");
    EXPECT_EQ(list->GetItemText(1, 4), "3");
    EXPECT_TRUE(editor.frame->GetTitle().Contains("(2 conflicts)"));
    EXPECT_TRUE(editor.status(0).Contains("2 conflicts"));

    auto choose = [&](long row, int button)
    {
        list->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        wxCommandEvent click(wxEVT_BUTTON, button);
        click.SetEventObject(panel->FindWindow(button));
        panel->FindWindow(button)->ProcessWindowEvent(click);
        wxtest::pump();
    };
    wxListEvent activate(wxEVT_LIST_ITEM_ACTIVATED, list->GetId());
    activate.m_itemIndex = 1;
    activate.SetEventObject(list);
    list->ProcessWindowEvent(activate);
    db::Node* lamp = editor.database.attributeFromDatabasePath(L"/World/Lamp")->asNode();
    EXPECT_EQ(editor.frame->getBrowser()->getTreeControl()->getSelectedNodes(), std::vector<db::Node*>{lamp});

    const unsigned int steps = editor.database.getUndoStackSize();
    choose(0, ConflictsPanel::ID_UseTheirs);
    EXPECT_NE(editor.database.attributeFromDatabasePath(L"/World/B"), nullptr) << panel->getMessage();
    EXPECT_EQ(editor.database.getUndoStackSize(), steps + 1);
    EXPECT_TRUE(editor.frame->GetTitle().Contains("(1 conflict)"));
    editor.command(wxID_UNDO);
    EXPECT_NE(editor.database.attributeFromDatabasePath(L"/World/A"), nullptr);
    EXPECT_EQ(list->GetItemCount(), 2);
    editor.command(wxID_REDO);

    wxTEST_DIALOG(editor.command(wxID_SAVE), ExpectMessageContaining({"1 merge conflict is unresolved"}, wxID_YES));
    EXPECT_NE(readAll(file).find("mergeConflicts"), std::string::npos);
    choose(0, ConflictsPanel::ID_KeepOurs);
    EXPECT_FALSE(panel->IsShown());
    EXPECT_FALSE(editor.frame->GetTitle().Contains("conflict"));
    editor.command(wxID_SAVE); // no question now
    EXPECT_EQ(readAll(file).find("mergeConflicts"), std::string::npos);
}

} // namespace

// ---------------------------------------------------------------------------
// The table of commands: menus, tool bar, context menu, palette and keys
// ---------------------------------------------------------------------------

namespace
{

/// Waits until `window` has the focus.
bool focusOn(wxWindow* window)
{
    wxGetTopLevelParent(window)->Raise();
    window->SetFocus();
    return wxtest::pumpUntil([window] { return wxWindow::FindFocus() == window; });
}

} // namespace

// That every surface enables a command as the menu bar does, the random
// editor test checks after every action; here, what the menu bar enables.
TEST(EditorCommands, DeleteIsOfferedForNodesButTheRootAndRenameForOneNode)
{
    Editor editor;
    db::Node* light = nodesOfType(editor.database, L"Light", 1).front();
    db::Node* group = nodesOfType(editor.database, L"Group", 1).front();
    const auto enabled = [&](int id)
    {
        wxUpdateUIEvent event(id);
        event.SetEventObject(editor.frame);
        editor.frame->ProcessWindowEvent(event);
        return event.GetEnabled();
    };
    const std::vector<db::Node*> selections[] = {
        {}, {&editor.database}, {light}, {light, group}, {&editor.database, light}};
    for (const std::vector<db::Node*>& nodes : selections)
    {
        SCOPED_TRACE(testing::Message() << nodes.size() << " selected");
        editor.frame->getBrowser()->getTreeControl()->UnselectAll();
        editor.select(nodes);
        ASSERT_TRUE(focusOn(editor.frame->getBrowser()->getTreeControl()));
        EXPECT_EQ(enabled(wxID_DELETE), !nodes.empty() && nodes.back() != &editor.database);
        EXPECT_EQ(enabled(wxID_EDIT), nodes.size() == 1);
    }
}

TEST(EditorCommands, DebugPanelOpensOneWindowOverTheEditorsDatabase)
{
    Editor editor;
    editor.command(EditorFrame::ID_DebugPanel);
    editor.command(EditorFrame::ID_DebugPanel);
    wxtest::pump();
    std::vector<DebugPanelWindow*> windows;
    for (wxWindow* child : editor.frame->GetChildren())
        if (auto* window = dynamic_cast<DebugPanelWindow*>(child))
            windows.push_back(window);
    ASSERT_EQ(windows.size(), 1u) << "asking again brings the open window forward";
    EXPECT_TRUE(windows.front()->IsShown());
    EXPECT_EQ(windows.front()->getPanel()->getDatabase(), &editor.database);
    // Only the address is compared once the window is gone.
    const db::UndoObserver* panel = windows.front()->getPanel();
    EXPECT_TRUE(editor.database.getUndoObservers().contains(panel));
    windows.front()->Destroy();
    wxtest::pump();
    EXPECT_FALSE(editor.database.getUndoObservers().contains(panel));
}

TEST(EditorCommands, PaletteFindsACommandByPartOfItsNameAndRunsItWithEnter)
{
    Editor editor;
    dbui::NodeBrowserTreeControl* tree = editor.frame->getBrowser()->getTreeControl();
    db::Node* light = nodesOfType(editor.database, L"Light", 1).front();
    dbui::CommandPalette& palette = editor.frame->getCommandPalette();
    wxUIActionSimulator keys;
    const auto open = [&]
    {
        EXPECT_TRUE(focusOn(tree));
        keys.Char('p', wxMOD_CONTROL | wxMOD_SHIFT);
        return wxtest::pumpUntil([&] { return palette.IsShown() && wxWindow::FindFocus() == palette.getSearchBox(); });
    };
    const auto type = [&](const char* text)
    {
        keys.Text(text);
        wxtest::pumpUntil([&] { return palette.getSearchBox()->GetValue() == text; });
    };
    const auto press = [&](int key)
    {
        keys.Char(key);
        wxtest::pump();
    };

    // Nothing selected: Delete is listed but cannot run, and Enter leaves the palette open.
    tree->UnselectAll();
    ASSERT_TRUE(open());
    EXPECT_EQ(palette.getListedCommands().size(), editor.frame->getCommands().getCommands().size());
    wxString shots; // the README's picture, when asked for
    if (wxGetEnv("DBUI_SCREENSHOT_DIR", &shots))
    {
        EXPECT_TRUE(wxtest::saveWindowPng(&palette, shots + "/palette.png"));
    }
    type("delete");
    ASSERT_EQ(palette.getListedCommands(), std::vector<int>{wxID_DELETE});
    EXPECT_TRUE(palette.getList()->GetItemText(0).EndsWith("(not now)"));
    press(WXK_RETURN);
    EXPECT_TRUE(palette.IsShown());
    press(WXK_ESCAPE);
    EXPECT_TRUE(wxtest::pumpUntil([&] { return !palette.IsShown() && wxWindow::FindFocus() == tree; }));

    // Words in any order and case; the arrows move the choice; Enter runs it on the selection.
    editor.select({light});
    ASSERT_TRUE(open());
    type("FIND");
    EXPECT_EQ(palette.getListedCommands(),
              (std::vector<int>{wxID_FIND, EditorFrame::ID_FindNext, EditorFrame::ID_FindPrevious}));
    press(WXK_DOWN);
    press(WXK_DOWN);
    press(WXK_UP);
    EXPECT_EQ(palette.getChosenCommand(), EditorFrame::ID_FindNext);
    palette.getSearchBox()->Clear();
    type("cate dupli");
    ASSERT_EQ(palette.getListedCommands(), std::vector<int>{EditorFrame::ID_Duplicate});
    EXPECT_EQ(palette.getList()->GetItemText(0, 1), "Ctrl+D");
    press(WXK_RETURN);
    EXPECT_FALSE(palette.IsShown());
    ASSERT_EQ(editor.database.getUndoStackSize(), 1u);
    EXPECT_EQ(editor.database.getUndoDescription(0), L"Duplicate node");
    EXPECT_EQ(light->getNext()->getClassID(), L"Light");

    // Esc runs nothing.
    ASSERT_TRUE(open());
    type("undo");
    press(WXK_ESCAPE);
    EXPECT_FALSE(palette.IsShown());
    EXPECT_EQ(editor.database.getUndoStackSize(), 1u);
}

namespace
{

/// Answers the Keyboard Shortcuts dialog by pressing `key` for the command `id`, then OK.
class PressShortcut : public wxExpectModalBase<ShortcutsDialog, PressShortcut>
{
public:
    PressShortcut(int id, int code, int modifiers) : m_id(id), m_code(code), m_modifiers(modifiers) {}

protected:
    int OnInvoked(ShortcutsDialog* dialog) const override
    {
        dialog->Show();
        dialog->chooseCommand(m_id);
        EXPECT_TRUE(focusOn(dialog->getKeyBox()));
        wxUIActionSimulator().Char(m_code, m_modifiers);
        wxtest::pump();
        dialog->Hide();
        return wxID_OK;
    }

private:
    int m_id;
    int m_code;
    int m_modifiers;
};

} // namespace

TEST(EditorCommands, ShortcutsChangeInTheirDialogRefuseAKeyTakenAndAreKeptForTheNextStart)
{
    {
        Editor editor;
        // In the dialog: a free key is taken, a key another command holds is refused with its name.
        ShortcutsDialog dialog(editor.frame, editor.frame->getCommands());
        dialog.Show();
        dialog.chooseCommand(EditorFrame::ID_Duplicate);
        ASSERT_TRUE(focusOn(dialog.getKeyBox()));
        wxUIActionSimulator keys;
        keys.Char(WXK_SHIFT);
        keys.Char('k', wxMOD_CONTROL);
        EXPECT_TRUE(wxtest::pumpUntil([&] { return dialog.getShortcut(EditorFrame::ID_Duplicate) == "Ctrl+K"; }));
        wxTEST_DIALOG(
            {
                keys.Char('c', wxMOD_CONTROL);
                wxtest::pump();
            },
            viewstest::ExpectMessageContaining({"Ctrl+C", "\"Copy\""}, wxID_OK));
        EXPECT_EQ(dialog.getShortcut(EditorFrame::ID_Duplicate), "Ctrl+K");
        EXPECT_EQ(dialog.getShortcut(wxID_COPY), "Ctrl+C");
        dialog.Hide();
        EXPECT_EQ(editor.frame->getCommands().find(EditorFrame::ID_Duplicate)->shortcut, "Ctrl+D")
            << "nothing changes before OK";

        // Through the menu: the key works at once and shows in the menu.
        wxTEST_DIALOG(editor.command(EditorFrame::ID_KeyboardShortcuts),
                      PressShortcut(EditorFrame::ID_Duplicate, 'k', wxMOD_CONTROL));
        EXPECT_TRUE(editor.frame->GetMenuBar()->GetLabel(EditorFrame::ID_Duplicate).Contains("Ctrl+K"));
    }
    Editor editor;
    EXPECT_EQ(editor.frame->getCommands().find(EditorFrame::ID_Duplicate)->shortcut, "Ctrl+K");
    db::Node* light = nodesOfType(editor.database, L"Light", 1).front();
    editor.select({light});
    ASSERT_TRUE(focusOn(editor.frame->getBrowser()->getTreeControl()));
    wxUIActionSimulator().Char('k', wxMOD_CONTROL);
    EXPECT_TRUE(wxtest::pumpUntil([&] { return editor.database.getUndoStackSize() == 1; }));
    EXPECT_EQ(editor.database.getUndoDescription(0), L"Duplicate node");
    wxUIActionSimulator().Char('d', wxMOD_CONTROL);
    wxtest::pump();
    EXPECT_EQ(editor.database.getUndoStackSize(), 1u) << "the old key no longer duplicates, in the tree either";
    // Back to the defaults for the tests after this one.
    editor.frame->getCommands().setShortcut(EditorFrame::ID_Duplicate, "Ctrl+D");
    editor.frame->applyShortcuts();
}
