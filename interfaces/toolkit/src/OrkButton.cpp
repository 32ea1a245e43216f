#include <wxUtils/OrkButton.h>

#include <wx/button.h>
#include <wx/sizer.h>

namespace wxUtils
{

OrkButton::OrkButton(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos, const wxSize& size,
                     long style, const wxString& name)
    : OrkWindow(parent, id, pos, size, style & ~0xFFFFL, name)
{
    m_button = new wxButton(this, GetId(), label);
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    sizer->Add(m_button, 1, wxEXPAND);
    SetSizer(sizer);
    if (size != wxDefaultSize)
        SetMinSize(size);
    m_button->Bind(wxEVT_BUTTON, &OrkButton::onNativeClick, this);
}

void OrkButton::onNativeClick(wxCommandEvent& event)
{
    // Handlers look at the event object to find the button's user data: it
    // must be this window, not the native button inside it.
    event.SetEventObject(this);
    event.SetId(GetId());
    event.Skip();
}

wxString OrkButton::getLabel() const
{
    return m_button->GetLabel();
}

void OrkButton::setLabel(const wxString& label)
{
    m_button->SetLabel(label);
    InvalidateBestSize();
}

} // namespace wxUtils
