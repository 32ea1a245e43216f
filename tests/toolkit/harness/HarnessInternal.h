#pragma once

// Pieces of the harness shared between its main and its helpers only.

#include <wx/modalhook.h>
#include <wx/string.h>

#include <string>

namespace wxtest
{

/// Always registered: any modal dialog outside wxTEST_DIALOG fails the test
/// and is cancelled at once.
class UnexpectedDialogHook : public wxModalDialogHook
{
protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}
};

void onAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg);
void createTestFrame(const std::string& testName);
void destroyTestFrame();
/// Whether a GTK report of `message` is the file chooser's late work on its
/// own views just after a test answered it (see fileChooserAnswered).
bool isFileChooserTeardownReport(const char* message);

} // namespace wxtest
