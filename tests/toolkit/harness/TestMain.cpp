// main of every window test program: starts wxWidgets, turns wxWidgets
// asserts and GTK criticals into test failures, and runs the tests from
// inside the running event loop, each with a fresh frame.

#include "Harness.h"
#include "HarnessInternal.h"

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <glib.h>

#include <cstdio>
#include <cstring>

namespace
{

int s_result = 1;

class FrameListener : public testing::EmptyTestEventListener
{
    void OnTestStart(const testing::TestInfo& info) override
    {
        wxtest::createTestFrame(std::string(info.test_suite_name()) + "." + info.name());
    }
    void OnTestEnd(const testing::TestInfo&) override { wxtest::destroyTestFrame(); }
};

/// Every GLib, GTK and GDK message reaches the writer: those sent through
/// structured logging (most of GTK's criticals) only the writer sees, and
/// the others come to it through GLib's default handler.
GLogWriterOutput writeGLibLog(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data)
{
    if (level & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR))
    {
        const char* domain = "GLib";
        const char* message = "";
        for (gsize i = 0; i < count; ++i)
        {
            if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0 && fields[i].length < 0)
                domain = static_cast<const char*>(fields[i].value);
            else if (std::strcmp(fields[i].key, "MESSAGE") == 0 && fields[i].length < 0)
                message = static_cast<const char*>(fields[i].value);
        }
        if (!wxtest::isFileChooserTeardownReport(message))
            ADD_FAILURE() << domain << " critical: " << message;
    }
    return g_log_writer_default(level, fields, count, data);
}

void installLogHandlers()
{
    g_log_set_writer_func(writeGLibLog, nullptr, nullptr);
}

class HarnessApp : public wxApp
{
public:
    // The command line belongs to GoogleTest; wxApp must not parse it.
    bool OnInit() override
    {
        SetExitOnFrameDelete(false);
        return true;
    }

    int OnRun() override
    {
        CallAfter(
            [this]
            {
                s_result = RUN_ALL_TESTS();
                ExitMainLoop();
            });
        return wxApp::OnRun();
    }
};

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FrameListener);

    wxApp::SetInstance(new HarnessApp);
    if (!wxEntryStart(argc, argv))
    {
        std::fprintf(stderr, "cannot start wxWidgets: is there an X display (run under xvfb-run)?\n");
        return 1;
    }
    installLogHandlers();
    wxInitAllImageHandlers();
    wxSetAssertHandler(wxtest::onAssert);
    wxtest::UnexpectedDialogHook dialogHook;
    dialogHook.Register();

    if (wxTheApp->CallOnInit())
        wxTheApp->OnRun();
    wxTheApp->OnExit();
    dialogHook.Unregister();
    wxEntryCleanup();
    return s_result;
}
