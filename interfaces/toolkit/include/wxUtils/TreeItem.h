#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/detail/RowSequence.h>

#include <wx/string.h>

#include <cstddef>
#include <cstdint>
#include <functional>

namespace wxUtils
{

class TreeControl;

/// One item of a TreeControl: column texts (column 0 is the label), an image
/// and child items. Made with new; once inserted (TreeControl::SetRoot,
/// InsertChild) the tree owns it and RemoveAndDestroy deletes it together with
/// all its descendants.
///
/// An item made without a label keeps no text at all: the tree asks for the
/// texts of such items when it paints their rows or is asked for them
/// (TreeControl::itemText). A tree of hundreds of thousands of items then
/// costs a few dozen bytes per item and copies no strings.
class DBUI_TOOLKIT_EXPORT TreeItem : private detail::RowNode
{
public:
    /// An item whose texts the tree supplies; `expanded` says whether the children show from the start.
    explicit TreeItem(TreeControl* owner, bool expanded = false);
    /// An item with its own label.
    TreeItem(const wxString& label, TreeControl* owner, bool expanded = false);
    /// The same, taking over a label made for the item.
    TreeItem(wxString&& label, TreeControl* owner, bool expanded = false);
    /// Deletes the children too. Only for items that were never inserted:
    /// inserted items go with RemoveAndDestroy or with their tree.
    ~TreeItem();
    TreeItem(const TreeItem&) = delete;
    TreeItem& operator=(const TreeItem&) = delete;

    ///@{
    /// Items come from slabs of equal slots, not one heap block each.
    static void* operator new(std::size_t size);
    static void operator delete(void* memory, std::size_t size);
    ///@}

    /// The tree the item was made for.
    TreeControl* GetOwner() const;

    ///@{
    /// The text of column 0, beside the tree lines.
    wxString GetLabel() const { return GetColumnText(0); }
    void SetLabel(const wxString& label) { SetColumnText(0, label); }
    ///@}
    /// Text of a column (0 is the label): the item's own if it was given one,
    /// otherwise what its tree supplies (empty unless the tree keeps texts elsewhere).
    wxString GetColumnText(unsigned int column) const;
    ///@{
    /// Gives the item its own text for a column (0 is the label) and repaints the row.
    void SetColumnText(unsigned int column, const wxString& text) { SetColumnText(column, wxString(text)); }
    void SetColumnText(unsigned int column, wxString&& text);
    ///@}
    /// Index into the tree's image list, -1 for none: the item's own if it
    /// was given one, otherwise what its tree supplies (TreeControl::itemImage).
    int GetImage() const;
    /// Shows image `image` of the tree's image list before the label; -1 for
    /// none of its own.
    void SetImage(int image);

    /// Inserts `child` (a new item, or one taken out of nowhere) before `before`,
    /// one of this item's children, or at the end when `before` is null.
    void InsertChild(TreeItem* child, TreeItem* before = nullptr);
    /// Inserts `child` after the last child.
    void AppendChild(TreeItem* child) { InsertChild(child, nullptr); }
    /// Moves this item under `newParent`, before `before` (null for the end).
    void Reparent(TreeItem* newParent, TreeItem* before = nullptr);
    /// Takes this item and its descendants out of the tree and deletes them.
    void RemoveAndDestroy();

    /// The parent item; null for the root and for items not inserted.
    TreeItem* GetParent() const { return itemOf(detail::RowSequence::ownerOf(this)); }
    ///@{
    /// The sibling after (before) this item, or null.
    TreeItem* GetNextSibling() const;
    TreeItem* GetPrevSibling() const;
    ///@}
    ///@{
    /// The first (last) child, or null.
    TreeItem* GetFirstChild() const;
    TreeItem* GetLastChild() const;
    ///@}
    /// The child at `index`, or null out of range.
    TreeItem* GetChild(std::size_t index) const;
    /// How many children the item has directly.
    std::size_t GetChildCount() const;
    /// True when the item has children.
    bool HasChildren() const { return GetChildCount() != 0; }
    /// Position among the siblings.
    std::size_t GetIndexInParent() const;
    /// Number of ancestors.
    unsigned int GetDepth() const;
    /// True when `ancestor` lies above this item (an item is not its own descendant).
    bool IsDescendantOf(const TreeItem* ancestor) const;

    ///@{
    /// Whether the children show; changing it sends no event.
    bool IsExpanded() const { return m_expanded; }
    void Expand() { setExpanded(true); }
    void Collapse() { setExpanded(false); }
    void Toggle() { setExpanded(!m_expanded); }
    ///@}
    /// True when the item is selected in its tree.
    bool IsSelected() const { return m_selected; }

    ///@{
    /// The item's data of the caller's own, not owned.
    void* GetUserData() const { return m_userData; }
    void SetUserData(void* data) { m_userData = data; }
    ///@}

private:
    friend class TreeControl;
    friend class TreeItemHandle;

    // What only some items need: children, own texts, an image. Leaves of
    // trees that keep their texts elsewhere have none of it.
    struct Data;

    Data* data() const;
    Data& ensureData();
    detail::RowSequence* children() const;
    void setExpanded(bool expanded);
    /// The rows the item stands for: 0 when its tree's filter hides it.
    std::size_t rowWeight() const;
    void updateWeights();
    void detach();
    /// Deletes every item below this one, telling `goes` of each first.
    void destroyChildren(const std::function<void(TreeItem*)>& goes);
    /// Deletes the items of `children` and everything below them, leaving it
    /// empty; `goes`, when given, is told of each first.
    static void deleteItems(detail::RowSequence& children, const std::function<void(TreeItem*)>& goes = nullptr);
    static TreeItem* itemOf(detail::RowNode* node) { return static_cast<TreeItem*>(node); }

    // The item's Data when it has one (which then knows the owner), else
    // its owner tagged in the lowest bit: an item is four pointers' worth.
    std::uintptr_t m_dataOrOwner;
    void* m_userData = nullptr;
};

} // namespace wxUtils
