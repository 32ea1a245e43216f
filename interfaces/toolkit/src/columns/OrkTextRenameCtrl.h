#pragma once

#include <wx/textctrl.h>

namespace wxUtils
{

class OrkTextRenameCtrlOwner;

/// The in-place rename box. It reports exactly once, then hides and schedules
/// its own destruction, because it usually finishes inside one of its own
/// event handlers.
class OrkTextRenameCtrl : public wxTextCtrl
{
public:
    OrkTextRenameCtrl(wxWindow* parent, OrkTextRenameCtrlOwner* owner, const wxRect& rect, const wxString& text);

    /// Closes the box; does nothing when it has already closed.
    void finish(bool accept);
    bool isFinished() const { return m_finished; }
    /// Forgets the owner, which is going away; the box then reports nothing.
    void disown()
    {
        m_owner = nullptr;
        m_finished = true;
    }

private:
    void onEnter(wxCommandEvent& event);
    void onKeyDown(wxKeyEvent& event);
    void onKillFocus(wxFocusEvent& event);

    OrkTextRenameCtrlOwner* m_owner;
    bool m_finished = false;
};

} // namespace wxUtils
