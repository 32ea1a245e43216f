#pragma once

// Start-up and event pumping shared by the benchmark programs that open
// windows (run them under an X server; Xvfb in CI).

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/time.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <cstdio>
#include <functional>

namespace bench
{

/// Handles what is pending and the idle work, a few rounds, so that a
/// window's reaction to what was just done is over.
inline void pump()
{
    for (int round = 0; round < 3; ++round)
    {
        while (wxTheApp->Pending())
            wxTheApp->Dispatch();
        wxTheApp->ProcessIdle();
    }
}

/// Pumps until `window` is on the screen and has been drawn there once: a
/// repaint timed before that would cost nothing and flatter whoever does it.
inline void showOnScreen(wxWindow* window)
{
    const wxLongLong until = wxGetLocalTimeMillis() + 2000;
    while (!window->IsShownOnScreen() && wxGetLocalTimeMillis() < until)
    {
        pump();
        wxMilliSleep(1);
    }
    window->Refresh();
    window->Update();
    pump();
}

/// Starts wxWidgets, runs `body` inside an active event loop (Pending and
/// Dispatch work only there) and shuts down; the exit code for main. The
/// command line stays the program's own: wxWidgets sees only its name.
inline int runWithWindows(char** argv, const char* program, const std::function<void()>& body)
{
    int wxArgc = 1;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit())
    {
        std::fprintf(stderr, "%s needs a display (run it under xvfb-run)\n", program);
        return 1;
    }
    {
        wxGUIEventLoop loop;
        wxEventLoopActivator activator(&loop);
        body();
        pump();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}

} // namespace bench
