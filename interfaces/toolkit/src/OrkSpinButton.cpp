#include <wxUtils/OrkSpinButton.h>

#include <wx/dcbuffer.h>
#include <wx/settings.h>

wxDEFINE_EVENT(wxUTILS_EVT_SPIN_BEGIN_DRAG, wxCommandEvent);
wxDEFINE_EVENT(wxUTILS_EVT_SPIN_END_DRAG, wxCommandEvent);
wxDEFINE_EVENT(wxUTILS_EVT_SPIN_INCREMENT, wxCommandEvent);
wxDEFINE_EVENT(wxUTILS_EVT_SPIN_DECREMENT, wxCommandEvent);
wxDEFINE_EVENT(wxUTILS_EVT_SPIN_CANCELLED, wxCommandEvent);

namespace wxUtils
{

namespace
{
// Like the platform's own spin buttons: a pause before repeating, then a
// steady rate.
const int s_firstRepeatMs = 400;
const int s_repeatMs = 60;
const int s_dragStartPixels = 3;
const int s_dragStepPixels = 4;
} // namespace

OrkSpinButton::OrkSpinButton(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                             const wxString& name)
    : OrkWindow(parent, id, pos, size, style | wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE, name), m_repeat(this)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &OrkSpinButton::onPaint, this);
    Bind(wxEVT_LEFT_DOWN, &OrkSpinButton::onLeftDown, this);
    Bind(wxEVT_LEFT_DCLICK, &OrkSpinButton::onLeftDown, this);
    Bind(wxEVT_LEFT_UP, &OrkSpinButton::onLeftUp, this);
    Bind(wxEVT_MOTION, &OrkSpinButton::onMotion, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &OrkSpinButton::onCaptureLost, this);
    Bind(wxEVT_KEY_DOWN, &OrkSpinButton::onKeyDown, this);
    Bind(wxEVT_TIMER, &OrkSpinButton::onRepeat, this, m_repeat.GetId());
    SetCursor(wxCursor(wxCURSOR_SIZENS));
}

OrkSpinButton::~OrkSpinButton()
{
    m_repeat.Stop();
    if (HasCapture())
        ReleaseMouse();
}

int OrkSpinButton::getDragStep()
{
    return s_dragStepPixels;
}

wxSize OrkSpinButton::DoGetBestClientSize() const
{
    return FromDIP(wxSize(18, 24));
}

OrkSpinButton::Arrow OrkSpinButton::arrowAt(const wxPoint& point) const
{
    const wxSize size = GetClientSize();
    if (point.x < 0 || point.x >= size.x || point.y < 0 || point.y >= size.y)
        return Arrow::None;
    return point.y < size.y / 2 ? Arrow::Up : Arrow::Down;
}

void OrkSpinButton::send(wxEventType type)
{
    wxCommandEvent event(type, GetId());
    event.SetEventObject(this);
    ProcessWindowEvent(event);
}

void OrkSpinButton::step(Arrow arrow)
{
    send(arrow == Arrow::Up ? wxUTILS_EVT_SPIN_INCREMENT : wxUTILS_EVT_SPIN_DECREMENT);
}

void OrkSpinButton::finish(wxEventType type)
{
    m_repeat.Stop();
    m_gesture = Gesture::None;
    m_pressed = Arrow::None;
    // Release before telling anyone: a handler may open a dialog or move the
    // focus, and must not find the mouse still captured.
    if (HasCapture())
        ReleaseMouse();
    Refresh();
    send(type);
}

void OrkSpinButton::onLeftDown(wxMouseEvent& event)
{
    if (m_gesture != Gesture::None || !IsEnabled())
        return;
    const Arrow arrow = arrowAt(event.GetPosition());
    if (arrow == Arrow::None)
        return;
    // Take the focus so that Escape reaches us during the gesture; leaving
    // the text box beside us also applies whatever was typed there first.
    SetFocus();
    m_gesture = Gesture::Holding;
    m_pressed = arrow;
    m_anchorY = event.GetPosition().y;
    CaptureMouse();
    Refresh();
    send(wxUTILS_EVT_SPIN_BEGIN_DRAG);
    if (m_gesture == Gesture::None)
        return; // a handler cancelled the gesture
    step(arrow);
    if (m_gesture == Gesture::Holding)
        m_repeat.StartOnce(s_firstRepeatMs);
}

