#include "OrkTextRenameCtrl.h"

#include <wxUtils/OrkTextRenameCtrlOwner.h>

#include <wx/app.h>

namespace wxUtils
{

OrkTextRenameCtrl::OrkTextRenameCtrl(wxWindow* parent, OrkTextRenameCtrlOwner* owner, const wxRect& rect,
                                     const wxString& text)
    : wxTextCtrl(parent, wxID_ANY, text, rect.GetPosition(), rect.GetSize(), wxTE_PROCESS_ENTER | wxBORDER_SIMPLE),
      m_owner(owner)
{
    Bind(wxEVT_TEXT_ENTER, &OrkTextRenameCtrl::onEnter, this);
    Bind(wxEVT_KEY_DOWN, &OrkTextRenameCtrl::onKeyDown, this);
    Bind(wxEVT_KILL_FOCUS, &OrkTextRenameCtrl::onKillFocus, this);
    SelectAll();
}

void OrkTextRenameCtrl::finish(bool accept)
{
    if (m_finished || !m_owner)
        return;
    m_finished = true;
    const wxString text = GetValue();
    Hide();
    // The owner may give the focus back to the control, which would otherwise
    // arrive here as a second, late kill-focus.
    Unbind(wxEVT_KILL_FOCUS, &OrkTextRenameCtrl::onKillFocus, this);
    if (wxTheApp)
        wxTheApp->ScheduleForDestruction(this);
    m_owner->onTextRenameFinished(text, !accept);
}

void OrkTextRenameCtrl::onEnter(wxCommandEvent&)
{
    finish(true);
}

void OrkTextRenameCtrl::onKeyDown(wxKeyEvent& event)
{
    if (event.GetKeyCode() == WXK_ESCAPE)
    {
        finish(false);
        return;
    }
    event.Skip();
}

void OrkTextRenameCtrl::onKillFocus(wxFocusEvent& event)
{
    event.Skip();
    finish(true);
}

} // namespace wxUtils
