#include <wxUtils/OrkColumnWindow.h>

#include "OrkTextRenameCtrl.h"

#include <wxUtils/OrkTextRenameCtrlOwner.h>

#include <wx/dcclient.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace wxUtils
{

using detail::RowNode;

namespace
{

// Relays the rename box's verdict, so that the engine forgets the box before
// the control's handler runs (which may open a new one or delete rows).
class RenameRelay : public OrkTextRenameCtrlOwner
{
public:
    RenameRelay(OrkTextRenameCtrl** slot, OrkTextRenameCtrlOwner* target) : m_slot(slot), m_target(target) {}

    void onTextRenameFinished(const wxString& text, bool cancelled) override
    {
        *m_slot = nullptr;
        m_target->onTextRenameFinished(text, cancelled);
    }

private:
    OrkTextRenameCtrl** m_slot;
    OrkTextRenameCtrlOwner* m_target;
};

} // namespace

// ---------------------------------------------------------------------------
// Creation
// ---------------------------------------------------------------------------

OrkColumnWindow::OrkColumnWindow()
{
    init();
}

OrkColumnWindow::OrkColumnWindow(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                                 const wxString& name)
{
    init();
    Create(parent, id, pos, size, style, name);
}

OrkColumnWindow::~OrkColumnWindow()
{
    for (detail::RowHandle* handle : m_rowHandles)
    {
        handle->m_window = nullptr;
        handle->m_node = nullptr;
    }
    if (HasCapture())
        ReleaseMouse();
    // The derived control is already gone: the box must not report to it.
    // wxWidgets destroys the box with the other children.
    if (m_renameCtrl)
        m_renameCtrl->disown();
}

void OrkColumnWindow::init()
{
}

bool OrkColumnWindow::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                             const wxString& name)
{
    if (!OrkPanel::Create(parent, id, pos, size, style | wxVSCROLL | wxHSCROLL | wxFULL_REPAINT_ON_RESIZE, name))
        return false;
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_renameTimer.SetOwner(this);
    m_dragTimer.SetOwner(this);
    updateMetrics();
    connectEvents();
    return true;
}

void OrkColumnWindow::connectEvents()
{
    Bind(wxEVT_PAINT, &OrkColumnWindow::onPaint, this);
    Bind(wxEVT_SIZE, &OrkColumnWindow::onSize, this);
    for (const auto type :
         {wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM, wxEVT_SCROLLWIN_LINEUP, wxEVT_SCROLLWIN_LINEDOWN,
          wxEVT_SCROLLWIN_PAGEUP, wxEVT_SCROLLWIN_PAGEDOWN, wxEVT_SCROLLWIN_THUMBTRACK, wxEVT_SCROLLWIN_THUMBRELEASE})
        Bind(type, &OrkColumnWindow::onScrollWin, this);
    Bind(wxEVT_MOUSEWHEEL, &OrkColumnWindow::onMouseWheel, this);
    Bind(wxEVT_LEFT_DOWN, &OrkColumnWindow::onLeftDown, this);
    Bind(wxEVT_LEFT_UP, &OrkColumnWindow::onLeftUp, this);
    Bind(wxEVT_LEFT_DCLICK, &OrkColumnWindow::onLeftDClick, this);
    Bind(wxEVT_RIGHT_DOWN, &OrkColumnWindow::onRightDown, this);
    Bind(wxEVT_MOTION, &OrkColumnWindow::onMotion, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &OrkColumnWindow::onCaptureLost, this);
    Bind(wxEVT_KEY_DOWN, &OrkColumnWindow::onKeyDown, this);
    Bind(wxEVT_CONTEXT_MENU, &OrkColumnWindow::onContextMenu, this);
    Bind(wxEVT_SET_FOCUS, &OrkColumnWindow::onFocus, this);
    Bind(wxEVT_KILL_FOCUS, &OrkColumnWindow::onFocus, this);
    Bind(wxEVT_TIMER, &OrkColumnWindow::onRenameTimer, this, m_renameTimer.GetId());
    Bind(wxEVT_TIMER, &OrkColumnWindow::onDragTimer, this, m_dragTimer.GetId());
    Bind(wxEVT_SYS_COLOUR_CHANGED, &OrkColumnWindow::onSysColourChanged, this);
    Bind(wxEVT_DPI_CHANGED, &OrkColumnWindow::onDpiChanged, this);
    Bind(wxEVT_IDLE,
         [this](wxIdleEvent& event)
         {
             event.Skip();
             if (m_scrollbarsDirty)
                 updateScrollbars();
         });
}