void OrkSpinButton::onMotion(wxMouseEvent& event)
{
    if (m_gesture == Gesture::None)
        return;
    const int y = event.GetPosition().y;
    if (m_gesture == Gesture::Holding)
    {
        if (std::abs(y - m_anchorY) < s_dragStartPixels)
            return;
        // The user is dragging, not holding: distance decides from now on.
        m_repeat.Stop();
        m_gesture = Gesture::Dragging;
        m_pressed = Arrow::None;
        Refresh();
    }
    while (m_gesture == Gesture::Dragging && m_anchorY - y >= s_dragStepPixels)
    {
        m_anchorY -= s_dragStepPixels;
        step(Arrow::Up);
    }
    while (m_gesture == Gesture::Dragging && y - m_anchorY >= s_dragStepPixels)
    {
        m_anchorY += s_dragStepPixels;
        step(Arrow::Down);
    }
}

void OrkSpinButton::onLeftUp(wxMouseEvent&)
{
    if (m_gesture != Gesture::None)
        finish(wxUTILS_EVT_SPIN_END_DRAG);
}

void OrkSpinButton::onCaptureLost(wxMouseCaptureLostEvent&)
{
    if (m_gesture != Gesture::None)
        finish(wxUTILS_EVT_SPIN_CANCELLED);
}

void OrkSpinButton::onKeyDown(wxKeyEvent& event)
{
    if (m_gesture != Gesture::None && event.GetKeyCode() == WXK_ESCAPE)
    {
        finish(wxUTILS_EVT_SPIN_CANCELLED);
        return;
    }
    event.Skip();
}

void OrkSpinButton::onRepeat(wxTimerEvent&)
{
    if (m_gesture != Gesture::Holding)
        return;
    // Repeat only while the pointer stays on the arrow it pressed, like a
    // scroll bar arrow.
    if (arrowAt(ScreenToClient(wxGetMousePosition())) == m_pressed)
        step(m_pressed);
    if (m_gesture == Gesture::Holding)
        m_repeat.StartOnce(s_repeatMs);
}

void OrkSpinButton::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    dc.SetBackground(wxBrush(GetParent() ? GetParent()->GetBackgroundColour() : GetBackgroundColour()));
    dc.Clear();

    // Drawn like the entry beside it: one rounded frame split in two, the
    // pressed half shaded. GTK's own button drawing is too heavy at this size.
    const int half = size.y / 2;
    const wxRect upper(0, 0, size.x, half);
    const wxRect lower(0, half, size.x, size.y - half);
    const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    const wxColour frame = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    const wxColour pressed = face.ChangeLightness(85);
    dc.SetPen(wxPen(frame));
    dc.SetBrush(wxBrush(face));
    dc.DrawRoundedRectangle(0, 0, size.x, size.y, FromDIP(3));
    if (m_pressed != Arrow::None)
    {
        wxRect r = m_pressed == Arrow::Up ? upper : lower;
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(pressed));
        dc.DrawRectangle(r.Deflate(1));
    }
    dc.SetPen(wxPen(frame));
    dc.DrawLine(1, half, size.x - 1, half);

    const wxColour ink = IsEnabled() ? wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT)
                                     : wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(ink));
    const int w = std::max(2, std::min(size.x, half) / 4);
    auto triangle = [&](const wxRect& r, bool up)
    {
        const wxPoint c(r.x + r.width / 2, r.y + r.height / 2);
        const int h = std::max(1, w / 2 + 1);
        wxPoint points[3];
        if (up)
        {
            points[0] = wxPoint(c.x - w, c.y + h / 2 + 1);
            points[1] = wxPoint(c.x + w, c.y + h / 2 + 1);
            points[2] = wxPoint(c.x, c.y - h / 2 - 1);
        }
        else
        {
            points[0] = wxPoint(c.x - w, c.y - h / 2 - 1);
            points[1] = wxPoint(c.x + w, c.y - h / 2 - 1);
            points[2] = wxPoint(c.x, c.y + h / 2 + 1);
        }
        dc.DrawPolygon(3, points);
    };
    triangle(upper, true);
    triangle(lower, false);
}

} // namespace wxUtils
