#pragma once

#include <wxUtils/Export.h>

#include <wx/stattext.h>

namespace wxUtils
{

/// A label. With a wrap width above 0 the text wraps at that width.
class DBUI_TOOLKIT_EXPORT OrkStaticText : public wxStaticText
{
public:
    /// A label showing `label` literally; a `wrapWidth` above 0 wraps it at that
    /// many pixels (at 96 DPI).
    OrkStaticText(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos = wxDefaultPosition,
                  const wxSize& size = wxDefaultSize, long style = 0, int wrapWidth = 0,
                  const wxString& name = wxStaticTextNameStr);

    /// The text shown.
    wxString getLabel() const { return GetLabelText(); }
    /// Shows `label` literally: "&" is not taken as a mnemonic.
    void setLabel(const wxString& label) { SetLabelText(label); }

private:
    int m_wrapWidth;
};

} // namespace wxUtils
