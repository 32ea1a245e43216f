#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkColumnWindow.h>
#include <wxUtils/OrkTextRenameCtrlOwner.h>
#include <wxUtils/TreeEvent.h>
#include <wxUtils/TreeItem.h>

#include <Orkutils/Vector.h>

#include <cstddef>
#include <memory>

class wxImageList;

namespace wxUtils
{

/// A tree of TreeItems with columns, drawn by the column-window engine. Every
/// insertion, removal, rename, move, expansion and row look-up costs about the
/// same with 300,000 items as with 1,000: each item keeps the count of rows
/// its subtree shows, and the children of an item are kept in blocks.
///
/// Column 0 shows the item labels with the tree lines; addColumn adds more.
/// Items may hold their texts or leave them to the control (itemText).
/// Toolkit styles: MultipleSelection (0x2000, from OrkColumnWindow) lets the user
/// select several items; ReadOnlyLabels (0x4000) turns renaming in place off.
/// The root item shows as the first row. Programmatic changes send no events,
/// except Select, which tells of the selection it makes.
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

    /// The text of `column` for an item that holds none of its own there (an
    /// item made without a label holds none): a control that keeps its items'
    /// texts elsewhere supplies them here, when rows are painted and when
    /// anyone asks an item for its text. Empty by default.
    virtual wxString itemText(const TreeItem& item, unsigned int column) const;

private:
    friend class TreeItem;

    static TreeItem* itemOf(detail::RowNode* node) { return static_cast<TreeItem*>(node); }
    static const TreeItem* itemOf(const detail::RowNode* node) { return static_cast<const TreeItem*>(node); }
    static detail::RowNode* nodeOf(TreeItem* item) { return static_cast<detail::RowNode*>(item); }

    bool isInTree(const TreeItem* item) const;
    // Called by items: keep selection, focus and the rename box consistent.
    void itemsChanged() { rowsChanged(); }
    void itemAboutToBeDestroyed(TreeItem* item);
    void itemHidden(TreeItem* item);
    wxRect expanderRect(const TreeItem* item, const wxRect& rowRect) const;
    int labelInset(const TreeItem* item) const;
    void sendEvent(wxEventType type, TreeItem* item, const wxPoint& point = wxDefaultPosition,
                   const wxString& label = wxString());
    void setExpandedRecursively(TreeItem* item, bool expanded);

    TreeItem* m_root = nullptr;
    TreeItem* m_editedItem = nullptr;
    std::unique_ptr<wxImageList> m_images;
    int m_indent = 0;
};

} // namespace wxUtils
