#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkColumnWindow.h>
#include <wxUtils/OrkTextRenameCtrlOwner.h>
#include <wxUtils/TreeEvent.h>
#include <wxUtils/TreeItem.h>

#include <Orkutils/Vector.h>

#include <wx/timer.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class wxImageList;

namespace wxUtils
{

/// A tree of TreeItems with columns, drawn by the column-window engine. Every
/// insertion, removal, rename, move, expansion and row look-up costs about the
/// same with 300,000 items as with 1,000: each item keeps the count of rows
/// its subtree shows, and the children of an item are kept in blocks.
///
/// Column 0 shows the item labels with the tree lines; addColumn adds more.
/// Items may hold their texts and images or leave them to the control
/// (itemText, itemImage).
/// Toolkit styles: MultipleSelection (0x2000, from OrkColumnWindow) lets the user
/// select several items; ReadOnlyLabels (0x4000) turns renaming in place off.
/// The root item shows as the first row. Programmatic changes send no events,
/// except Select, SelectItems and the filter's calls, which tell of the
/// selection they change.
///
/// A filter (SetFilter) hides rows without removing items; dragging
/// (EnableDragging) lets the user drag the selection onto or between rows,
/// and the handlers of the drag events decide what a drop does.
class DBUI_TOOLKIT_EXPORT TreeControl : public OrkColumnWindow, public OrkTextRenameCtrlOwner
{
public:
    /// Toolkit style: labels cannot be edited in place.
    static constexpr long ReadOnlyLabels = 0x4000;

    TreeControl();
    /// Creates the tree at once; see Create.
    TreeControl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = "TreeControl");
    ~TreeControl() override;

