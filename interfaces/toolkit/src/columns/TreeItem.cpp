#include <wxUtils/TreeItem.h>

#include <wxUtils/TreeControl.h>

#include <utility>

namespace wxUtils
{

using detail::RowNode;

TreeItem::TreeItem(const wxString& label, TreeControl* owner, bool expanded)
    : TreeItem(wxString(label), owner, expanded)
{
}

TreeItem::TreeItem(wxString&& label, TreeControl* owner, bool expanded)
    : m_owner(owner)
    , m_label(std::move(label))
    , m_expanded(expanded)
{
    wxASSERT_MSG(owner, "a TreeItem needs the tree control that will show it");
}

TreeItem::~TreeItem()
{
    m_children.forEach([](RowNode* node) { delete itemOf(node); });
}

const wxString& TreeItem::GetColumnText(unsigned int column) const
{
    static const wxString s_empty;
    if (column == 0)
        return m_label;
    if (column == 1)
        return m_secondColumnText;
    return column - 2 < m_moreColumnTexts.size() ? m_moreColumnTexts[column - 2] : s_empty;
}

void TreeItem::SetColumnText(unsigned int column, wxString&& text)
{
    if (column == 0)
        m_label = std::move(text);
    else if (column == 1)
        m_secondColumnText = std::move(text);
    else
    {
        if (column - 1 > m_moreColumnTexts.size())
            m_moreColumnTexts.resize(column - 1);
        m_moreColumnTexts[column - 2] = std::move(text);
    }
    m_owner->itemsChanged();
}

void TreeItem::SetImage(int image)
{
    m_image = image;
    m_owner->itemsChanged();
}

// ---------------------------------------------------------------------------
// Structure
// ---------------------------------------------------------------------------

void TreeItem::InsertChild(TreeItem* child, TreeItem* before)
{
    wxCHECK_RET(child, "InsertChild with a null child");
    wxCHECK_RET(!child->m_parent && child != m_owner->m_root, "InsertChild with an item that is already in a tree");
    wxCHECK_RET(child != this && !IsDescendantOf(child), "InsertChild would make an item its own ancestor");
    wxCHECK_RET(child->m_owner == m_owner, "InsertChild with an item of another tree control");
    wxCHECK_RET(!before || before->m_parent == this, "InsertChild before an item that is not a child of this one");
    m_children.insert(child, before);
    child->m_parent = this;
    updateWeights();
    m_owner->itemsChanged();
}

void TreeItem::Reparent(TreeItem* newParent, TreeItem* before)
{
    wxCHECK_RET(newParent, "Reparent to a null parent");
    wxCHECK_RET(newParent != this && !newParent->IsDescendantOf(this), "Reparent into the item's own subtree");
    wxCHECK_RET(!before || before->m_parent == newParent, "Reparent before an item that is not a child of the new parent");
    if (before == this)
        before = GetNextSibling();
    if (m_owner->m_editedItem && (m_owner->m_editedItem == this || m_owner->m_editedItem->IsDescendantOf(this)))
        m_owner->EndEditLabel(false);
    detach();
    newParent->m_children.insert(this, before);
    m_parent = newParent;
    newParent->updateWeights();
    m_owner->itemHidden(this);
    m_owner->itemsChanged();
}

void TreeItem::RemoveAndDestroy()
{
    m_owner->itemAboutToBeDestroyed(this);
    detach();
    TreeControl* owner = m_owner;
    delete this;
    owner->itemsChanged();
}

void TreeItem::detach()
{
    if (m_parent)
    {
        TreeItem* parent = m_parent;
        parent->m_children.erase(this);
        m_parent = nullptr;
        parent->updateWeights();
    }
    else if (m_owner->m_root == this)
        m_owner->m_root = nullptr;
}

void TreeItem::updateWeights()
{
    // Each item's weight is the rows its subtree shows; a change climbs
    // towards the root and stops at the first item whose weight stays.
    for (TreeItem* item = this; item;)
    {
        const std::size_t weight = 1 + (item->m_expanded ? item->m_children.weight() : 0);
        if (weight == item->m_weight)
            break;
        TreeItem* parent = item->m_parent;
        if (parent)
            parent->m_children.setWeight(item, weight);
        else
            item->m_weight = weight;
        item = parent;
    }
}

void TreeItem::setExpanded(bool expanded)
{
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    updateWeights();
    if (!expanded)
        m_owner->itemHidden(this);
    m_owner->itemsChanged();
}

// ---------------------------------------------------------------------------
// Navigation
// ---------------------------------------------------------------------------

TreeItem* TreeItem::GetNextSibling() const
{
    return m_parent ? itemOf(m_parent->m_children.next(this)) : nullptr;
}

TreeItem* TreeItem::GetPrevSibling() const
{
    return m_parent ? itemOf(m_parent->m_children.previous(this)) : nullptr;
}

TreeItem* TreeItem::GetFirstChild() const
{
    return itemOf(m_children.first());
}

TreeItem* TreeItem::GetLastChild() const
{
    return itemOf(m_children.last());
}

TreeItem* TreeItem::GetChild(std::size_t index) const
{
    return itemOf(m_children.at(index));
}

std::size_t TreeItem::GetIndexInParent() const
{
    return m_parent ? m_parent->m_children.indexOf(this) : 0;
}

unsigned int TreeItem::GetDepth() const
{
    unsigned int depth = 0;
    for (const TreeItem* item = m_parent; item; item = item->m_parent)
        ++depth;
    return depth;
}

bool TreeItem::IsDescendantOf(const TreeItem* ancestor) const
{
    for (const TreeItem* item = m_parent; item; item = item->m_parent)
        if (item == ancestor)
            return true;
    return false;
}

} // namespace wxUtils
