// toolkit-gallery: every toolkit control in one window, with sample content.

#include "ControlsPage.h"
#ifdef GALLERY_HAS_LISTS
#include "ListsPage.h"
#endif

#include <Tarn/Tarn.h>
#include <wxUtils/OrkPanel.h>
#include <wxUtils/OrkSplitter.h>
#include <wxUtils/OrkStaticText.h>
#include <wxUtils/Screenshot.h>
#include <wxUtils/WindowUtils.h>

#include <wx/app.h>
#include <wx/cmdline.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>
#include <wx/timer.h>

#include <cstdio>

namespace
{

bool s_asserted = false;

// In screenshot mode nobody is there to answer an assert dialog: report the
// assert and fail the run instead.
void printAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    s_asserted = true;
    std::fprintf(stderr, "%s:%d: assert \"%s\" failed in %s: %s\n", static_cast<const char*>(file.utf8_str()), line,
                 static_cast<const char*>(cond.utf8_str()), static_cast<const char*>(func.utf8_str()),
                 static_cast<const char*>(msg.utf8_str()));
}

class GalleryFrame : public wxFrame
{
public:
    GalleryFrame() : wxFrame(nullptr, wxID_ANY, "Toolkit Gallery", wxDefaultPosition, wxSize(1280, 800))
    {
        buildMenus();
        auto* splitter = new wxUtils::OrkSplitter(this);
#ifdef GALLERY_HAS_LISTS
        wxWindow* lists = makeListsPage(splitter->getContentWindow());
#else
        wxWindow* lists = new wxUtils::OrkStaticText(splitter->getContentWindow(), wxID_ANY,
                                                     "The list and tree controls are not built in.");
#endif
        wxWindow* controls = makeControlsPage(splitter->getContentWindow());
        splitter->splitVertically(lists, controls, wxUtils::OrkSplitter::SashProportional, 0.58);

        CreateStatusBar(2);
        SetStatusText("Ready");
        updateMemory();
        m_memoryTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { updateMemory(); });
        m_memoryTimer.Start(1000);
        SetMinSize(FromDIP(wxSize(800, 500)));
    }

private:
    void buildMenus()
    {
        auto* file = new wxMenu;
        file->Append(wxID_EXIT, "&Quit\tCtrl+Q");
        auto* view = new wxMenu;
        view->AppendRadioItem(wxID_HIGHEST + 10, "Follow &system theme");
        view->AppendRadioItem(wxID_HIGHEST + 11, "&Light");
        view->AppendRadioItem(wxID_HIGHEST + 12, "&Dark");
        auto* bar = new wxMenuBar;
        bar->Append(file, "&File");
        bar->Append(view, "&View");
        SetMenuBar(bar);
        Bind(
            wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, wxID_EXIT);
        Bind(
            wxEVT_MENU,
            [](wxCommandEvent& event)
            {
                using Mode = Tarn::ColourManager::Mode;
                const int choice = event.GetId() - (wxID_HIGHEST + 10);
                gTarn.getColourManager().setMode(choice == 1   ? Mode::Light
                                                 : choice == 2 ? Mode::Dark
                                                               : Mode::FollowSystem);
            },
            wxID_HIGHEST + 10, wxID_HIGHEST + 12);
    }

    void updateMemory()
    {
        SetStatusText(wxString::Format("Process memory: %.1f MB", wxUtils::GetProcessMemoryUsage() / 1048576.0), 1);
    }

    wxTimer m_memoryTimer;
};

class GalleryApp : public wxApp
{
public:
    void OnInitCmdLine(wxCmdLineParser& parser) override
    {
        wxApp::OnInitCmdLine(parser);
        parser.AddOption("", "screenshot", "save the window as a PNG file and exit", wxCMD_LINE_VAL_STRING);
        parser.AddOption("", "theme", "light, dark or system (the default)", wxCMD_LINE_VAL_STRING);
    }

    bool OnCmdLineParsed(wxCmdLineParser& parser) override
    {
        parser.Found("screenshot", &m_screenshot);
        parser.Found("theme", &m_theme);
        return wxApp::OnCmdLineParsed(parser);
    }

    bool OnInit() override
    {
        if (!wxApp::OnInit())
            return false;
        SetAppDisplayName("Toolkit Gallery");
        wxInitAllImageHandlers();
        if (!m_screenshot.empty())
            wxSetAssertHandler(printAssert);
        using Mode = Tarn::ColourManager::Mode;
        if (m_theme == "dark")
            gTarn.getColourManager().setMode(Mode::Dark);
        else if (m_theme == "light")
            gTarn.getColourManager().setMode(Mode::Light);
        m_frame = new GalleryFrame;
        m_frame->Show();
        if (!m_screenshot.empty())
        {
            // Poll until the window is on screen and painted, then save.
            m_poll.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { trySave(); });
            m_poll.Start(100);
        }
        return true;
    }

private:
    void trySave()
    {
        ++m_attempts;
        // A few rounds after it is first on screen let the tree and the
        // editor finish their first paint.
        if (!m_frame->IsShownOnScreen() || m_attempts < 8)
            return;
        m_poll.Stop();
        m_frame->Update();
        const bool saved = wxUtils::saveWindowAsPng(m_frame, m_screenshot);
        std::fprintf(stderr, saved ? "saved %s\n" : "could not save %s\n",
                     static_cast<const char*>(m_screenshot.utf8_str()));
        m_exitCode = saved && !s_asserted ? 0 : 1;
        m_frame->Close(true);
    }

    int OnExit() override
    {
        wxApp::OnExit();
        return m_exitCode;
    }

    wxString m_screenshot;
    wxString m_theme;
    wxFrame* m_frame = nullptr;
    wxTimer m_poll;
    int m_attempts = 0;
    int m_exitCode = 0;
};

} // namespace

wxIMPLEMENT_APP(GalleryApp);