    /// Two-step creation; false when the window could not be made.
    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = "TreeControl");

    /// Makes `root` the root item, expanded; an existing root is destroyed first.
    void SetRoot(TreeItem* root);
    /// The root item, or null.
    TreeItem* GetRoot() const { return m_root; }
    /// Destroys every item.
    void DeleteAllItems();
    /// Destroys every item below `item` at once, as RemoveAndDestroy on each
    /// child would (selected ones leave the selection without an event).
    void DeleteChildren(TreeItem* item);
    /// Number of items in the tree.
    std::size_t GetCount() const;
    /// Number of rows shown (items whose ancestors are all expanded).
    std::size_t GetVisibleCount() const { return getRowCount(); }

    /// The selected items in the order they were selected.
    Orkutils::Vector<TreeItem*> GetSelection() const;
    /// The same without every item that has a selected ancestor.
    Orkutils::Vector<TreeItem*> GetSelectionWithoutChildren() const;
    /// How many items are selected.
    std::size_t GetSelectedItemCount() const { return getSelectedCount(); }
    /// `select` true: makes `item` the selection and the focus, opening its
    /// parents and scrolling to it; false: deselects it. Sends
    /// wxUTILS_EVT_TREE_SEL_CHANGED when the selection changed.
    void Select(TreeItem* item, bool select = true);
    /// Makes `items` the selection, in that order, the first one the focus,
    /// opening their parents and scrolling to the first; items the filter
    /// hides are left out. Sends wxUTILS_EVT_TREE_SEL_CHANGED.
    void SelectItems(const std::vector<TreeItem*>& items);
    /// Deselects every item without sending an event.
    void UnselectAll();
    /// The item with the keyboard focus, or null.
    TreeItem* GetFocusedItem() const;

    /// Expands the parents of `item` and scrolls it into view.
    void EnsureVisible(TreeItem* item);
    ///@{
    /// Expands (collapses) every item that has children.
    void ExpandAll();
    void CollapseAll();
    ///@}
    ///@{
    /// Expands (collapses) `item` and every item below it, as one change of
    /// the rows however many the branch holds; sends no event. Collapsing
    /// drops the items it hides from the selection and moves a hidden focus
    /// to `item`. With a filter set, the items it hides stay hidden.
    void ExpandAllChildren(TreeItem* item);
    void CollapseAllChildren(TreeItem* item);
    ///@}
    /// The item shown at a point (client coordinates), or null.
    TreeItem* HitTest(const wxPoint& point) const;
    /// The row an item shows on; false when hidden in a collapsed parent.
    bool GetItemRow(const TreeItem* item, std::size_t& row) const;
    /// The item shown on a row, or null past the last.
    TreeItem* GetItemAtRow(std::size_t row) const;

    /// Starts renaming `item` in place (unless ReadOnlyLabels or a vetoed
    /// begin event): Enter or leaving the box accepts, Escape cancels.
    void EditLabel(TreeItem* item);
    /// The item being renamed, or null.
    TreeItem* GetEditedItem() const { return m_editedItem; }
    /// Closes the rename box, accepting its text (as Enter does) or not (as Escape does).
    void EndEditLabel(bool accept);

    // ---- filter ----
    /// Which way FindFilterMatch looks.
    enum SearchDirection
    {
        Forward,
        Backward
    };
    /// Which items a new filter can accept.
    enum FilterScope
    {
        /// Any item.
        AnyItem,
        /// Only items the filter set now accepts (the user typed on).
        WithinMatches,
    };
    /// Shows only the items `matches` accepts and their ancestors, which it
    /// expands; items stay in the tree, hidden. The expansion the tree had
    /// before the first filter comes back with ClearFilter. Items inserted
    /// while a filter is set are tested as they come, and items whose own
    /// texts change are tested again; call RefilterItem for items whose texts
    /// the control supplies (itemText). Hidden items leave the selection
    /// (wxUTILS_EVT_TREE_SEL_CHANGED tells of it). Returns the number of matches.
    /// With WithinMatches, the subtrees the filter set now hides are not read.
    std::size_t SetFilter(std::function<bool(const TreeItem&)> matches, FilterScope scope = AnyItem);
    /// Replaces the filter set with one whose verdicts differ only on items
    /// of `changed`, as the caller knows: only those are tested, and their
    /// ancestors follow: those of new matches expand, what the user closed
    /// stays closed otherwise. Without a filter set, as SetFilter. Returns
    /// the number of matches.
    std::size_t SetFilter(std::function<bool(const TreeItem&)> matches, const std::vector<TreeItem*>& changed);
    /// Shows every item again, expanded as before the filter was set; the
    /// selection stays, and the focused item is scrolled into view.
    void ClearFilter();
    /// True while a filter is set.
    bool IsFiltered() const { return static_cast<bool>(m_filter); }
    /// How many items the filter accepts; 0 without one.
    std::size_t GetFilterMatchCount() const { return m_filterMatches; }
    /// True when the filter accepts `item`.
    bool IsFilterMatch(const TreeItem* item) const;
    /// Tests `item` and its descendants again, as when their texts changed;
    /// an item that starts matching shows, its ancestors expanded.
    void RefilterItem(TreeItem* item);
    /// The first match after `from` (before it, Backward) in the order of the
    /// rows, collapsed parents included, going round at the end; with `from`
    /// null, the first (last) match. Null when nothing matches.
    TreeItem* FindFilterMatch(const TreeItem* from, SearchDirection direction) const;

    // ---- dragging ----
    ///@{
    /// Whether the user may drag the selected items with the mouse (off to
    /// start with). A press on a selected item then keeps the other selected
    /// items selected until the button comes up without a drag. While
    /// dragging, the rows scroll when the pointer nears the top or bottom
    /// edge, a collapsed item under the pointer opens after a moment, a line
    /// or an outline shows where the items would land, and Escape cancels.
    void EnableDragging(bool enable) { m_draggingEnabled = enable; }
    bool IsDraggingEnabled() const { return m_draggingEnabled; }
    ///@}
    /// True while the user drags items.
    bool IsDragging() const { return isDraggingRows(); }

    /// Gives the tree an image list, which it then owns; `which` is kept for
    /// compatibility with callers that distinguish normal and state images (0).
    void AssignImageList(wxImageList* images, int which = 0);
    /// The image list, or null.
    wxImageList* GetImageList() const { return m_images.get(); }

    void onTextRenameFinished(const wxString& text, bool cancelled) override;

protected:
    std::size_t getRowCount() const override;
    detail::RowNode* nodeAtRow(std::size_t row) const override;
    detail::RowNode* nodeAfter(detail::RowNode* node) const override;
    bool rowOfNode(const detail::RowNode* node, std::size_t& row) const override;
    void paintRow(wxDC& dc, detail::RowNode* node, std::size_t row, const wxRect& rect) override;
    void onSelectionChanged() override;
    bool previewKey(wxKeyEvent& event) override;
    bool expandRow(detail::RowNode* node, bool expand) override;
    bool clickDecoration(detail::RowNode* node, const wxPoint& point) override;
    void onRowDoubleClicked(detail::RowNode* node) override;
    void onRowContextMenu(detail::RowNode* node, const wxPoint& point) override;
    void onRenameRequested(detail::RowNode* node) override;
    bool canDragRows() const override { return m_draggingEnabled; }
    bool beginRowDrag(detail::RowNode* node) override;
    void dragRowsOver(const wxPoint& point, bool copy) override;
    void dropRows(const wxPoint& point, bool copy) override;
    void cancelRowDrag() override;
    void paintOverlay(wxDC& dc) override;

    /// The text of `column` for an item that holds none of its own there (an
    /// item made without a label holds none): a control that keeps its items'
    /// texts elsewhere supplies them here, when rows are painted and when
    /// anyone asks an item for its text. Empty by default.
    virtual wxString itemText(const TreeItem& item, unsigned int column) const;
    /// The image (index into the image list) of an item that has none of its
    /// own, asked for when its row is painted; -1, none, by default.
    virtual int itemImage(const TreeItem& item) const;

