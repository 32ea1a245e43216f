#include <wxUtils/OrkStaticText.h>

namespace wxUtils
{

OrkStaticText::OrkStaticText(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos,
                             const wxSize& size, long style, int wrapWidth, const wxString& name)
    : wxStaticText(parent, id, wxEmptyString, pos, size, style & ~0xFFFFL, name), m_wrapWidth(wrapWidth)
{
    // Attribute and member names may contain "&"; they are never mnemonics.
    SetLabelText(label);
    if (m_wrapWidth > 0)
        Wrap(FromDIP(m_wrapWidth));
}

} // namespace wxUtils
