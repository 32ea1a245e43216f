#pragma once

#include <wxUtils/Export.h>

#include <wx/event.h>

namespace wxUtils
{

/// What a click on an OrkCheckBox did. getState() is the state the box had
/// when the user clicked it (0 unchecked, 1 checked, 2 mixed): a handler that
/// wants the value the user asked for maps 0 and 2 to true and 1 to false.
class DBUI_TOOLKIT_EXPORT OrkCheckBoxEvent : public wxCommandEvent
{
public:
    /// An event of `type` from the box with `id`, the states before and after the click.
    OrkCheckBoxEvent(wxEventType type = wxEVT_NULL, int id = 0, int previousState = 0, int newState = 0);

    /// The state before the click.
    int getState() const { return m_previousState; }
    /// The state the box shows now (0 or 1: users cannot choose mixed).
    int getNewState() const { return m_newState; }
    /// True when the box shows a tick now.
    bool isChecked() const { return m_newState == 1; }

    /// A copy, for wxWidgets' queued events.
    wxEvent* Clone() const override { return new OrkCheckBoxEvent(*this); }

private:
    int m_previousState;
    int m_newState;
};

using OrkCheckBoxEventFunction = void (wxEvtHandler::*)(OrkCheckBoxEvent&);

} // namespace wxUtils

/// Sent by OrkCheckBox when the user toggles it; never by setState or setChecked.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_CHECKBOX_CHANGED, wxUtils::OrkCheckBoxEvent);

/// Casts a handler method for Connect:
/// `Connect(id, wxUTILS_EVT_CHECKBOX_CHANGED, wxUTILS_CHECKBOX_EVENT_HANDLER(Cls::onCheck))`.
#define wxUTILS_CHECKBOX_EVENT_HANDLER(func) wxEVENT_HANDLER_CAST(wxUtils::OrkCheckBoxEventFunction, func)