private:
    friend class TreeItem;

    static TreeItem* itemOf(detail::RowNode* node) { return static_cast<TreeItem*>(node); }
    static const TreeItem* itemOf(const detail::RowNode* node) { return static_cast<const TreeItem*>(node); }
    static detail::RowNode* nodeOf(TreeItem* item) { return static_cast<detail::RowNode*>(item); }

    /// Where a drag would drop: on or beside an item.
    struct DropPlace
    {
        TreeItem* item = nullptr;
        TreeEvent::DropPosition position = TreeEvent::DropInto;
    };

    bool isInTree(const TreeItem* item) const;
    static bool hasShownChildren(const TreeItem* item);
    // Called by items: keep selection, focus and the rename box consistent.
    void itemsChanged() { rowsChanged(); }
    void itemAboutToBeDestroyed(TreeItem* item);
    /// Which rows of a branch stop showing.
    enum HiddenRows
    {
        /// Those below its top item, which is about to collapse.
        RowsBelow,
        /// The top item's and those below it: it went into a collapsed parent.
        ItemAndRowsBelow,
    };
    /// Drops from the selection the items of `top`'s branch that stop
    /// showing, read from the rows the branch shows now: costs what is
    /// hidden or what is selected, whichever is less.
    void branchHiding(TreeItem* top, HiddenRows hidden);
    /// Drops every hidden item from the selection (a filter hid them).
    void dropHiddenFromSelection();
    /// Items went from below `parent` (null: none): under a filter, the
    /// ancestors that showed only for matches among them hide, and leave the selection.
    void matchesMayHaveGone(TreeItem* parent);
    /// Moves a focus that no longer shows to its nearest shown ancestor.
    void settleFocus();
    /// Stores the weight `item` has now where its parent (or the tree, for the root) keeps it.
    static void storeWeight(TreeItem* item);
    wxRect expanderRect(const TreeItem* item, const wxRect& rowRect) const;
    int labelInset(const TreeItem* item) const;
    void sendEvent(wxEventType type, TreeItem* item, const wxPoint& point = wxDefaultPosition,
                   const wxString& label = wxString());
    void setExpandedRecursively(TreeItem* item, bool expanded);

    // Filter (TreeControlFilter.cpp).
    enum FilterPass
    {
        /// The first filter: the expansion is kept for ClearFilter, then matches' ancestors open.
        FirstFilter,
        /// Another filter replaces the one set: matches' ancestors open.
        NewFilter,
        /// The same, accepting only items the one set accepts: what it hides stays hidden, unread.
        Narrowing,
        /// The same filter, items tested again: only newly shown ancestors open.
        Retest,
    };
    /// Tests `top` and its descendants and sets their weights, the ones
    /// above `top` left alone; true when an item became a match.
    bool filterSubtree(TreeItem* top, FilterPass pass);
    /// What every new filter ends with: the selection and the scrolled-to row follow the new rows.
    std::size_t showFilterResult(std::size_t selectedBefore);
    /// Expands the ancestors of `item`, so that it shows.
    void revealAncestors(TreeItem* item);
    /// `top` and its descendants, each after its parent; for a Narrowing
    /// pass, without the subtrees the filter hides.
    const std::vector<TreeItem*>& collectSubtree(TreeItem* top, FilterPass pass = NewFilter) const;
    /// Drops hidden items from the selection and moves a hidden focus to a
    /// shown ancestor; sends the selection event when the selection changed.
    void settleAfterFilter(std::size_t selectedBefore);
    /// The item before (after) `item` in the order of the rows, collapsed
    /// parents included and hidden items left out; null at either end.
    TreeItem* shownNeighbour(const TreeItem* item, SearchDirection direction) const;

    // Dragging (TreeControlDrag.cpp).
    DropPlace dropPlaceAt(const wxPoint& point) const;
    void onHoverTimer(wxTimerEvent& event);
    void endDrag();

    TreeItem* m_root = nullptr;
    TreeItem* m_editedItem = nullptr;
    std::unique_ptr<wxImageList> m_images;
    int m_indent = 0;

    std::function<bool(const TreeItem&)> m_filter;
    std::size_t m_filterMatches = 0;
    // Kept from one filter pass to the next: a keystroke's pass over a big
    // tree should not allocate.
    mutable std::vector<TreeItem*> m_subtreeScratch;

    bool m_draggingEnabled = false;
    // Where the pointer would drop, and what the handlers said of it.
    detail::RowHandle m_dropItem;
    TreeEvent::DropPosition m_dropPosition = TreeEvent::DropInto;
    bool m_dropCopy = false;
    bool m_dropAllowed = false;
    wxString m_dropRefusal;
    wxTimer m_hoverTimer;
};

} // namespace wxUtils
