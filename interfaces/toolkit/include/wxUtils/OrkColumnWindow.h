#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkPanel.h>
#include <wxUtils/detail/RowSequence.h>

#include <wx/timer.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace wxUtils
{

class OrkColumnWindow;
class OrkTextRenameCtrl;
class OrkTextRenameCtrlOwner;

namespace detail
{

/// Holds a row across calls that may delete rows (event handlers, popup
/// menus, modal dialogs): reads null once the row is deleted or its window
/// destroyed.
class DBUI_TOOLKIT_EXPORT RowHandle
{
public:
    RowHandle() = default;
    RowHandle(OrkColumnWindow* window, RowNode* node) { reset(window, node); }
    ~RowHandle() { reset(nullptr, nullptr); }
    RowHandle(const RowHandle&) = delete;
    RowHandle& operator=(const RowHandle&) = delete;

    /// Holds `node`, a row of `window`; a null node holds nothing.
    void reset(OrkColumnWindow* window, RowNode* node);
    RowNode* get() const { return m_node; }

private:
    friend class wxUtils::OrkColumnWindow;

    OrkColumnWindow* m_window = nullptr;
    RowNode* m_node = nullptr;
};

} // namespace detail

/// The engine under the list and tree controls: a custom-drawn window with a
/// header of resizable columns and rows of equal height, of which only the
/// visible ones are painted. It owns selection, focus, scrolling, the keyboard
/// and mouse conventions of native lists, and the in-place rename box; the
/// derived control supplies the rows through the virtual row model below.
class DBUI_TOOLKIT_EXPORT OrkColumnWindow : public OrkPanel
{
public:
    /// Toolkit style: several rows may be selected (Ctrl and Shift clicks).
    static constexpr long MultipleSelection = 0x2000;

    OrkColumnWindow();
    /// Creates the window at once; see Create.
    OrkColumnWindow(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                    const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = "OrkColumnWindow");
    ~OrkColumnWindow() override;

    /// Two-step creation; false when the window could not be made.
    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = "OrkColumnWindow");

    /// Sets column `index`'s title, creating it (and any missing columns before it).
    void addColumn(unsigned int index, const wxString& title, int width = -1);
    /// How many columns were added.
    unsigned int getColumnCount() const { return static_cast<unsigned int>(m_columns.size()); }
    /// The title of column `index`; empty out of range.
    wxString getColumnTitle(unsigned int index) const;
    /// Width in pixels as currently shown.
    int getColumnWidth(unsigned int index) const;
    /// Sets the width of a column that exists (at least 8 pixels at 96 DPI).
    void setColumnWidth(unsigned int index, int width);
    /// The column that takes up the room the others leave; -1 for none. Column 0 by default.
    void setStretchColumn(int index);
    ///@{
    /// Whether the strip of column titles is shown; it is to start with.
    void showColumnHeader(bool show);
    bool isColumnHeaderShown() const { return m_headerShown; }
    ///@}

    /// Height of one row in pixels (font height plus padding, DPI aware).
    int getRowHeight() const { return m_rowHeight; }
    /// Height of the header strip, 0 when hidden.
    int getHeaderHeight() const { return m_headerShown ? m_headerHeight : 0; }
    /// The display row under a point in client coordinates; false for none.
    bool hitTestRow(const wxPoint& point, std::size_t& row) const;
    /// The rectangle of a display row in client coordinates (may lie outside the window).
    wxRect getRowRect(std::size_t row) const;
    /// Scrolls just enough for the row to be fully visible.
    void ensureRowVisible(std::size_t row);
    /// The display row at the top of the window.
    std::size_t getFirstVisibleRow() const { return m_firstRow; }
    /// Number of rows that fit in the window.
    std::size_t getVisibleRowCapacity() const;

    /// Whether the in-place rename box is open.
    bool isRenaming() const { return m_renameCtrl != nullptr; }
    /// The rename box while it is open, for hosts and tests that type into it.
    wxWindow* getRenameControl() const;

    /// Repaints after the row model changed; cheap, the work happens at the next paint.
    void rowsChanged();
    /// Whether a full repaint is already on its way (then row repaints are not needed).
    bool isRefreshPending() const { return m_refreshPending; }

protected:
    // ---- the row model, supplied by the control ----
    /// How many rows are shown (collapsed parents hide their children).
    virtual std::size_t getRowCount() const = 0;
    /// The node of a display row, below getRowCount().
    virtual detail::RowNode* nodeAtRow(std::size_t row) const = 0;
    /// Next row's node in display order, null after the last.
    virtual detail::RowNode* nodeAfter(detail::RowNode* node) const = 0;
    /// Display row of a node; false when the node is not shown (inside a collapsed parent).
    virtual bool rowOfNode(const detail::RowNode* node, std::size_t& row) const = 0;
    /// Paints one row's contents over the background the engine has drawn.
    virtual void paintRow(wxDC& dc, detail::RowNode* node, std::size_t row, const wxRect& rect) = 0;

    // ---- hooks with harmless defaults ----
    /// The selection changed through the user or a call; send events here.
    virtual void onSelectionChanged() {}
    /// A key the engine is about to interpret; return true to consume it.
    virtual bool previewKey(wxKeyEvent& event);
    /// Left/Right on a row: expand or collapse; true when it did something.
    virtual bool expandRow(detail::RowNode* node, bool expand);
    /// A left click that lands on row decoration (an expander); true when consumed.
    virtual bool clickDecoration(detail::RowNode* node, const wxPoint& point);
    /// A double click or Enter on a row; nothing by default.
    virtual void onRowDoubleClicked(detail::RowNode* node);
    /// Right click or the menu key; `node` is null below the last row.
    virtual void onRowContextMenu(detail::RowNode* node, const wxPoint& point);
    /// F2 or a slow second click on the focused row.
    virtual void onRenameRequested(detail::RowNode* node);

    // ---- dragging rows, off unless the control says otherwise ----
    /// Whether a press on a row may start a drag: a plain press on one of
    /// several selected rows then selects that row alone only when the
    /// button comes up without a drag.
    virtual bool canDragRows() const;
    /// The pointer moved far enough with the button down on `node`: true
    /// starts a drag (the engine takes the mouse until the button comes up).
    virtual bool beginRowDrag(detail::RowNode* node);
    /// During a drag, as the pointer moves, the rows scroll under it or Ctrl
    /// changes: `point` in client coordinates, `copy` true while Ctrl is down.
    virtual void dragRowsOver(const wxPoint& point, bool copy);
    /// The button came up at `point`: the drag is over.
    virtual void dropRows(const wxPoint& point, bool copy);
    /// Escape, or the mouse was taken away: the drag is over, without a drop.
    virtual void cancelRowDrag();
    /// True between beginRowDrag and the drop or cancellation.
    bool isDraggingRows() const { return m_dragging; }
    /// Paints over the rows once they are painted (under the header).
    virtual void paintOverlay(wxDC& dc);

    // ---- selection, kept here so that both controls behave alike ----
    /// True when the node's row is selected.
    bool isNodeSelected(const detail::RowNode* node) const { return node->m_selected; }
    /// How many rows are selected.
    std::size_t getSelectedCount() const { return m_selection.size(); }
    /// Selected nodes in the order they were selected.
    std::vector<detail::RowNode*> selectedNodes() const;
    /// Calls `f` with each selected node, in no order: for callers that need
    /// none, a big selection is not sorted.
    template <class F> void forEachSelectedNode(F f) const
    {
        for (const auto& entry : m_selection)
            f(entry.first);
    }
    /// Adds the node to the selection (or takes it out) and repaints; no event.
    void selectNode(detail::RowNode* node, bool select);
    /// Empties the selection without sending an event.
    void clearSelectionSilently();
    ///@{
    /// The row with the keyboard focus, or null; setting it scrolls it into
    /// view and makes it the anchor of Shift selections.
    detail::RowNode* getFocusNode() const { return m_focus; }
    void setFocusNode(detail::RowNode* node);
    ///@}
    /// Must be called before a node leaves the model (deleted or hidden); true
    /// when the selection lost it.
    bool forgetNode(detail::RowNode* node);
    /// Forgets everything (all rows went).
    void forgetAllNodes();

    /// Opens the rename box over a rectangle (client coordinates) with a text.
    void beginRename(OrkTextRenameCtrlOwner* owner, const wxRect& rect, const wxString& text);
    /// Closes the rename box, handing its text to its owner when `accept` is true.
    void endRename(bool accept);

    // ---- painting helpers ----
    /// The x of a column's left edge in client coordinates, scrolling included.
    int getColumnLeft(unsigned int index) const;
    /// Draws text clipped to a column's cell of a row, starting `inset` pixels in.
    void drawCellText(wxDC& dc, unsigned int column, const wxRect& rowRect, const wxString& text, int inset = 0) const;
    /// The padding around a cell's text, in pixels.
    int getTextPadding() const { return m_padding; }

    /// 240 by 160 pixels at 96 DPI: the rows decide nothing about the window's size.
    wxSize DoGetBestSize() const override;

private:
    friend class detail::RowHandle;

    struct Column
    {
        wxString m_title;
        int m_width = 0;
    };

    void init();
    /// Refresh(), once until the next paint.
    void repaint();
    void connectEvents();
    void updateMetrics();
    void updateScrollbars();
    void layoutColumns();
    int totalColumnsWidth() const;
    void scrollToRow(std::size_t row);
    void scrollToX(int x);
    int columnBorderAt(int x) const;

    void selectOnly(detail::RowNode* node);
    void selectRange(detail::RowNode* from, detail::RowNode* to, bool keepOthers);
    void moveFocusTo(std::size_t row, bool shift, bool ctrl);

    void onPaint(wxPaintEvent& event);
    void onSize(wxSizeEvent& event);
    void onScrollWin(wxScrollWinEvent& event);
    void onMouseWheel(wxMouseEvent& event);
    void onLeftDown(wxMouseEvent& event);
    void onLeftUp(wxMouseEvent& event);
    void onLeftDClick(wxMouseEvent& event);
    void onRightDown(wxMouseEvent& event);
    void onMotion(wxMouseEvent& event);
    void onCaptureLost(wxMouseCaptureLostEvent& event);
    void onKeyDown(wxKeyEvent& event);
    void onContextMenu(wxContextMenuEvent& event);
    void onFocus(wxFocusEvent& event);
    void onRenameTimer(wxTimerEvent& event);
    void onDragTimer(wxTimerEvent& event);
    /// Starts a drag when the pointer has gone far enough from the press.
    void maybeBeginDrag(const wxPoint& point);
    void stopDrag();
    void onSysColourChanged(wxSysColourChangedEvent& event);
    void onDpiChanged(wxDPIChangedEvent& event);

    std::vector<Column> m_columns;
    int m_stretchColumn = 0;
    bool m_headerShown = true;
    int m_headerHeight = 0;
    int m_rowHeight = 0;
    int m_padding = 0;
    std::size_t m_firstRow = 0;
    int m_scrollX = 0;
    bool m_scrollbarsDirty = true;
    bool m_refreshPending = false;

    // Selected nodes with the serial of their selection, which orders them:
    // rows carry only a flag, so that a big tree pays nothing per row for it.
    std::unordered_map<detail::RowNode*, std::uint64_t> m_selection;
    std::uint64_t m_selectionSerial = 0;
    detail::RowNode* m_focus = nullptr;
    detail::RowNode* m_anchor = nullptr;

    int m_resizingColumn = -1;
    int m_resizeStartX = 0;
    int m_resizeStartWidth = 0;
    int m_resizeNextStartWidth = 0;

    // Handles on rows of this window: forgetting a row clears the ones on it.
    std::vector<detail::RowHandle*> m_rowHandles;

    // A press that may become a drag, and the drag itself.
    detail::RowNode* m_pressNode = nullptr;
    wxPoint m_pressPoint;
    bool m_selectOnRelease = false;
    bool m_dragging = false;
    // Scrolls near the edges and follows Ctrl while the pointer rests.
    wxTimer m_dragTimer;

    wxTimer m_renameTimer;
    detail::RowNode* m_renameCandidate = nullptr;
    OrkTextRenameCtrl* m_renameCtrl = nullptr;
    std::unique_ptr<OrkTextRenameCtrlOwner> m_renameRelay;
};

} // namespace wxUtils
