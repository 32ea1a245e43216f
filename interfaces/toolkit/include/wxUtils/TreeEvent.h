#pragma once

#include <wxUtils/Export.h>

#include <wx/event.h>

namespace wxUtils
{

class TreeItem;

/// An event of TreeControl: the item concerned (null when none), the point
/// (client coordinates of the tree) and, for renames, the edited label.
/// Begin-rename events may be vetoed (Veto()) to keep the label as it is.
class DBUI_TOOLKIT_EXPORT TreeEvent : public wxNotifyEvent
{
public:
    /// An event of `type` from the tree with `id`, about no item yet.
    TreeEvent(wxEventType type = wxEVT_NULL, int id = 0);

    ///@{
    /// The item concerned, or null.
    TreeItem* GetItem() const { return m_item; }
    void SetItem(TreeItem* item) { m_item = item; }
    ///@}
    ///@{
    /// Where it happened, in client coordinates of the tree.
    const wxPoint& GetPoint() const { return m_point; }
    void SetPoint(const wxPoint& point) { m_point = point; }
    ///@}
    ///@{
    /// The label typed by the user, for end-rename events.
    const wxString& GetLabel() const { return m_label; }
    void SetLabel(const wxString& label) { m_label = label; }
    ///@}

    /// A copy, for wxWidgets' queued events.
    wxEvent* Clone() const override { return new TreeEvent(*this); }

private:
    TreeItem* m_item = nullptr;
    wxPoint m_point;
    wxString m_label;
};

using TreeEventFunction = void (wxEvtHandler::*)(TreeEvent&);

} // namespace wxUtils

/// Casts a handler method for Connect:
/// `Connect(wxID_ANY, wxUTILS_EVT_TREE_SEL_CHANGED, wxUTILS_TREE_EVENT_HANDLER(Cls::onSel))`.
#define wxUTILS_TREE_EVENT_HANDLER(func) wxEVENT_HANDLER_CAST(wxUtils::TreeEventFunction, func)

/// The selection changed (by the user or by Select); GetItem() is the focused item.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_TREE_SEL_CHANGED, wxUtils::TreeEvent);
/// Right click or the menu key; GetItem() is null below the last item.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_TREE_ITEM_CONTEXT_MENU, wxUtils::TreeEvent);
/// A rename in place is about to start; Veto() keeps it from starting.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_TREE_BEGIN_LABEL_EDIT, wxUtils::TreeEvent);
/// A rename in place was accepted with a changed label (GetLabel()). A handler
/// that processes the event decides what happens to the item's label; when no
/// handler does, the tree takes the new label itself. Cancelled or unchanged
/// renames send nothing.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_TREE_END_LABEL_EDIT, wxUtils::TreeEvent);
/// Double click or Enter on an item.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_TREE_ITEM_ACTIVATED, wxUtils::TreeEvent);
