#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/detail/RowSequence.h>

#include <wx/string.h>

#include <cstddef>
#include <vector>

namespace wxUtils
{

class TreeControl;

/// One item of a TreeControl: a label (column 0), further column texts, an
/// image and child items. Made with new; once inserted (TreeControl::SetRoot,
/// InsertChild) the tree owns it and RemoveAndDestroy deletes it together with
/// all its descendants.
class DBUI_TOOLKIT_EXPORT TreeItem : private detail::RowNode
{
public:
    /// `expanded` says whether the children show from the start.
    TreeItem(const wxString& label, TreeControl* owner, bool expanded = false);
    /// The same, taking over a label made for the item.
    TreeItem(wxString&& label, TreeControl* owner, bool expanded = false);
    /// Deletes the children too. Only for items that were never inserted:
    /// inserted items go with RemoveAndDestroy or with their tree.
    ~TreeItem();
    TreeItem(const TreeItem&) = delete;
    TreeItem& operator=(const TreeItem&) = delete;

    /// The tree the item was made for.
    TreeControl* GetOwner() const { return m_owner; }

    ///@{
    /// The text of column 0, beside the tree lines.
    const wxString& GetLabel() const { return m_label; }
    void SetLabel(const wxString& label) { SetColumnText(0, label); }
    ///@}
    /// Text of a column (0 is the label); empty for a column never set.
    const wxString& GetColumnText(unsigned int column) const;
    ///@{
    /// Sets the text of a column (0 is the label) and repaints the row.
    void SetColumnText(unsigned int column, const wxString& text) { SetColumnText(column, wxString(text)); }
    void SetColumnText(unsigned int column, wxString&& text);
    ///@}
    /// Index into the tree's image list, -1 for none.
    int GetImage() const { return m_image; }
    /// Shows image `image` of the tree's image list before the label; -1 for none.
    void SetImage(int image);

    /// Inserts `child` (a new item, or one taken out of nowhere) before `before`,
    /// one of this item's children, or at the end when `before` is null.
    void InsertChild(TreeItem* child, TreeItem* before = nullptr);
    /// Inserts `child` as the last child.
    void AppendChild(TreeItem* child) { InsertChild(child, nullptr); }
    /// Moves this item under `newParent`, before `before` (null for the end).
    void Reparent(TreeItem* newParent, TreeItem* before = nullptr);
    /// Takes this item and its descendants out of the tree and deletes them.
    void RemoveAndDestroy();

    /// The parent item; null for the root and for items not inserted.
    TreeItem* GetParent() const { return m_parent; }
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
    std::size_t GetChildCount() const { return m_children.size(); }
    /// True when the item has children.
    bool HasChildren() const { return !m_children.empty(); }
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

    void setExpanded(bool expanded);
    void updateWeights();
    void detach();
    static TreeItem* itemOf(detail::RowNode* node) { return static_cast<TreeItem*>(node); }

    TreeControl* m_owner;
    TreeItem* m_parent = nullptr;
    detail::RowSequence m_children;
    wxString m_label;
    // Most trees have one or two columns: the label and the second column
    // live in the item, so that filling a big two-column tree allocates no
    // vector per item; columns 2 and up, rarer, go in the vector.
    wxString m_secondColumnText;
    std::vector<wxString> m_moreColumnTexts;
    void* m_userData = nullptr;
    int m_image = -1;
    bool m_expanded;
};

} // namespace wxUtils