void OrkColumnWindow::updateMetrics()
{
    m_padding = FromDIP(4);
    const int imageRoom = FromDIP(16) + FromDIP(2);
    m_rowHeight = std::max(GetCharHeight() + FromDIP(6), imageRoom);
    m_headerHeight = wxRendererNative::Get().GetHeaderButtonHeight(this);
    m_scrollbarsDirty = true;
}

wxSize OrkColumnWindow::DoGetBestSize() const
{
    return FromDIP(wxSize(240, 160));
}

// ---------------------------------------------------------------------------
// Columns
// ---------------------------------------------------------------------------

void OrkColumnWindow::addColumn(unsigned int index, const wxString& title, int width)
{
    if (index >= m_columns.size())
        m_columns.resize(index + 1);
    m_columns[index].m_title = title;
    if (width < 0)
        width = std::max(FromDIP(80), GetTextExtent(title).GetWidth() + 4 * m_padding);
    m_columns[index].m_width = width;
    m_scrollbarsDirty = true;
    repaint();
}

wxString OrkColumnWindow::getColumnTitle(unsigned int index) const
{
    return index < m_columns.size() ? m_columns[index].m_title : wxString();
}

int OrkColumnWindow::getColumnWidth(unsigned int index) const
{
    if (index >= m_columns.size())
        return 0;
    if (static_cast<int>(index) != m_stretchColumn)
        return m_columns[index].m_width;
    int others = 0;
    for (unsigned int c = 0; c < m_columns.size(); ++c)
        if (c != index)
            others += m_columns[c].m_width;
    return std::max(m_columns[index].m_width, GetClientSize().GetWidth() - others);
}

void OrkColumnWindow::setColumnWidth(unsigned int index, int width)
{
    wxASSERT_MSG(index < m_columns.size(), "setColumnWidth on a column that was never added");
    if (index >= m_columns.size())
        return;
    m_columns[index].m_width = std::max(width, FromDIP(8));
    m_scrollbarsDirty = true;
    repaint();
}

void OrkColumnWindow::setStretchColumn(int index)
{
    m_stretchColumn = index;
    m_scrollbarsDirty = true;
    repaint();
}

void OrkColumnWindow::showColumnHeader(bool show)
{
    if (m_headerShown == show)
        return;
    m_headerShown = show;
    m_scrollbarsDirty = true;
    repaint();
}

int OrkColumnWindow::getColumnLeft(unsigned int index) const
{
    int x = -m_scrollX;
    for (unsigned int c = 0; c < index && c < m_columns.size(); ++c)
        x += getColumnWidth(c);
    return x;
}

int OrkColumnWindow::totalColumnsWidth() const
{
    int total = 0;
    for (unsigned int c = 0; c < m_columns.size(); ++c)
        total += getColumnWidth(c);
    return total;
}

int OrkColumnWindow::columnBorderAt(int x) const
{
    const int grip = FromDIP(4);
    int right = -m_scrollX;
    for (unsigned int c = 0; c < m_columns.size(); ++c)
    {
        right += getColumnWidth(c);
        if (std::abs(x - right) <= grip)
            return static_cast<int>(c);
    }
    return -1;
}

// ---------------------------------------------------------------------------
// Rows and scrolling
// ---------------------------------------------------------------------------

std::size_t OrkColumnWindow::getVisibleRowCapacity() const
{
    const int height = GetClientSize().GetHeight() - getHeaderHeight();
    return height > 0 ? static_cast<std::size_t>(height / m_rowHeight) : 0;
}

bool OrkColumnWindow::hitTestRow(const wxPoint& point, std::size_t& row) const
{
    const int y = point.y - getHeaderHeight();
    if (y < 0 || point.x < 0 || point.x >= GetClientSize().GetWidth())
        return false;
    const std::size_t candidate = m_firstRow + static_cast<std::size_t>(y / m_rowHeight);
    if (candidate >= getRowCount())
        return false;
    row = candidate;
    return true;
}

wxRect OrkColumnWindow::getRowRect(std::size_t row) const
{
    const long offset = static_cast<long>(row) - static_cast<long>(m_firstRow);
    const int width = std::max(totalColumnsWidth(), GetClientSize().GetWidth());
    return wxRect(-m_scrollX, getHeaderHeight() + static_cast<int>(offset) * m_rowHeight, width, m_rowHeight);
}

void OrkColumnWindow::rowsChanged()
{
    m_scrollbarsDirty = true;
    // Filling a control makes one call per row; invalidating the window each
    // time costs more than the row itself, and one pending repaint covers all.
    repaint();
}

void OrkColumnWindow::repaint()
{
    // Controls are filled before Create too (an image list, say); there is
    // nothing to paint yet.
    if (!GetHandle())
        return;
    if (!m_refreshPending)
    {
        m_refreshPending = true;
        Refresh();
    }
}

