#pragma once

#include <wxUtils/Export.h>

#include <wx/event.h>

namespace wxUtils
{

class TreeItem;

/// An event of TreeControl: the item concerned (null when none), the point
/// (client coordinates of the tree) and, for renames, the edited label; for
/// drags, where the items would land and whether they are to be copied.
/// Begin-rename and drag events may be vetoed (Veto()).
class DBUI_TOOLKIT_EXPORT TreeEvent : public wxNotifyEvent
{
public:
    /// Where dragged items would land, relative to the event's item.
    enum DropPosition
    {
        /// Into the item, as its children.
        DropInto,
        /// Beside it, before it among its siblings.
        DropBefore,
        /// Beside it, after it among its siblings.
        DropAfter,
    };

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

    ///@{
    /// For drag events: where the dragged items would land relative to GetItem().
    DropPosition GetDropPosition() const { return m_dropPosition; }
    void SetDropPosition(DropPosition position) { m_dropPosition = position; }
    ///@}
    ///@{
    /// For drag events: true when the items are to be copied (Ctrl is down), not moved.
    bool IsCopy() const { return m_copy; }
    void SetCopy(bool copy) { m_copy = copy; }
    ///@}

    /// A copy, for wxWidgets' queued events.
    wxEvent* Clone() const override { return new TreeEvent(*this); }

private:
    TreeItem* m_item = nullptr;
    wxPoint m_point;
    wxString m_label;
    DropPosition m_dropPosition = DropInto;
    bool m_copy = false;
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
/// The user started dragging the selected items; GetItem() is the item
/// pressed. Veto() keeps the drag from starting.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_TREE_BEGIN_DRAG, wxUtils::TreeEvent);
/// Dragged items hover where they would land: GetItem(), GetDropPosition(),
/// IsCopy(). Veto() refuses the place, and the tree shows the refusal
/// (with the text of SetLabel(), if any) instead of where they would land.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_TREE_DRAG_OVER, wxUtils::TreeEvent);
/// Dragged items were dropped on a place the last wxUTILS_EVT_TREE_DRAG_OVER
/// did not refuse; the handler does what the drop means (the tree moves nothing).
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxUTILS_EVT_TREE_END_DRAG, wxUtils::TreeEvent);
