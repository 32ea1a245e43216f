// dbui-editor: opens, edits and saves node database documents.

#include "EditorFrame.h"
#include "StartFileLoad.h"

#include <dbui/Document.h>
#include <dbui/FileSystemName.h>
#include <dbui/NodeBrowser.h>

#include <Tarn/Tarn.h>
#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/SchemaLoaderXML.h>
#include <db/TypeRegistry.h>
#include <wxUtils/OrkFileHistory2.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/Screenshot.h>

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/cmdline.h>
#include <wx/filename.h>
#include <wx/msgout.h>
#include <wx/persist.h>
#include <wx/stdpaths.h>
#include <wx/time.h>
#include <wx/utils.h>

#include <cstdlib>
#include <iostream>
#include <malloc.h>
#include <memory>
#include <optional>

#ifndef DBUI_SAMPLE_DOCUMENT
#define DBUI_SAMPLE_DOCUMENT ""
#endif
#ifndef DBUI_INSTALLED_SAMPLE_DOCUMENT
#define DBUI_INSTALLED_SAMPLE_DOCUMENT ""
#endif

namespace
{

/// Keeps what wxWidgets would print to itself while it lives.
class QuietMessages : public wxMessageOutput
{
public:
    QuietMessages() : m_previous(wxMessageOutput::Set(this)) {}
    ~QuietMessages() override { wxMessageOutput::Set(m_previous); }
    void Output(const wxString&) override {}

private:
    wxMessageOutput* m_previous;
};

class EditorApp : public wxApp
{
public:
    bool Initialize(int& argc, wxChar** argv) override;
    bool OnInit() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;
    void OnUnhandledException() override;

private:
    /// Starts reading the document named on the command line, before GTK starts.
    void startLoadingEarly(int argc, wxChar** argv);
    bool loadSchema();
    wxString startDocument() const;
    void takeScreenshotAndExit();
    void exitWhenPainted();
    void exitNow();