void OrkColumnWindow::ensureRowVisible(std::size_t row)
{
    // Before the first layout there is no room to reason about; scrolling
    // then would hide the top rows for good.
    if (GetClientSize().GetHeight() <= getHeaderHeight())
        return;
    const std::size_t capacity = std::max<std::size_t>(getVisibleRowCapacity(), 1);
    if (row < m_firstRow)
        scrollToRow(row);
    else if (row >= m_firstRow + capacity)
        scrollToRow(row - capacity + 1);
}

void OrkColumnWindow::scrollToRow(std::size_t row)
{
    const std::size_t count = getRowCount();
    const std::size_t capacity = getVisibleRowCapacity();
    const std::size_t maxFirst = count > capacity ? count - capacity : 0;
    row = std::min(row, maxFirst);
    if (row == m_firstRow)
        return;
    if (m_renameCtrl)
        endRename(true);
    m_firstRow = row;
    SetScrollPos(wxVERTICAL, static_cast<int>(m_firstRow));
    repaint();
}

void OrkColumnWindow::scrollToX(int x)
{
    const int maxX = std::max(0, totalColumnsWidth() - GetClientSize().GetWidth());
    x = std::clamp(x, 0, maxX);
    if (x == m_scrollX)
        return;
    if (m_renameCtrl)
        endRename(true);
    m_scrollX = x;
    SetScrollPos(wxHORIZONTAL, m_scrollX);
    repaint();
}

void OrkColumnWindow::updateScrollbars()
{
    m_scrollbarsDirty = false;
    const std::size_t count = getRowCount();
    const std::size_t capacity = getVisibleRowCapacity();
    const std::size_t maxFirst = count > capacity ? count - capacity : 0;
    if (m_firstRow > maxFirst)
    {
        m_firstRow = maxFirst;
        repaint();
    }
    SetScrollbar(wxVERTICAL, static_cast<int>(m_firstRow), static_cast<int>(capacity), static_cast<int>(count));
    const int clientWidth = GetClientSize().GetWidth();
    const int total = totalColumnsWidth();
    m_scrollX = std::clamp(m_scrollX, 0, std::max(0, total - clientWidth));
    SetScrollbar(wxHORIZONTAL, m_scrollX, clientWidth, total > clientWidth ? total : 0);
}

void OrkColumnWindow::onSize(wxSizeEvent& event)
{
    event.Skip();
    updateScrollbars();
    m_refreshPending = true;
    Refresh();
}

void OrkColumnWindow::onScrollWin(wxScrollWinEvent& event)
{
    const bool vertical = event.GetOrientation() == wxVERTICAL;
    const wxEventType type = event.GetEventType();
    if (vertical)
    {
        const std::size_t page = std::max<std::size_t>(getVisibleRowCapacity(), 1);
        std::size_t row = m_firstRow;
        if (type == wxEVT_SCROLLWIN_TOP)
            row = 0;
        else if (type == wxEVT_SCROLLWIN_BOTTOM)
            row = getRowCount();
        else if (type == wxEVT_SCROLLWIN_LINEUP)
            row = row > 0 ? row - 1 : 0;
        else if (type == wxEVT_SCROLLWIN_LINEDOWN)
            row = row + 1;
        else if (type == wxEVT_SCROLLWIN_PAGEUP)
            row = row > page ? row - page : 0;
        else if (type == wxEVT_SCROLLWIN_PAGEDOWN)
            row = row + page;
        else
            row = static_cast<std::size_t>(std::max(event.GetPosition(), 0));
        scrollToRow(row);
    }
    else
    {
        const int line = FromDIP(16);
        const int page = std::max(GetClientSize().GetWidth() - line, line);
        int x = m_scrollX;
        if (type == wxEVT_SCROLLWIN_TOP)
            x = 0;
        else if (type == wxEVT_SCROLLWIN_BOTTOM)
            x = totalColumnsWidth();
        else if (type == wxEVT_SCROLLWIN_LINEUP)
            x -= line;
        else if (type == wxEVT_SCROLLWIN_LINEDOWN)
            x += line;
        else if (type == wxEVT_SCROLLWIN_PAGEUP)
            x -= page;
        else if (type == wxEVT_SCROLLWIN_PAGEDOWN)
            x += page;
        else
            x = event.GetPosition();
        scrollToX(x);
    }
}

void OrkColumnWindow::onMouseWheel(wxMouseEvent& event)
{
    if (event.GetWheelAxis() == wxMOUSE_WHEEL_HORIZONTAL)
    {
        scrollToX(m_scrollX + event.GetWheelRotation() * FromDIP(16) / std::max(event.GetWheelDelta(), 1));
        return;
    }
    const int lines = event.GetLinesPerAction() > 0 ? event.GetLinesPerAction() : 3;
    const long steps = -static_cast<long>(event.GetWheelRotation()) * lines / std::max(event.GetWheelDelta(), 1);
    const long target = static_cast<long>(m_firstRow) + steps;
    scrollToRow(target > 0 ? static_cast<std::size_t>(target) : 0);
}

