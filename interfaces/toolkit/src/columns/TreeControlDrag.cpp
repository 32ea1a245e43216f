// Dragging the selected items onto or between rows. The tree only shows where
// they would land and asks its handlers; what a drop does is theirs.

#include <wxUtils/TreeControl.h>

#include <wx/dc.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include <algorithm>

namespace wxUtils
{

using detail::RowNode;

namespace
{

/// How long the pointer rests on a collapsed item before it opens.
constexpr int s_hoverExpandMilliseconds = 700;

} // namespace

bool TreeControl::beginRowDrag(RowNode* node)
{
    if (!m_draggingEnabled || !node->m_selected || m_editedItem)
        return false;
    TreeEvent begin(wxUTILS_EVT_TREE_BEGIN_DRAG, GetId());
    begin.SetEventObject(this);
    begin.SetItem(itemOf(node));
    ProcessWindowEvent(begin);
    return begin.IsAllowed();
}

TreeControl::DropPlace TreeControl::dropPlaceAt(const wxPoint& point) const
{
    DropPlace place;
    if (!m_root || m_root->m_weight == 0)
        return place;
    // Outside the window (the pointer is captured) counts as its nearest edge.
    const wxSize client = GetClientSize();
    const wxPoint inside(std::clamp(point.x, 0, std::max(client.x - 1, 0)),
                         std::clamp(point.y, getHeaderHeight(), std::max(client.y - 1, getHeaderHeight())));
    std::size_t row = 0;
    if (!hitTestRow(inside, row))
    {
        // Below the last row: at the end of the root's children.
        place.item = m_root;
        return place;
    }
    TreeItem* item = GetItemAtRow(row);
    const wxRect rect = getRowRect(row);
    const int offset = inside.y - rect.y;
    const int edge = std::max(rect.height / 4, 1);
    place.item = item;
    if (item == m_root)
        return place; // the root has no siblings
    if (offset < edge)
        place.position = TreeEvent::DropBefore;
    else if (offset >= rect.height - edge)
    {
        place.position = TreeEvent::DropAfter;
        // Below an open parent the line lies above its first child.
        if (item->m_expanded && hasShownChildren(item))
        {
            place.item = itemOf(item->children()->firstShown());
            place.position = TreeEvent::DropBefore;
        }
    }
    return place;
}

void TreeControl::dragRowsOver(const wxPoint& point, bool copy)
{
    const DropPlace place = dropPlaceAt(point);
    TreeItem* previous = itemOf(m_dropItem.get());
    // Outside the window the handlers are asked again at every move: the
    // place is the nearest edge, but what lies under the pointer (another
    // window that takes drops) may have changed.
    const bool inside = GetClientRect().Contains(point);
    if (inside && place.item == previous && place.position == m_dropPosition && copy == m_dropCopy)
        return;
    if (place.item != previous)
    {
        m_hoverTimer.Stop();
        if (place.item && !place.item->m_expanded && hasShownChildren(place.item))
            m_hoverTimer.StartOnce(s_hoverExpandMilliseconds);
    }
    m_dropItem.reset(this, place.item);
    m_dropPosition = place.position;
    m_dropCopy = copy;
    m_dropAllowed = false;
    m_dropRefusal.clear();
    if (place.item)
    {
        TreeEvent over(wxUTILS_EVT_TREE_DRAG_OVER, GetId());
        over.SetEventObject(this);
        over.SetItem(place.item);
        over.SetPoint(point);
        over.SetDropPosition(place.position);
        over.SetCopy(copy);
        ProcessWindowEvent(over);
        // A handler that destroyed the item has nothing to drop on.
        m_dropAllowed = over.IsAllowed() && m_dropItem.get();
        if (!over.IsAllowed())
            m_dropRefusal = over.GetLabel();
    }
    SetCursor(m_dropAllowed ? wxNullCursor : wxCursor(wxCURSOR_NO_ENTRY));
    rowsChanged();
}

void TreeControl::dropRows(const wxPoint& point, bool copy)
{
    dragRowsOver(point, copy);
    TreeItem* target = itemOf(m_dropItem.get());
    const bool allowed = m_dropAllowed;
    const TreeEvent::DropPosition position = m_dropPosition;
    endDrag();
    if (!target || !allowed)
        return;
    TreeEvent end(wxUTILS_EVT_TREE_END_DRAG, GetId());
    end.SetEventObject(this);
    end.SetItem(target);
    end.SetPoint(point);
    end.SetDropPosition(position);
    end.SetCopy(copy);
    ProcessWindowEvent(end);
}

void TreeControl::cancelRowDrag()
{
    endDrag();
}

void TreeControl::endDrag()
{
    m_hoverTimer.Stop();
    m_dropItem.reset(nullptr, nullptr);
    m_dropAllowed = false;
    m_dropRefusal.clear();
    SetCursor(wxNullCursor);
    rowsChanged();
}

void TreeControl::onHoverTimer(wxTimerEvent&)
{
    TreeItem* item = itemOf(m_dropItem.get());
    if (!isDraggingRows() || !item || item->m_expanded)
        return;
    item->Expand();
    // The rows under the pointer moved: where it would drop now.
    m_dropItem.reset(nullptr, nullptr);
    dragRowsOver(ScreenToClient(wxGetMousePosition()), m_dropCopy);
}

void TreeControl::paintOverlay(wxDC& dc)
{
    TreeItem* item = itemOf(m_dropItem.get());
    std::size_t row = 0;
    if (!isDraggingRows() || !item || !rowOfNode(nodeOf(item), row))
        return;
    const wxRect rect = getRowRect(row);
    const int left = getColumnLeft(0) + labelInset(item);
    const int right = std::max(GetClientSize().GetWidth() - getTextPadding(), left + FromDIP(40));
    if (m_dropAllowed)
    {
        const wxColour colour = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
        dc.SetPen(wxPen(colour, FromDIP(2)));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        if (m_dropPosition == TreeEvent::DropInto)
            dc.DrawRoundedRectangle(
                wxRect(left - getTextPadding(), rect.y + 1, right - left + getTextPadding(), rect.height - 2),
                FromDIP(3));
        else
        {
            const int y = m_dropPosition == TreeEvent::DropBefore ? rect.y : rect.GetBottom();
            dc.DrawLine(left, y, right, y);
            dc.SetBrush(wxBrush(colour));
            dc.DrawCircle(left, y, FromDIP(3));
        }
        if (m_dropCopy)
        {
            // A copy carries a plus beside the place it lands.
            const int size = FromDIP(5);
            const wxPoint centre(left - getTextPadding() - size - FromDIP(2), rect.y + rect.height / 2);
            dc.DrawLine(centre.x - size, centre.y, centre.x + size + 1, centre.y);
            dc.DrawLine(centre.x, centre.y - size, centre.x, centre.y + size + 1);
        }
        return;
    }
    if (m_dropRefusal.empty())
        return;
    // Why not, under the row the pointer is on, like a tooltip.
    const wxSize text = dc.GetTextExtent(m_dropRefusal);
    const int padding = getTextPadding();
    wxRect tip(left, rect.GetBottom() + FromDIP(4), text.x + 2 * padding, text.y + 2 * padding);
    if (tip.GetBottom() >= GetClientSize().GetHeight())
        tip.y = rect.y - tip.height - FromDIP(4);
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT)));
    dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK)));
    dc.DrawRectangle(tip);
    dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
    dc.DrawText(m_dropRefusal, tip.x + padding, tip.y + padding);
}

} // namespace wxUtils
