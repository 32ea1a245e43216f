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

    TreeControl* GetOwner() const { return m_owner; }

    const wxString& GetLabel() const { return m_label; }
    void SetLabel(const wxString& label) { SetColumnText(0, label); }
    /// Text of a column (0 is the label); empty for a column never set.
    const wxString& GetColumnText(unsigned int column) const;
    void SetColumnText(unsigned int column, const wxString& text) { SetColumnText(column, wxString(text)); }
    void SetColumnText(unsigned int column, wxString&& text);
    /// Index into the tree's image list, -1 for none.
    int GetImage() const { return m_image; }
    void SetImage(int image);

    /// Inserts `child` (a new item, or one taken out of nowhere) before `before`,
    /// one of this item's children, or at the end when `before` is null.
    void InsertChild(TreeItem* child, TreeItem* before = nullptr);
    void AppendChild(TreeItem* child) { InsertChild(child, nullptr); }
    /// Moves this item under `newParent`, before `before` (null for the end).
    void Reparent(TreeItem* newParent, TreeItem* before = nullptr);
    /// Takes this item and its descendants out of the tree and deletes them.
    void RemoveAndDestroy();

    TreeItem* GetParent() const { return m_parent; }
    TreeItem* GetNextSibling() const;
    TreeItem* GetPrevSibling() const;
    TreeItem* GetFirstChild() const;
    TreeItem* GetLastChild() const;
    TreeItem* GetChild(std::size_t index) const;
    std::size_t GetChildCount() const { return m_children.size(); }
    bool HasChildren() const { return !m_children.empty(); }
    /// Position among the siblings.
    std::size_t GetIndexInParent() const;
    /// Number of ancestors.
    unsigned int GetDepth() const;
    bool IsDescendantOf(const TreeItem* ancestor) const;

    bool IsExpanded() const { return m_expanded; }
    void Expand() { setExpanded(true); }
    void Collapse() { setExpanded(false); }
    void Toggle() { setExpanded(!m_expanded); }
    bool IsSelected() const { return m_selected; }

    void* GetUserData() const { return m_userData; }
    void SetUserData(void* data) { m_userData = data; }

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