// ---------------------------------------------------------------------------
// Selection
// ---------------------------------------------------------------------------

std::vector<RowNode*> OrkColumnWindow::selectedNodes() const
{
    std::vector<std::pair<std::uint64_t, RowNode*>> ordered;
    ordered.reserve(m_selection.size());
    for (const auto& [node, serial] : m_selection)
        ordered.emplace_back(serial, node);
    std::sort(ordered.begin(), ordered.end());
    std::vector<RowNode*> nodes;
    nodes.reserve(ordered.size());
    for (const auto& entry : ordered)
        nodes.push_back(entry.second);
    return nodes;
}

void OrkColumnWindow::selectNode(RowNode* node, bool select)
{
    if (!node || node->m_selected == select)
        return;
    node->m_selected = select;
    if (select)
        m_selection.emplace(node, ++m_selectionSerial);
    else
        m_selection.erase(node);
    repaint();
}

void OrkColumnWindow::clearSelectionSilently()
{
    for (const auto& entry : m_selection)
        entry.first->m_selected = false;
    m_selection.clear();
    repaint();
}

void OrkColumnWindow::setFocusNode(RowNode* node)
{
    m_focus = node;
    m_anchor = node;
    std::size_t row = 0;
    if (node && rowOfNode(node, row))
        ensureRowVisible(row);
    repaint();
}

void detail::RowHandle::reset(OrkColumnWindow* window, RowNode* node)
{
    if (!node)
        window = nullptr;
    if (window != m_window)
    {
        if (m_window)
        {
            auto& handles = m_window->m_rowHandles;
            handles.erase(std::find(handles.begin(), handles.end(), this));
        }
        if (window)
            window->m_rowHandles.push_back(this);
    }
    m_window = window;
    m_node = node;
}

bool OrkColumnWindow::forgetNode(RowNode* node)
{
    for (detail::RowHandle* handle : m_rowHandles)
        if (handle->m_node == node)
            handle->m_node = nullptr;
    if (m_focus == node)
        m_focus = nullptr;
    if (m_anchor == node)
        m_anchor = nullptr;
    if (m_renameCandidate == node)
    {
        m_renameCandidate = nullptr;
        m_renameTimer.Stop();
    }
    if (m_pressNode == node)
    {
        m_pressNode = nullptr;
        m_selectOnRelease = false;
    }
    if (!node->m_selected)
        return false;
    selectNode(node, false);
    return true;
}

void OrkColumnWindow::forgetAllNodes()
{
    for (detail::RowHandle* handle : m_rowHandles)
        handle->m_node = nullptr;
    clearSelectionSilently();
    m_focus = m_anchor = m_renameCandidate = m_pressNode = nullptr;
    m_selectOnRelease = false;
    m_renameTimer.Stop();
    m_firstRow = 0;
    m_scrollbarsDirty = true;
}

void OrkColumnWindow::selectOnly(RowNode* node)
{
    clearSelectionSilently();
    selectNode(node, true);
    setFocusNode(node);
}

void OrkColumnWindow::selectRange(RowNode* from, RowNode* to, bool keepOthers)
{
    std::size_t fromRow = 0;
    std::size_t toRow = 0;
    if (!from || !rowOfNode(from, fromRow) || !rowOfNode(to, toRow))
    {
        selectOnly(to);
        return;
    }
    if (!keepOthers)
        clearSelectionSilently();
    RowNode* node = fromRow <= toRow ? from : to;
    const std::size_t count = (fromRow <= toRow ? toRow - fromRow : fromRow - toRow) + 1;
    for (std::size_t i = 0; i < count && node; ++i, node = nodeAfter(node))
        selectNode(node, true);
    m_focus = to;
    ensureRowVisible(toRow);
}

void OrkColumnWindow::moveFocusTo(std::size_t row, bool shift, bool ctrl)
{
    RowNode* node = nodeAtRow(row);
    if (!node)
        return;
    const bool multiple = hasOrkStyle(MultipleSelection);
    if (multiple && shift)
    {
        RowNode* anchor = m_anchor ? m_anchor : node;
        selectRange(anchor, node, ctrl);
        m_anchor = anchor;
    }
    else if (multiple && ctrl)
    {
        m_focus = node;
        ensureRowVisible(row);
        repaint();
        return;
    }
    else
        selectOnly(node);
    onSelectionChanged();
}

