#include <wxUtils/OrkCheckBox.h>

wxDEFINE_EVENT(wxUTILS_EVT_CHECKBOX_CHANGED, wxUtils::OrkCheckBoxEvent);

namespace wxUtils
{

OrkCheckBoxEvent::OrkCheckBoxEvent(wxEventType type, int id, int previousState, int newState)
    : wxCommandEvent(type, id), m_previousState(previousState), m_newState(newState)
{
    SetInt(newState);
}

// The low style bits are the toolkit's; the native box is always a
// three-state one so that the mixed state can be shown, but users can only
// choose checked or unchecked.
OrkCheckBox::OrkCheckBox(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos, const wxSize& size,
                         long style, const wxString& name)
    : wxCheckBox(parent, id, label, pos, size,
                 (style & ~0xFFFFL) | wxCHK_3STATE | ((style & StyleLabelLeft) ? static_cast<long>(wxALIGN_RIGHT) : 0L),
                 wxDefaultValidator, name),
      m_orkStyle(style)
{
    Bind(wxEVT_CHECKBOX, &OrkCheckBox::onNativeClick, this);
}

void OrkCheckBox::setState(int state)
{
    wxASSERT_MSG(state >= Unchecked && state <= Mixed, "OrkCheckBox states are 0, 1 and 2");
    if (state < Unchecked || state > Mixed)
        state = Unchecked;
    wxASSERT_MSG(state != Mixed || (m_orkStyle & StyleAllowMixed),
                 "create the check box with StyleAllowMixed (0x10) to show the mixed state");
    m_state = state;
    Set3StateValue(state == Checked ? wxCHK_CHECKED : state == Mixed ? wxCHK_UNDETERMINED : wxCHK_UNCHECKED);
}

void OrkCheckBox::onNativeClick(wxCommandEvent&)
{
    // Decide from our own record, not from what GTK made of the click: a
    // mixed box must become checked, whatever the native cycle would do.
    const int previous = m_state;
    const int next = previous == Checked ? Unchecked : Checked;
    setState(next);
    OrkCheckBoxEvent event(wxUTILS_EVT_CHECKBOX_CHANGED, GetId(), previous, next);
    event.SetEventObject(this);
    ProcessWindowEvent(event);
}

} // namespace wxUtils
