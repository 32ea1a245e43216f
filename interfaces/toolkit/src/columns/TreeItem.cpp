#include <wxUtils/TreeItem.h>

#include "SlotPool.h"

#include <wxUtils/TreeControl.h>
#include <wxUtils/TreeItemHandle.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace wxUtils
{

using detail::RowNode;
using detail::RowSequence;

static_assert(sizeof(TreeItem) <= 32, "tree items must stay small: big trees hold hundreds of thousands");

namespace
{

// Columns whose own texts an item can hold; a tree shows a handful.
constexpr unsigned int s_maxColumns = 32;

detail::SlotPool& itemPool()
{
    // Never destroyed: items of windows that outlive static destruction still go back to it.
    static auto* pool = new detail::SlotPool(sizeof(TreeItem));
    return *pool;
}

} // namespace

struct TreeItem::Data
{
    Data(TreeControl* treeOwner, TreeItem* item) : owner(treeOwner), children(item) {}

    bool isUnused() const { return children.empty() && ownColumns == 0 && image < 0; }

    TreeControl* owner;
    RowSequence children;
    // The first two columns inline: most trees show one or two.
    wxString texts[2];
    std::vector<wxString> moreTexts;
    // Bit c: the item holds its own text for column c.
    std::uint32_t ownColumns = 0;
    int image = -1;
};

// Inline: every step of filling or walking a tree asks it, and only this file does.
inline TreeItem::Data* TreeItem::data() const
{
    return (m_dataOrOwner & 1) ? nullptr : reinterpret_cast<Data*>(m_dataOrOwner);
}

TreeItem::TreeItem(TreeControl* owner, bool expanded) : m_dataOrOwner(reinterpret_cast<std::uintptr_t>(owner) | 1)
{
    wxASSERT_MSG(owner, "a TreeItem needs the tree control that will show it");
    m_expanded = expanded;
    m_expandedBeforeFilter = expanded;
}

TreeItem::TreeItem(const wxString& label, TreeControl* owner, bool expanded)
    : TreeItem(wxString(label), owner, expanded)
{
}

TreeItem::TreeItem(wxString&& label, TreeControl* owner, bool expanded) : TreeItem(owner, expanded)
{
    Data& data = ensureData();
    data.texts[0] = std::move(label);
    data.ownColumns = 1;
}

void TreeItem::deleteItems(RowSequence& children, const std::function<void(TreeItem*)>& goes)
{
    // Iterative: a deep chain of items must not exhaust the stack.
    std::vector<TreeItem*> doomed;
    auto collect = [&doomed](RowNode* node) { doomed.push_back(itemOf(node)); };
    children.forEach(collect);
    children.clear();
    while (!doomed.empty())
    {
        TreeItem* item = doomed.back();
        doomed.pop_back();
        if (Data* data = item->data())
        {
            data->children.forEach(collect);
            data->children.clear();
        }
        if (goes)
            goes(item);
        delete item;
    }
}

TreeItem::~TreeItem()
{
    Data* own = data();
    if (!own)
        return;
    deleteItems(own->children);
    delete own;
}

void TreeItem::destroyChildren(const std::function<void(TreeItem*)>& goes)
{
    Data* own = data();
    if (!own)
        return;
    deleteItems(own->children, goes);
    // A plain leaf again, as after its last child's detach.
    if (own->isUnused())
    {
        m_dataOrOwner = reinterpret_cast<std::uintptr_t>(own->owner) | 1;
        delete own;
    }
    updateWeights();
}

void* TreeItem::operator new(std::size_t size)
{
    // A class derived from TreeItem is larger: it gets heap memory.
    return size == sizeof(TreeItem) ? itemPool().allocate() : ::operator new(size);
}

void TreeItem::operator delete(void* memory, std::size_t size)
{
    if (!memory)
        return;
    if (size == sizeof(TreeItem))
        itemPool().release(memory);
    else
        ::operator delete(memory);
}

TreeItem::Data& TreeItem::ensureData()
{
    if (!data())
        m_dataOrOwner = reinterpret_cast<std::uintptr_t>(new Data(GetOwner(), this));
    return *data();
}

RowSequence* TreeItem::children() const
{
    Data* own = data();
    return own ? &own->children : nullptr;
}

TreeControl* TreeItem::GetOwner() const
{
    if (const Data* own = data())
        return own->owner;
    return reinterpret_cast<TreeControl*>(m_dataOrOwner & ~std::uintptr_t(1));
}

// ---------------------------------------------------------------------------
// Texts and image
// ---------------------------------------------------------------------------

wxString TreeItem::GetColumnText(unsigned int column) const
{
    const Data* own = data();
    if (own && column < s_maxColumns && (own->ownColumns >> column & 1))
        return column < 2 ? own->texts[column] : own->moreTexts[column - 2];
    return GetOwner()->itemText(*this, column);
}

void TreeItem::SetColumnText(unsigned int column, wxString&& text)
{
    wxCHECK_RET(column < s_maxColumns, "SetColumnText on a column beyond the 32 an item can hold");
    Data& own = ensureData();
    if (column < 2)
        own.texts[column] = std::move(text);
    else
    {
        if (column - 2 >= own.moreTexts.size())
            own.moreTexts.resize(column - 1);
        own.moreTexts[column - 2] = std::move(text);
    }
    own.ownColumns |= std::uint32_t(1) << column;
    TreeControl* owner = GetOwner();
    if (owner->IsFiltered())
        owner->RefilterItem(this);
    owner->itemsChanged();
}

int TreeItem::GetImage() const
{
    const Data* own = data();
    return own && own->image >= 0 ? own->image : GetOwner()->itemImage(*this);
}

void TreeItem::SetImage(int image)
{
    ensureData().image = image;
    GetOwner()->itemsChanged();
}

// ---------------------------------------------------------------------------
// Structure
// ---------------------------------------------------------------------------

void TreeItem::InsertChild(TreeItem* child, TreeItem* before)
{
    TreeControl* owner = GetOwner();
    wxCHECK_RET(child, "InsertChild with a null child");
    wxCHECK_RET(!child->GetParent() && child != owner->m_root, "InsertChild with an item that is already in a tree");
    // Only an item with children can be an ancestor: new items, which a big
    // fill inserts by the hundred thousand, skip the walk to the root.
    wxCHECK_RET(child != this && !(child->HasChildren() && IsDescendantOf(child)),
                "InsertChild would make an item its own ancestor");
    wxCHECK_RET(child->GetOwner() == owner, "InsertChild with an item of another tree control");
    wxCHECK_RET(!before || before->GetParent() == this, "InsertChild before an item that is not a child of this one");
    // Tested before it joins, so that its weight is right from the start.
    const bool revealed = owner->IsFiltered() && owner->filterSubtree(child, TreeControl::Retest);
    ensureData().children.insert(child, before);
    updateWeights();
    if (revealed)
        owner->revealAncestors(child);
    owner->itemsChanged();
}

void TreeItem::Reparent(TreeItem* newParent, TreeItem* before)
{
    wxCHECK_RET(newParent, "Reparent to a null parent");
    wxCHECK_RET(newParent != this && !newParent->IsDescendantOf(this), "Reparent into the item's own subtree");
    wxCHECK_RET(!before || before->GetParent() == newParent,
                "Reparent before an item that is not a child of the new parent");
    TreeControl* owner = GetOwner();
    if (before == this)
        before = GetNextSibling();
    if (owner->m_editedItem && (owner->m_editedItem == this || owner->m_editedItem->IsDescendantOf(this)))
        owner->EndEditLabel(false);
    TreeItem* oldParent = GetParent();
    detach();
    newParent->ensureData().children.insert(this, before);
    newParent->updateWeights();
    owner->matchesMayHaveGone(oldParent);
    // A match that moves under a parent the filter had hidden shows there.
    if (owner->IsFiltered() && m_weight > 0)
        owner->revealAncestors(this);
    std::size_t row = 0;
    if (!owner->rowOfNode(this, row))
        owner->branchHiding(this, TreeControl::ItemAndRowsBelow);
    owner->settleFocus();
    owner->itemsChanged();
}

void TreeItem::RemoveAndDestroy()
{
    TreeControl* owner = GetOwner();
    owner->itemAboutToBeDestroyed(this);
    TreeItem* parent = GetParent();
    detach();
    delete this;
    owner->matchesMayHaveGone(parent);
    owner->itemsChanged();
}

void TreeItem::detach()
{
    if (TreeItem* parent = GetParent())
    {
        Data* parentData = parent->data();
        parentData->children.erase(this);
        parent->updateWeights();
        // A parent that lost its last child becomes a plain leaf again.
        if (parentData->isUnused())
        {
            parent->m_dataOrOwner = reinterpret_cast<std::uintptr_t>(parentData->owner) | 1;
            delete parentData;
        }
    }
    else if (GetOwner()->m_root == this)
        GetOwner()->m_root = nullptr;
}

std::size_t TreeItem::rowWeight() const
{
    const RowSequence* kids = children();
    const std::size_t kidsWeight = kids ? kids->weight() : 0;
    // A filter hides what it does not accept unless something below shows.
    if (!m_matched && kidsWeight == 0 && GetOwner()->IsFiltered())
        return 0;
    return 1 + (m_expanded ? kidsWeight : 0);
}

void TreeItem::updateWeights()
{
    // Each item's weight is the rows its subtree shows; a change climbs
    // towards the root and stops at the first item whose weight stays.
    for (TreeItem* item = this; item;)
    {
        const std::size_t weight = item->rowWeight();
        if (weight == item->m_weight)
            break;
        TreeItem* parent = item->GetParent();
        if (parent)
            parent->children()->setWeight(item, weight);
        else
            item->m_weight = static_cast<std::uint32_t>(weight);
        item = parent;
    }
}

void TreeItem::setExpanded(bool expanded)
{
    if (expanded == m_expanded)
        return;
    TreeControl* owner = GetOwner();
    // Read before the item closes: what it shows now is what goes.
    if (!expanded)
        owner->branchHiding(this, TreeControl::RowsBelow);
    m_expanded = expanded;
    updateWeights();
    if (!expanded)
        owner->settleFocus();
    owner->itemsChanged();
}

// ---------------------------------------------------------------------------
// Navigation
// ---------------------------------------------------------------------------

TreeItem* TreeItem::GetNextSibling() const
{
    const TreeItem* parent = GetParent();
    return parent ? itemOf(parent->children()->next(this)) : nullptr;
}

TreeItem* TreeItem::GetPrevSibling() const
{
    const TreeItem* parent = GetParent();
    return parent ? itemOf(parent->children()->previous(this)) : nullptr;
}

TreeItem* TreeItem::GetFirstChild() const
{
    const RowSequence* kids = children();
    return kids ? itemOf(kids->first()) : nullptr;
}

TreeItem* TreeItem::GetLastChild() const
{
    const RowSequence* kids = children();
    return kids ? itemOf(kids->last()) : nullptr;
}

TreeItem* TreeItem::GetChild(std::size_t index) const
{
    const RowSequence* kids = children();
    return kids ? itemOf(kids->at(index)) : nullptr;
}

std::size_t TreeItem::GetChildCount() const
{
    const RowSequence* kids = children();
    return kids ? kids->size() : 0;
}

std::size_t TreeItem::GetIndexInParent() const
{
    const TreeItem* parent = GetParent();
    return parent ? parent->children()->indexOf(this) : 0;
}

unsigned int TreeItem::GetDepth() const
{
    unsigned int depth = 0;
    for (const TreeItem* item = GetParent(); item; item = item->GetParent())
        ++depth;
    return depth;
}

bool TreeItem::IsDescendantOf(const TreeItem* ancestor) const
{
    for (const TreeItem* item = GetParent(); item; item = item->GetParent())
        if (item == ancestor)
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// Handles
// ---------------------------------------------------------------------------

void TreeItemHandle::reset(TreeItem* item)
{
    m_row.reset(item ? item->GetOwner() : nullptr, item);
}

TreeItem* TreeItemHandle::get() const
{
    return static_cast<TreeItem*>(m_row.get());
}

} // namespace wxUtils