// ---------------------------------------------------------------------------
// Mouse
// ---------------------------------------------------------------------------

void OrkColumnWindow::onLeftDown(wxMouseEvent& event)
{
    const bool hadFocus = FindFocus() == this;
    if (!hadFocus)
        SetFocus();
    const wxPoint point = event.GetPosition();
    m_renameTimer.Stop();
    m_renameCandidate = nullptr;

    if (m_headerShown && point.y < m_headerHeight)
    {
        const int column = columnBorderAt(point.x);
        if (column >= 0)
        {
            m_resizingColumn = column;
            m_resizeStartX = point.x;
            m_resizeStartWidth = getColumnWidth(static_cast<unsigned int>(column));
            m_resizeNextStartWidth =
                static_cast<unsigned int>(column) + 1 < m_columns.size() ? m_columns[column + 1].m_width : 0;
            CaptureMouse();
        }
        return;
    }

    std::size_t row = 0;
    RowNode* node = hitTestRow(point, row) ? nodeAtRow(row) : nullptr;
    const bool multiple = hasOrkStyle(MultipleSelection);
    if (!node)
    {
        if (!(multiple && (event.ControlDown() || event.ShiftDown())) && !m_selection.empty())
        {
            clearSelectionSilently();
            onSelectionChanged();
        }
        return;
    }
    if (clickDecoration(node, point))
        return;
    if (canDragRows())
    {
        m_pressNode = node;
        m_pressPoint = point;
    }

    if (multiple && event.ShiftDown())
    {
        RowNode* anchor = m_anchor ? m_anchor : node;
        selectRange(anchor, node, event.ControlDown());
        m_anchor = anchor;
    }
    else if (multiple && event.ControlDown())
    {
        selectNode(node, !node->m_selected);
        m_focus = m_anchor = node;
    }
    else
    {
        // A plain click on the row that is already the whole selection is the
        // first half of a slow double click: rename unless a real double click follows.
        if (hadFocus && node == m_focus && node->m_selected && m_selection.size() == 1)
        {
            m_renameCandidate = node;
            int delay = wxSystemSettings::GetMetric(wxSYS_DCLICK_MSEC, this);
            m_renameTimer.StartOnce(delay > 0 ? delay + 100 : 600);
            return;
        }
        if (m_pressNode == node && node->m_selected && m_selection.size() > 1)
        {
            // Maybe the start of dragging them all: decided when the button comes up.
            m_selectOnRelease = true;
            m_focus = m_anchor = node;
            repaint();
            return;
        }
        selectOnly(node);
    }
    repaint();
    onSelectionChanged();
}

void OrkColumnWindow::onLeftUp(wxMouseEvent& event)
{
    event.Skip();
    if (m_resizingColumn >= 0)
    {
        m_resizingColumn = -1;
        if (HasCapture())
            ReleaseMouse();
    }
    RowNode* pressed = m_pressNode;
    const bool selectPressed = m_selectOnRelease;
    m_pressNode = nullptr;
    m_selectOnRelease = false;
    if (m_dragging)
    {
        stopDrag();
        dropRows(event.GetPosition(), event.ControlDown());
        return;
    }
    if (selectPressed && pressed)
    {
        selectOnly(pressed);
        onSelectionChanged();
    }
}

void OrkColumnWindow::onLeftDClick(wxMouseEvent& event)
{
    m_renameTimer.Stop();
    m_renameCandidate = nullptr;
    std::size_t row = 0;
    if (m_headerShown && event.GetPosition().y < m_headerHeight)
        return;
    RowNode* node = hitTestRow(event.GetPosition(), row) ? nodeAtRow(row) : nullptr;
    if (node && !clickDecoration(node, event.GetPosition()))
        onRowDoubleClicked(node);
}

void OrkColumnWindow::onRightDown(wxMouseEvent& event)
{
    if (FindFocus() != this)
        SetFocus();
    std::size_t row = 0;
    RowNode* node = hitTestRow(event.GetPosition(), row) ? nodeAtRow(row) : nullptr;
    if (node && !node->m_selected)
    {
        selectOnly(node);
        onSelectionChanged();
    }
    // Let wxWidgets turn the click into a context-menu event.
    event.Skip();
}

