#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkWindow.h>

#include <wx/timer.h>

/// The gesture events of OrkSpinButton, all wxCommandEvents with the button's
/// id. Every gesture is BEGIN_DRAG, then any number of INCREMENT and
/// DECREMENT, then END_DRAG, or CANCELLED when the user pressed Escape or the
/// mouse capture was taken away.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_SPIN_BEGIN_DRAG, wxCommandEvent);
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_SPIN_END_DRAG, wxCommandEvent);
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_SPIN_INCREMENT, wxCommandEvent);
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_SPIN_DECREMENT, wxCommandEvent);
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_SPIN_CANCELLED, wxCommandEvent);

namespace wxUtils
{

/// Two arrows, one above the other. Clicking an arrow steps once, holding it
/// repeats, and dragging vertically steps once per few pixels (up increments).
class DBUI_TOOLKIT_EXPORT OrkSpinButton : public OrkWindow
{
public:
    /// The two arrows; events carry `id` and the button as their object.
    OrkSpinButton(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                  const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = "OrkSpinButton");
    ~OrkSpinButton() override;

    /// True between begin-drag and end-drag or cancelled.
    bool isDragging() const { return m_gesture != Gesture::None; }

    /// Pixels of vertical mouse travel per step while dragging.
    static int getDragStep();

    /// False: the arrows are for the mouse, Tab passes over them.
    bool AcceptsFocusFromKeyboard() const override { return false; }

protected:
    /// 18 by 24 pixels at 96 DPI: narrow, and about as tall as a text box beside it.
    wxSize DoGetBestClientSize() const override;

private:
    enum class Gesture
    {
        None,
        Holding,  // pressed on an arrow, not moved far yet: repeats
        Dragging, // moved vertically: steps by distance
    };
    enum class Arrow
    {
        None,
        Up,
        Down,
    };

    void onPaint(wxPaintEvent& event);
    void onLeftDown(wxMouseEvent& event);
    void onLeftUp(wxMouseEvent& event);
    void onMotion(wxMouseEvent& event);
    void onCaptureLost(wxMouseCaptureLostEvent& event);
    void onKeyDown(wxKeyEvent& event);
    void onRepeat(wxTimerEvent& event);

    Arrow arrowAt(const wxPoint& point) const;
    void send(wxEventType type);
    void step(Arrow arrow);
    void finish(wxEventType type);

    Gesture m_gesture = Gesture::None;
    Arrow m_pressed = Arrow::None;
    int m_anchorY = 0;
    wxTimer m_repeat;
};

} // namespace wxUtils
