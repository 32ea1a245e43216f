#include <wxUtils/OrkScriptControl.h>

namespace wxUtils
{

OrkScriptControl::OrkScriptControl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                                   const wxString& name)
    : wxStyledTextCtrl(parent, id, pos, size, style & ~0xFFFFL, name)
{
    // A script box inside a form should not grow past its layout; a few
    // lines are visible and the rest scrolls.
    const wxSize least = FromDIP(wxSize(120, 90));
    SetMinSize(wxSize(size.x > 0 ? size.x : least.x, size.y > 0 ? size.y : least.y));
    SetScrollWidthTracking(true);
    SetScrollWidth(1);
}

void OrkScriptControl::enableLineWrapping(bool enable)
{
    SetWrapMode(enable ? wxSTC_WRAP_WORD : wxSTC_WRAP_NONE);
    SetWrapVisualFlags(enable ? wxSTC_WRAPVISUALFLAG_END : wxSTC_WRAPVISUALFLAG_NONE);
    SetWrapIndentMode(wxSTC_WRAPINDENT_INDENT);
}

} // namespace wxUtils