void OrkColumnWindow::onMotion(wxMouseEvent& event)
{
    const wxPoint point = event.GetPosition();
    if (m_resizingColumn >= 0 && event.LeftIsDown())
    {
        const int delta = point.x - m_resizeStartX;
        const auto column = static_cast<unsigned int>(m_resizingColumn);
        if (m_resizingColumn == m_stretchColumn && column + 1 < m_columns.size())
        {
            // The filling column grows by taking room from its neighbour.
            m_columns[column + 1].m_width = std::max(FromDIP(16), m_resizeNextStartWidth - delta);
        }
        else
            m_columns[column].m_width = std::max(FromDIP(16), m_resizeStartWidth + delta);
        m_scrollbarsDirty = true;
        repaint();
        return;
    }
    if (!m_dragging)
    {
        // While dragging, the cursor is the control's: it tells where the rows would go.
        const bool overBorder = m_headerShown && point.y < m_headerHeight && columnBorderAt(point.x) >= 0;
        SetCursor(overBorder ? wxCursor(wxCURSOR_SIZEWE) : wxNullCursor);
    }
    if (event.Dragging())
    {
        m_renameTimer.Stop();
        m_renameCandidate = nullptr;
        if (m_dragging)
            dragRowsOver(point, event.ControlDown());
        else if (m_pressNode && event.LeftIsDown())
            maybeBeginDrag(point);
    }
    event.Skip();
}

void OrkColumnWindow::onCaptureLost(wxMouseCaptureLostEvent&)
{
    m_resizingColumn = -1;
    if (m_dragging)
    {
        stopDrag();
        cancelRowDrag();
    }
}

// ---------------------------------------------------------------------------
// Dragging rows
// ---------------------------------------------------------------------------

bool OrkColumnWindow::canDragRows() const
{
    return false;
}

bool OrkColumnWindow::beginRowDrag(RowNode*)
{
    return false;
}

void OrkColumnWindow::dragRowsOver(const wxPoint&, bool)
{
}

void OrkColumnWindow::dropRows(const wxPoint&, bool)
{
}

void OrkColumnWindow::cancelRowDrag()
{
}

void OrkColumnWindow::paintOverlay(wxDC&)
{
}

void OrkColumnWindow::maybeBeginDrag(const wxPoint& point)
{
    const int thresholdX = std::max(wxSystemSettings::GetMetric(wxSYS_DRAG_X, this), FromDIP(4));
    const int thresholdY = std::max(wxSystemSettings::GetMetric(wxSYS_DRAG_Y, this), FromDIP(4));
    if (std::abs(point.x - m_pressPoint.x) < thresholdX && std::abs(point.y - m_pressPoint.y) < thresholdY)
        return;
    RowNode* node = m_pressNode;
    m_pressNode = nullptr;
    m_selectOnRelease = false;
    if (!beginRowDrag(node))
        return;
    m_dragging = true;
    if (!HasCapture())
        CaptureMouse();
    m_dragTimer.Start(50);
    dragRowsOver(point, wxGetKeyState(WXK_CONTROL));
}

void OrkColumnWindow::stopDrag()
{
    m_dragging = false;
    m_dragTimer.Stop();
    if (HasCapture())
        ReleaseMouse();
}

void OrkColumnWindow::onDragTimer(wxTimerEvent&)
{
    if (!m_dragging)
        return;
    const wxPoint point = ScreenToClient(wxGetMousePosition());
    // Within a row of the edge the rows move under the pointer, a row a tick.
    const int top = getHeaderHeight() + m_rowHeight;
    const int bottom = GetClientSize().GetHeight() - m_rowHeight;
    if (point.y < top && m_firstRow > 0)
        scrollToRow(m_firstRow - 1);
    else if (point.y > bottom)
        scrollToRow(m_firstRow + 1);
    dragRowsOver(point, wxGetKeyState(WXK_CONTROL));
}

void OrkColumnWindow::onRenameTimer(wxTimerEvent&)
{
    RowNode* node = m_renameCandidate;
    m_renameCandidate = nullptr;
    if (node && node == m_focus && node->m_selected)
        onRenameRequested(node);
}

void OrkColumnWindow::onContextMenu(wxContextMenuEvent& event)
{
    wxPoint point = event.GetPosition();
    RowNode* node = nullptr;
    std::size_t row = 0;
    if (point == wxDefaultPosition)
    {
        // From the keyboard: the menu belongs to the focused row.
        node = m_focus;
        if (node && rowOfNode(node, row))
        {
            ensureRowVisible(row);
            const wxRect rect = getRowRect(row);
            point = wxPoint(rect.x + m_padding + FromDIP(16), rect.y + rect.height / 2);
        }
        else
        {
            node = nullptr;
            point = wxPoint(m_padding, getHeaderHeight() + m_padding);
        }
    }
    else
    {
        point = ScreenToClient(point);
        if (m_headerShown && point.y < m_headerHeight)
            return;
        node = hitTestRow(point, row) ? nodeAtRow(row) : nullptr;
        if (node && !node->m_selected)
        {
            // The handlers of the selection may delete rows, this one among them.
            detail::RowHandle held(this, node);
            selectOnly(node);
            onSelectionChanged();
            node = held.get();
            if (!node)
                return;
        }
    }
    onRowContextMenu(node, point);
}

