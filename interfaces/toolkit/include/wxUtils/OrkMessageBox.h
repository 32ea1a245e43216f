#pragma once

#include <wxUtils/Export.h>

#include <wx/string.h>

class wxWindow;

namespace wxUtils
{

/// Shows a modal message box (a wxMessageDialog) with wxWidgets' message box
/// styles (wxYES_NO, wxOK, wxCANCEL, wxICON_*, wxCENTRE) and returns the
/// answer as wxYES, wxNO, wxOK or wxCANCEL. x and y of -1 place it by default.
/// With `dontAskAgain` given, the box offers "Don't show this message again":
/// when *dontAskAgain is already true nothing is shown and the affirmative
/// answer (wxYES or wxOK) returns at once; otherwise the user's tick is
/// stored there.
DBUI_TOOLKIT_EXPORT int OrkMessageBox(const wxString& message, const wxString& caption, long style,
                                      wxWindow* parent = nullptr, int x = -1, int y = -1, bool* dontAskAgain = nullptr);

} // namespace wxUtils
