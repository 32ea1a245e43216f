#pragma once

#include <wxUtils/Export.h>

#include <wx/event.h>

namespace wxUtils
{

class OrkListItem_;

/// An event of OrkListControl: the row concerned (null when none), the point
/// (client coordinates of the list) and, for key events, the key.
class DBUI_TOOLKIT_EXPORT OrkListEvent : public wxNotifyEvent
{
public:
    /// An event of `type` from the list with `id`, about no row yet.
    OrkListEvent(wxEventType type = wxEVT_NULL, int id = 0);

    ///@{
    /// The row concerned, or null.
    OrkListItem_* getItem() const { return m_item; }
    void setItem(OrkListItem_* item) { m_item = item; }
    ///@}
    ///@{
    /// Position of the row in the list, -1 when there is no row.
    int getIndex() const { return m_index; }
    void setIndex(int index) { m_index = index; }
    ///@}
    ///@{
    /// Where it happened, in client coordinates of the list.
    const wxPoint& getPoint() const { return m_point; }
    void setPoint(const wxPoint& point) { m_point = point; }
    ///@}
    /// The key of a key event, as wxKeyEvent::GetKeyCode gives it.
    int getKeyCode() const { return m_keyEvent.GetKeyCode(); }
    ///@{
    /// The whole key event, modifiers included.
    const wxKeyEvent& getKeyEvent() const { return m_keyEvent; }
    void setKeyEvent(const wxKeyEvent& event) { m_keyEvent = event; }
    ///@}

    /// A copy, for wxWidgets' queued events.
    wxEvent* Clone() const override { return new OrkListEvent(*this); }

private:
    OrkListItem_* m_item = nullptr;
    int m_index = -1;
    wxPoint m_point;
    wxKeyEvent m_keyEvent;
};

using OrkListEventFunction = void (wxEvtHandler::*)(OrkListEvent&);

} // namespace wxUtils

/// Casts a handler method for Connect:
/// `Connect(id, wxUTILS_EVT_LC_KEY_DOWN, wxUTILS_LIST_EVENT_HANDLER(Cls::onKey))`.
#define wxUTILS_LIST_EVENT_HANDLER(func) wxEVENT_HANDLER_CAST(wxUtils::OrkListEventFunction, func)

/// A key was pressed in the list. Unless a handler processes it (without
/// calling Skip), the list then uses the key for navigation.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_LC_KEY_DOWN, wxUtils::OrkListEvent);
/// Right click or the menu key; getItem() is null below the last row.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_LC_ITEM_CONTEXT_MENU, wxUtils::OrkListEvent);
/// The selection changed through the user.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_LC_SELECTION_CHANGED, wxUtils::OrkListEvent);
/// Double click or Enter on a row.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_LC_ITEM_ACTIVATED, wxUtils::OrkListEvent);