// ---------------------------------------------------------------------------
// Keyboard and focus
// ---------------------------------------------------------------------------

void OrkColumnWindow::onKeyDown(wxKeyEvent& event)
{
    if (m_dragging)
    {
        if (event.GetKeyCode() == WXK_ESCAPE)
        {
            stopDrag();
            cancelRowDrag();
        }
        return;
    }
    if (previewKey(event))
        return;
    const std::size_t count = getRowCount();
    std::size_t focusRow = 0;
    const bool hasFocusRow = m_focus && rowOfNode(m_focus, focusRow);
    const std::size_t page = std::max<std::size_t>(getVisibleRowCapacity(), 2) - 1;
    const bool shift = event.ShiftDown();
    const bool ctrl = event.ControlDown();
    std::size_t target = 0;

    switch (event.GetKeyCode())
    {
    case WXK_UP:
    case WXK_NUMPAD_UP:
        target = hasFocusRow ? (focusRow > 0 ? focusRow - 1 : 0) : 0;
        break;
    case WXK_DOWN:
    case WXK_NUMPAD_DOWN:
        target = hasFocusRow ? std::min(focusRow + 1, count ? count - 1 : 0) : 0;
        break;
    case WXK_HOME:
    case WXK_NUMPAD_HOME:
        target = 0;
        break;
    case WXK_END:
    case WXK_NUMPAD_END:
        target = count ? count - 1 : 0;
        break;
    case WXK_PAGEUP:
    case WXK_NUMPAD_PAGEUP:
        target = hasFocusRow && focusRow > page ? focusRow - page : 0;
        break;
    case WXK_PAGEDOWN:
    case WXK_NUMPAD_PAGEDOWN:
        target = hasFocusRow ? std::min(focusRow + page, count ? count - 1 : 0) : 0;
        break;
    case WXK_SPACE:
        if (hasFocusRow)
        {
            if (ctrl && hasOrkStyle(MultipleSelection))
                selectNode(m_focus, !m_focus->m_selected);
            else
                selectOnly(m_focus);
            onSelectionChanged();
            return;
        }
        event.Skip();
        return;
    case WXK_LEFT:
    case WXK_NUMPAD_LEFT:
    case WXK_RIGHT:
    case WXK_NUMPAD_RIGHT:
    {
        const bool expand = event.GetKeyCode() == WXK_RIGHT || event.GetKeyCode() == WXK_NUMPAD_RIGHT;
        if (!(hasFocusRow && expandRow(m_focus, expand)))
            scrollToX(m_scrollX + (expand ? FromDIP(16) : -FromDIP(16)));
        return;
    }
    case WXK_F2:
        if (hasFocusRow)
            onRenameRequested(m_focus);
        return;
    default:
        // Unhandled keys go on, so that character events are generated for them.
        event.Skip();
        return;
    }
    if (count == 0)
        return;
    moveFocusTo(target, shift, ctrl);
}

bool OrkColumnWindow::previewKey(wxKeyEvent&)
{
    return false;
}

bool OrkColumnWindow::expandRow(RowNode*, bool)
{
    return false;
}

bool OrkColumnWindow::clickDecoration(RowNode*, const wxPoint&)
{
    return false;
}

void OrkColumnWindow::onRowDoubleClicked(RowNode*)
{
}

void OrkColumnWindow::onRowContextMenu(RowNode*, const wxPoint&)
{
}

void OrkColumnWindow::onRenameRequested(RowNode*)
{
}

void OrkColumnWindow::onFocus(wxFocusEvent& event)
{
    event.Skip();
    repaint();
}

void OrkColumnWindow::onSysColourChanged(wxSysColourChangedEvent& event)
{
    event.Skip();
    repaint();
}

void OrkColumnWindow::onDpiChanged(wxDPIChangedEvent& event)
{
    event.Skip();
    updateMetrics();
    repaint();
}

// ---------------------------------------------------------------------------
// Renaming in place
// ---------------------------------------------------------------------------

wxWindow* OrkColumnWindow::getRenameControl() const
{
    return m_renameCtrl;
}

void OrkColumnWindow::beginRename(OrkTextRenameCtrlOwner* owner, const wxRect& rect, const wxString& text)
{
    if (m_renameCtrl)
        endRename(true);
    // The previous relay may still be referenced by a box waiting for
    // destruction, but that box has already reported and never calls again.
    m_renameRelay = std::make_unique<RenameRelay>(&m_renameCtrl, owner);
    wxRect box = rect;
    const int boxHeight = std::max(rect.height, GetCharHeight() + FromDIP(8));
    box.y -= (boxHeight - rect.height) / 2;
    box.height = boxHeight;
    m_renameCtrl = new OrkTextRenameCtrl(this, m_renameRelay.get(), box, text);
    m_renameCtrl->SetFocus();
}

