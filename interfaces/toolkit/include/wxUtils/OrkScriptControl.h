#pragma once

#include <wxUtils/Export.h>

#include <wx/stc/stc.h>

namespace wxUtils
{

/// The multi-line script editor. Colours and lexer come from
/// Tarn::ColourManager::initEditor.
class DBUI_TOOLKIT_EXPORT OrkScriptControl : public wxStyledTextCtrl
{
public:
    /// An empty editor, not yet styled: Tarn::ColourManager::initEditor sets it up.
    OrkScriptControl(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                     const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = "OrkScriptControl");

    /// Long lines wrap at word boundaries instead of scrolling sideways.
    void enableLineWrapping(bool enable);
    /// True while long lines wrap.
    bool isLineWrappingEnabled() const { return GetWrapMode() != wxSTC_WRAP_NONE; }
};

} // namespace wxUtils
