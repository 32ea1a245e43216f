#pragma once

#include <wxUtils/Export.h>

#include <wx/string.h>

class wxWindow;

namespace wxUtils
{

/// Saves what `window` shows on screen as a PNG file; false when the window
/// is not on screen or the file cannot be written.
DBUI_TOOLKIT_EXPORT bool saveWindowAsPng(wxWindow* window, const wxString& path);

} // namespace wxUtils