void OrkColumnWindow::endRename(bool accept)
{
    if (m_renameCtrl)
        m_renameCtrl->finish(accept);
}

// ---------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------

void OrkColumnWindow::drawCellText(wxDC& dc, unsigned int column, const wxRect& rowRect, const wxString& text,
                                   int inset) const
{
    if (column >= m_columns.size() || text.empty())
        return;
    const int left = getColumnLeft(column);
    const int width = getColumnWidth(column);
    const wxRect cell(left, rowRect.y, width, rowRect.height);
    const wxRect clip = cell.Intersect(wxRect(wxPoint(0, getHeaderHeight()), GetClientSize()));
    if (clip.IsEmpty())
        return;
    wxDCClipper clipper(dc, wxRect(clip.x, clip.y, std::max(clip.width - m_padding, 1), clip.height));
    const int textHeight = dc.GetCharHeight();
    dc.DrawText(text, left + m_padding + inset, rowRect.y + (rowRect.height - textHeight) / 2);
}

void OrkColumnWindow::onPaint(wxPaintEvent&)
{
    m_refreshPending = false;
    wxPaintDC dc(this);
    const wxSize client = GetClientSize();
    const bool focused = FindFocus() == this || (m_renameCtrl && FindFocus() == m_renameCtrl);

    dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOX)));
    dc.Clear();
    dc.SetFont(GetFont());

    const std::size_t count = getRowCount();
    const std::size_t capacity = getVisibleRowCapacity();
    const std::size_t maxFirst = count > capacity ? count - capacity : 0;
    if (m_firstRow > maxFirst)
        m_firstRow = maxFirst;

    const wxRect update = GetUpdateRegion().GetBox();
    const int header = getHeaderHeight();
    const int top = std::max(update.y, header) - header;
    const int bottom = update.GetBottom() - header;
    if (bottom >= 0 && count > 0)
    {
        std::size_t row = m_firstRow + static_cast<std::size_t>(top / m_rowHeight);
        const std::size_t lastRow = std::min(count - 1, m_firstRow + static_cast<std::size_t>(bottom / m_rowHeight));
        const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
        const wxColour highlightText = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT);
        const wxColour text = wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOXTEXT);
        const wxColour window = wxSystemSettings::GetColour(wxSYS_COLOUR_LISTBOX);
        // Without the focus the selection stays visible but steps back, as in native lists.
        const wxColour quietHighlight(static_cast<unsigned char>((highlight.Red() + 2 * window.Red()) / 3),
                                      static_cast<unsigned char>((highlight.Green() + 2 * window.Green()) / 3),
                                      static_cast<unsigned char>((highlight.Blue() + 2 * window.Blue()) / 3));
        dc.SetPen(*wxTRANSPARENT_PEN);
        RowNode* node = row <= lastRow ? nodeAtRow(row) : nullptr;
        for (; node && row <= lastRow; ++row, node = nodeAfter(node))
        {
            wxRect rect = getRowRect(row);
            rect.width = std::max(rect.width, client.GetWidth());
            if (node->m_selected)
            {
                dc.SetBrush(wxBrush(focused ? highlight : quietHighlight));
                dc.DrawRectangle(wxRect(0, rect.y, client.GetWidth(), rect.height));
                dc.SetTextForeground(focused ? highlightText : text);
            }
            else
                dc.SetTextForeground(text);
            paintRow(dc, node, row, rect);
            if (node == m_focus && focused)
                wxRendererNative::Get().DrawFocusRect(this, dc,
                                                      wxRect(0, rect.y, client.GetWidth(), rect.height).Deflate(1));
        }
    }
    paintOverlay(dc);

    if (m_headerShown)
    {
        int x = -m_scrollX;
        wxHeaderButtonParams params;
        params.m_labelFont = GetFont();
        for (unsigned int c = 0; c < m_columns.size(); ++c)
        {
            const int width = getColumnWidth(c);
            params.m_labelText = m_columns[c].m_title;
            params.m_labelAlignment = wxALIGN_LEFT;
            wxRendererNative::Get().DrawHeaderButton(this, dc, wxRect(x, 0, width, m_headerHeight), 0,
                                                     wxHDR_SORT_ICON_NONE, &params);
            x += width;
        }
        if (x < client.GetWidth())
            wxRendererNative::Get().DrawHeaderButton(this, dc, wxRect(x, 0, client.GetWidth() - x, m_headerHeight));
    }
}

} // namespace wxUtils