    wxString m_schemaFile;
    wxString m_document;
    wxString m_screenshot;
    wxString m_find;
    bool m_quitWhenReady = false;
    std::optional<bool> m_schemaLoaded;
    std::unique_ptr<db::TypeRegistry> m_registry;
    std::unique_ptr<db::Database> m_database;
    /// Declared after the database, which it reads into: it goes first.
    std::unique_ptr<StartFileLoad> m_startLoad;
    EditorFrame* m_frame = nullptr;
};

bool EditorApp::Initialize(int& argc, wxChar** argv)
{
    startLoadingEarly(argc, argv);
    // Nothing here draws with OpenGL, yet GTK would load and set up the GL
    // driver while it starts, which takes longer than the rest of its start
    // together. A user's own GDK_GL setting stays as it is, and programs
    // started from here (a browser, say) do not inherit ours: GTK reads the
    // setting once, as it starts.
    const bool ours = !std::getenv("GDK_GL");
    if (ours)
        ::setenv("GDK_GL", "disable", 0);
    const bool initialized = wxApp::Initialize(argc, argv);
    if (ours)
        ::unsetenv("GDK_GL");
    return initialized;
}

void EditorApp::startLoadingEarly(int argc, wxChar** argv)
{
    // Reading a big document takes longer than all the rest of the start put
    // together: it starts first, and GTK's start and the building of the
    // window go on beside it. GTK's own options are still in the command
    // line; one that is not all ours is left to the parse after GTK's start,
    // which says what is wrong, and its document opens the ordinary way.
    wxCmdLineParser parser(argc, argv);
    OnInitCmdLine(parser);
    {
        const QuietMessages quiet;
        if (parser.Parse(false) != 0 || parser.GetParamCount() == 0)
            return;
    }
    parser.Found("schema", &m_schemaFile);
    m_document = parser.GetParam(0);
    m_schemaLoaded = loadSchema();
    if (!*m_schemaLoaded)
        return;
    m_database = std::make_unique<db::Database>(L"Database", m_registry.get());
    m_startLoad = std::make_unique<StartFileLoad>(*m_database, startDocument());
}

void EditorApp::OnInitCmdLine(wxCmdLineParser& parser)
{
    wxApp::OnInitCmdLine(parser);
    parser.AddOption("", "schema", "schema file declaring the node types (default: the example scene schema)");
    parser.AddOption("", "screenshot", "save the window with the document loaded as a PNG file and exit");
    parser.AddOption("", "find", "start with this text in the box that finds nodes");
    parser.AddSwitch("", "quit-when-ready",
                     "print \"ready\" and exit once the window with the document has painted (for timing the start)");
    parser.AddParam("document", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
}

bool EditorApp::OnCmdLineParsed(wxCmdLineParser& parser)
{
    parser.Found("schema", &m_schemaFile);
    parser.Found("screenshot", &m_screenshot);
    parser.Found("find", &m_find);
    m_quitWhenReady = parser.Found("quit-when-ready");
    if (parser.GetParamCount() > 0)
        m_document = parser.GetParam(0);
    return wxApp::OnCmdLineParsed(parser);
}

bool EditorApp::OnInit()
{
    if (!wxApp::OnInit())
        return false;
    SetAppName("dbui-editor");
    gTarn.getEnvData().setAppDisplayName("dbui editor");
    if (!m_schemaLoaded)
        m_schemaLoaded = loadSchema();
    if (!*m_schemaLoaded)
        return false;
    if (!m_database)
        m_database = std::make_unique<db::Database>(L"Database", m_registry.get());
    if (!m_screenshot.empty())
    {
        // Screenshots look the same on every machine, and leave the user's window as it was.
        wxPersistenceManager::Get().DisableRestoring();
        wxPersistenceManager::Get().DisableSaving();
    }
    m_frame = new EditorFrame(*m_database);
    m_frame->Show();
    // Untitled work left by an editor that ended comes before the sample.
    const bool recovered = m_document.empty() && m_frame->offerUntitledRecovery();
    const wxString document = startDocument();
    if (!recovered && !document.empty())
        m_frame->openAtStart(document, std::move(m_startLoad));
    if (!m_find.empty())
        m_frame->getBrowser()->getFilterBox()->SetValue(m_find);
    if (!m_screenshot.empty())
        CallAfter(&EditorApp::takeScreenshotAndExit);
    else if (m_quitWhenReady)
        CallAfter(&EditorApp::exitWhenPainted);
    return true;
}

int EditorApp::OnExit()
{
    // Nodes copied last stay on the clipboard once the editor has gone, where
    // the desktop keeps clipboards.
    wxTheClipboard->Flush();
    // The frame is gone by now; the database outlives every view of it, and
    // a start load that nobody took.
    m_startLoad.reset();
    m_database.reset();
    return wxApp::OnExit();
}

void EditorApp::OnUnhandledException()
{
    if (m_frame)
        m_frame->saveRecoveryFile();
    wxApp::OnUnhandledException();
}

bool EditorApp::loadSchema()
{
    if (m_schemaFile.empty())
        return true; // the built-in example schema
    m_registry = std::make_unique<db::TypeRegistry>();
    db::FileInputStream stream(dbui::toFileSystemName(m_schemaFile), db::FileOpenMode::Text);
    db::SchemaLoaderXML loader(stream);
    if (!loader.load(*m_registry))
    {
        std::cerr << loader.getError().toString() << "\n";
        return false;
    }
    for (const db::LoadError& warning : loader.getWarnings())
        std::cerr << "warning: " << warning.toString() << "\n";
    db::TypeRegistry::setDefault(m_registry.get());
    return true;
}

wxString EditorApp::startDocument() const
{
    if (!m_document.empty())
        return wxFileName(m_document).GetAbsolutePath();
    if (!m_schemaFile.empty())
        return wxEmptyString; // the sample needs the example schema
    const wxString sample = DBUI_SAMPLE_DOCUMENT;
    if (wxFileName::FileExists(sample))
        return sample;
    // An installed editor finds the sample under its own prefix.
    const wxString installed = wxStandardPaths::Get().GetInstallPrefix() + "/" + DBUI_INSTALLED_SAMPLE_DOCUMENT;
    return wxFileName::FileExists(installed) ? installed : wxString();
}

void EditorApp::takeScreenshotAndExit()
{
    if (m_find.empty())
        m_frame->selectRichestTopLevelNode();
    else
        m_frame->getBrowser()->selectFilterMatch(wxUtils::TreeControl::Forward);
    // Native controls under a fresh window paint over several event-loop
    // turns; give them a moment before capturing.
    const wxLongLong until = wxGetLocalTimeMillis() + 700;
    while (wxGetLocalTimeMillis() < until)
    {
        m_frame->Update();
        wxYield();
        wxMilliSleep(10);
    }
    if (!wxUtils::saveWindowAsPng(m_frame, m_screenshot))
        std::cerr << "could not save " << m_screenshot << "\n";
    exitNow();
}

void EditorApp::exitWhenPainted()
{
    m_frame->Update();
    // For whoever times the start: the window is ready now, whatever closing takes.
    std::cout << "ready" << std::endl;
    exitNow();
}

void EditorApp::exitNow()
{
    // Closing first means no save prompt: nothing was edited.
    m_frame->getDocument().close();
    m_frame->Destroy();
}

} // namespace

wxIMPLEMENT_APP_NO_MAIN(EditorApp);

int main(int argc, char** argv)
{
    // Before anything allocates: the document named on the command line is
    // read on two threads at once, and a heap that grows a page at a time
    // has them wait on each other's page faults for the process's address
    // space with every step. The reading threads are not the main one, and
    // the heaps of such threads are 64 MB each: a pad as large makes each
    // usable whole at once, where 32 MB left half of it to grow page by page
    // (some forty thousand calls into the kernel for the 300,000-node scene).
    // A big file loads a tenth faster, in no more memory at its peak.
    ::mallopt(M_TOP_PAD, 64 << 20);
    wxDISABLE_DEBUG_SUPPORT();
    return wxEntry(argc, argv);
}
