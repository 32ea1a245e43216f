#include <wxUtils/OrkSimpleTextCtrl.h>

#include <Tarn/Tarn.h>

wxDEFINE_EVENT(wxEVT_CHILD_KILL_FOCUS, wxChildFocusEvent);

namespace wxUtils
{

namespace
{
const long s_orkBits = 0xFFFF;
}

// Only the wxWidgets half of the style reaches the native control: the low
// bits mean something else to wxTextCtrl (0x10 would make it read-only).
long OrkSimpleTextCtrl::nativeStyle(long style)
{
    long native = (style & ~s_orkBits) | wxTE_PROCESS_ENTER;
    if (style & StyleReadOnly)
        native |= wxTE_READONLY;
    if (style & StyleMultiLine)
        native |= wxTE_MULTILINE;
    return native;
}

OrkSimpleTextCtrl::OrkSimpleTextCtrl(wxWindow* parent, wxWindowID id, const wxString& value, const wxPoint& pos,
                                     const wxSize& size, long style, const wxValidator& validator, const wxString& name)
    : wxTextCtrl(parent, id, value, pos, size, nativeStyle(style), validator, name), m_orkStyle(style)
{
    Bind(wxEVT_KILL_FOCUS, &OrkSimpleTextCtrl::onKillFocus, this);
    Bind(wxEVT_SET_FOCUS, &OrkSimpleTextCtrl::onSetFocus, this);
}

void OrkSimpleTextCtrl::setText(const wxString& text)
{
    ChangeValue(text);
    DiscardEdits();
}

void OrkSimpleTextCtrl::clear()
{
    ChangeValue(wxEmptyString);
    DiscardEdits();
}

void OrkSimpleTextCtrl::SetWindowStyleFlag(long style)
{
    m_orkStyle = style;
    wxTextCtrl::SetWindowStyleFlag(nativeStyle(style));
    SetEditable(!(style & StyleReadOnly));
}

long OrkSimpleTextCtrl::GetWindowStyleFlag() const
{
    return (wxTextCtrl::GetWindowStyleFlag() & ~s_orkBits) | (m_orkStyle & s_orkBits);
}

void OrkSimpleTextCtrl::setIsIndeterminate(bool indeterminate)
{
    if (indeterminate == m_indeterminate)
        return;
    m_indeterminate = indeterminate;
    applyLook();
}

void OrkSimpleTextCtrl::applyLook()
{
    // The hint is drawn by GTK only while the box is empty, and GetValue()
    // never returns it: the box can say "mixed" without holding that text.
    // A box of several lines has no native hint (wxWidgets would write it in
    // as grey text): its colour alone says "mixed".
    if (!IsMultiLine())
        SetHint(m_indeterminate ? wxString("mixed") : wxString());
    if (m_indeterminate)
        SetBackgroundColour(gTarn.getColourManager().getActiveScheme().mixedBackground);
    else
        SetBackgroundColour(wxNullColour);
    // wxGTK also makes the colour the default style of text typed into a box
    // of several lines: the box's colour is enough.
    if (IsMultiLine())
        SetDefaultStyle(wxTextAttr());
    Refresh();
}

void OrkSimpleTextCtrl::onActiveColourSchemeChanged()
{
    if (m_indeterminate)
        applyLook();
}

void OrkSimpleTextCtrl::onKillFocus(wxFocusEvent& event)
{
    event.Skip();
    wxWindow* parent = GetParent();
    if (!parent)
        return;
    auto* notice = new wxChildFocusEvent(this);
    notice->SetEventType(wxEVT_CHILD_KILL_FOCUS);
    notice->SetId(GetId());
    notice->SetEventObject(this);
    parent->GetEventHandler()->QueueEvent(notice);
}

void OrkSimpleTextCtrl::onSetFocus(wxFocusEvent& event)
{
    event.Skip();
    if (hasOrkStyle(StyleSelectAllOnFocus))
    {
        // After GTK has placed the caret for the click that focused the box.
        CallAfter([this] { SelectAll(); });
    }
}

} // namespace wxUtils
