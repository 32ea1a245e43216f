#include <wxUtils/TreeControl.h>

#include <wxUtils/TreeItemHandle.h>

#include <wx/dc.h>
#include <wx/imaglist.h>
#include <wx/renderer.h>

#include <vector>

wxDEFINE_EVENT(wxUTILS_EVT_TREE_SEL_CHANGED, wxUtils::TreeEvent);
wxDEFINE_EVENT(wxUTILS_EVT_TREE_ITEM_CONTEXT_MENU, wxUtils::TreeEvent);
wxDEFINE_EVENT(wxUTILS_EVT_TREE_BEGIN_LABEL_EDIT, wxUtils::TreeEvent);
wxDEFINE_EVENT(wxUTILS_EVT_TREE_END_LABEL_EDIT, wxUtils::TreeEvent);
wxDEFINE_EVENT(wxUTILS_EVT_TREE_ITEM_ACTIVATED, wxUtils::TreeEvent);
wxDEFINE_EVENT(wxUTILS_EVT_TREE_BEGIN_DRAG, wxUtils::TreeEvent);
wxDEFINE_EVENT(wxUTILS_EVT_TREE_DRAG_OVER, wxUtils::TreeEvent);
wxDEFINE_EVENT(wxUTILS_EVT_TREE_END_DRAG, wxUtils::TreeEvent);

namespace wxUtils
{

using detail::RowNode;

TreeEvent::TreeEvent(wxEventType type, int id) : wxNotifyEvent(type, id)
{
}

TreeControl::TreeControl() = default;

TreeControl::TreeControl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                         const wxString& name)
{
    Create(parent, id, pos, size, style, name);
}

TreeControl::~TreeControl()
{
    m_editedItem = nullptr;
    forgetAllNodes();
    delete m_root;
    m_root = nullptr;
}

bool TreeControl::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                         const wxString& name)
{
    if (!OrkColumnWindow::Create(parent, id, pos, size, style, name))
        return false;
    m_indent = FromDIP(18);
    addColumn(0, wxString());
    m_hoverTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &TreeControl::onHoverTimer, this, m_hoverTimer.GetId());
    return true;
}

// ---------------------------------------------------------------------------
// Items
// ---------------------------------------------------------------------------

void TreeControl::SetRoot(TreeItem* root)
{
    wxCHECK_RET(root, "SetRoot with a null item; use DeleteAllItems to empty the tree");
    wxCHECK_RET(!root->GetParent(), "SetRoot with an item that has a parent");
    wxCHECK_RET(root->GetOwner() == this, "SetRoot with an item made for another tree control");
    if (root == m_root)
        return;
    if (m_root)
    {
        TreeItem* old = m_root;
        itemAboutToBeDestroyed(old);
        m_root = nullptr;
        delete old;
    }
    m_root = root;
    root->m_expanded = true;
    root->m_expandedBeforeFilter = true;
    if (IsFiltered())
        filterSubtree(root, Retest);
    root->updateWeights();
    itemsChanged();
}

void TreeControl::DeleteAllItems()
{
    if (m_editedItem)
        EndEditLabel(false);
    forgetAllNodes();
    delete m_root;
    m_root = nullptr;
    m_filterMatches = 0;
    itemsChanged();
}

void TreeControl::DeleteChildren(TreeItem* item)
{
    wxCHECK_RET(item && item->GetOwner() == this, "DeleteChildren needs an item of this tree control");
    if (!item->HasChildren())
        return;
    if (m_editedItem && m_editedItem != item && m_editedItem->IsDescendantOf(item))
    {
        m_editedItem = nullptr;
        endRename(false);
    }
    // What itemAboutToBeDestroyed does for each, in the walk that deletes them.
    item->destroyChildren(
        [this](TreeItem* doomed)
        {
            forgetNode(nodeOf(doomed));
            m_filterMatches -= doomed->m_matched ? 1 : 0;
        });
    itemsChanged();
}

std::size_t TreeControl::GetCount() const
{
    std::size_t count = 0;
    std::vector<const TreeItem*> pending;
    if (m_root)
        pending.push_back(m_root);
    while (!pending.empty())
    {
        const TreeItem* item = pending.back();
        pending.pop_back();
        ++count;
        if (const detail::RowSequence* children = item->children())
            children->forEach([&pending](RowNode* node) { pending.push_back(itemOf(node)); });
    }
    return count;
}

bool TreeControl::isInTree(const TreeItem* item) const
{
    while (item && item->GetParent())
        item = item->GetParent();
    return item && item == m_root;
}

void TreeControl::itemAboutToBeDestroyed(TreeItem* item)
{
    if (m_editedItem && (m_editedItem == item || m_editedItem->IsDescendantOf(item)))
    {
        m_editedItem = nullptr;
        endRename(false);
    }
    forgetNode(nodeOf(item));
    m_filterMatches -= item->m_matched ? 1 : 0;
    if (!item->HasChildren())
        return; // most removals: a leaf, no list to make
    std::vector<TreeItem*> pending;
    auto collect = [&pending](RowNode* node) { pending.push_back(itemOf(node)); };
    item->children()->forEach(collect);
    while (!pending.empty())
    {
        TreeItem* current = pending.back();
        pending.pop_back();
        forgetNode(nodeOf(current));
        m_filterMatches -= current->m_matched ? 1 : 0;
        if (const detail::RowSequence* children = current->children())
            children->forEach(collect);
    }
}

void TreeControl::branchHiding(TreeItem* top, HiddenRows hidden)
{
    // Hidden items leave the selection: acting on items the user cannot see
    // (deleting them, say) would surprise. Only rows that show can be
    // selected, so what leaves is what the branch shows now.
    const std::size_t selected = GetSelectedItemCount();
    if (selected == 0)
        return;
    const std::size_t shownBelow = top->m_expanded && hasShownChildren(top) ? top->children()->weight() : 0;
    const std::size_t hiding = shownBelow + (hidden == ItemAndRowsBelow ? 1 : 0);
    if (hiding == 0)
        return;
    std::vector<RowNode*> leaving;
    if (selected <= hiding)
    {
        // A few selected among many rows: each asks whether it lies in the branch.
        forEachSelectedNode(
            [&](RowNode* node)
            {
                const TreeItem* item = itemOf(node);
                if ((hidden == ItemAndRowsBelow && item == top) || item->IsDescendantOf(top))
                    leaving.push_back(node);
            });
    }
    else
    {
        // Many selected: the rows the branch shows are walked, not the selection.
        std::vector<TreeItem*> pending{top};
        if (hidden == ItemAndRowsBelow && top->m_selected)
            leaving.push_back(nodeOf(top));
        while (!pending.empty())
        {
            const TreeItem* item = pending.back();
            pending.pop_back();
            if (!item->m_expanded || !item->children())
                continue;
            item->children()->forEach(
                [&](RowNode* node)
                {
                    if (node->m_weight == 0)
                        return; // hidden by the filter, so not selected
                    if (node->m_selected)
                        leaving.push_back(node);
                    pending.push_back(itemOf(node));
                });
        }
    }
    if (leaving.size() == selected)
        clearSelectionSilently();
    else
        for (RowNode* node : leaving)
            selectNode(node, false);
}

void TreeControl::dropHiddenFromSelection()
{
    std::vector<RowNode*> leaving;
    forEachSelectedNode(
        [&](RowNode* node)
        {
            std::size_t row = 0;
            if (!rowOfNode(node, row))
                leaving.push_back(node);
        });
    for (RowNode* node : leaving)
        selectNode(node, false);
    settleFocus();
}

void TreeControl::matchesMayHaveGone(TreeItem* parent)
{
    if (!IsFiltered())
        return;
    // A branch left without a match showed only the chain of ancestors of
    // the matches that went: that chain is all that hides.
    for (TreeItem* item = parent; item && item->m_weight == 0; item = item->GetParent())
        selectNode(nodeOf(item), false);
    settleFocus();
}

void TreeControl::settleFocus()
{
    RowNode* focus = getFocusNode();
    std::size_t row = 0;
    if (!focus || rowOfNode(focus, row))
        return;
    TreeItem* visible = itemOf(focus);
    while (visible && !rowOfNode(nodeOf(visible), row))
        visible = visible->GetParent();
    setFocusNode(visible ? nodeOf(visible) : nullptr);
}

// ---------------------------------------------------------------------------
// Selection
// ---------------------------------------------------------------------------

Orkutils::Vector<TreeItem*> TreeControl::GetSelection() const
{
    Orkutils::Vector<TreeItem*> selection;
    for (RowNode* node : selectedNodes())
        selection.push_back(itemOf(node));
    return selection;
}

Orkutils::Vector<TreeItem*> TreeControl::GetSelectionWithoutChildren() const
{
    Orkutils::Vector<TreeItem*> selection;
    for (RowNode* node : selectedNodes())
    {
        bool ancestorSelected = false;
        for (const TreeItem* parent = itemOf(node)->GetParent(); parent && !ancestorSelected;
             parent = parent->GetParent())
            ancestorSelected = parent->m_selected;
        if (!ancestorSelected)
            selection.push_back(itemOf(node));
    }
    return selection;
}

void TreeControl::Select(TreeItem* item, bool select)
{
    wxCHECK_RET(item && isInTree(item), "Select on an item that is not in this tree");
    if (!select)
    {
        if (!item->m_selected)
            return;
        selectNode(nodeOf(item), false);
        sendEvent(wxUTILS_EVT_TREE_SEL_CHANGED, GetFocusedItem());
        return;
    }
    if (item->m_weight == 0)
        return; // hidden by the filter: what the user cannot see is not selected
    const bool unchanged = item->m_selected && GetSelectedItemCount() == 1;
    EnsureVisible(item);
    clearSelectionSilently();
    selectNode(nodeOf(item), true);
    setFocusNode(nodeOf(item));
    if (!unchanged)
        sendEvent(wxUTILS_EVT_TREE_SEL_CHANGED, item);
}

void TreeControl::SelectItems(const std::vector<TreeItem*>& items)
{
    clearSelectionSilently();
    TreeItem* first = nullptr;
    for (TreeItem* item : items)
    {
        wxCHECK2_MSG(item && isInTree(item), continue, "SelectItems with an item that is not in this tree");
        if (item->m_weight == 0)
            continue;
        // Opened, not scrolled to: finding each row of a long selection and
        // scrolling to it would cost far more than selecting it.
        for (TreeItem* parent = item->GetParent(); parent; parent = parent->GetParent())
            parent->Expand();
        selectNode(nodeOf(item), true);
        if (!first)
            first = item;
    }
    if (first)
    {
        setFocusNode(nodeOf(first));
        EnsureVisible(first);
    }
    sendEvent(wxUTILS_EVT_TREE_SEL_CHANGED, first);
}

void TreeControl::UnselectAll()
{
    clearSelectionSilently();
}

TreeItem* TreeControl::GetFocusedItem() const
{
    return getFocusNode() ? itemOf(getFocusNode()) : nullptr;
}

// ---------------------------------------------------------------------------
// Expansion and rows
// ---------------------------------------------------------------------------

void TreeControl::EnsureVisible(TreeItem* item)
{
    wxCHECK_RET(item && isInTree(item), "EnsureVisible on an item that is not in this tree");
    for (TreeItem* parent = item->GetParent(); parent; parent = parent->GetParent())
        parent->Expand();
    std::size_t row = 0;
    if (rowOfNode(nodeOf(item), row))
        ensureRowVisible(row);
}

void TreeControl::storeWeight(TreeItem* item)
{
    const std::size_t weight = item->rowWeight();
    if (TreeItem* parent = item->GetParent())
        parent->children()->setWeight(item, weight);
    else
        item->m_weight = static_cast<std::uint32_t>(weight);
}

void TreeControl::setExpandedRecursively(TreeItem* top, bool expanded)
{
    // Depth first, each item's weight stored once its children's are final:
    // one pass over the branch rather than a climb to the root per item.
    // The stack is our own, so that a deep chain of items cannot exhaust the
    // thread's; siblings are visited in turn, close together in memory.
    struct Frame
    {
        TreeItem* item;
        const detail::RowSequence* children;
        RowNode* nextChild;
    };
    std::vector<Frame> stack;
    auto enter = [&stack, expanded](TreeItem* item)
    {
        item->m_expanded = expanded;
        if (const detail::RowSequence* children = item->children())
            stack.push_back({item, children, children->first()});
        else
            storeWeight(item); // a leaf, most of a big tree: final at once
    };
    enter(top);
    while (!stack.empty())
    {
        Frame& frame = stack.back();
        if (RowNode* child = frame.nextChild)
        {
            frame.nextChild = frame.children->next(child);
            enter(itemOf(child)); // may move the frames: `frame` is not used after
            continue;
        }
        storeWeight(frame.item);
        stack.pop_back();
    }
    if (TreeItem* parent = top->GetParent())
        parent->updateWeights();
}

void TreeControl::ExpandAll()
{
    if (m_root)
        ExpandAllChildren(m_root);
}

void TreeControl::CollapseAll()
{
    if (m_root)
        CollapseAllChildren(m_root);
}

void TreeControl::ExpandAllChildren(TreeItem* item)
{
    wxCHECK_RET(item && isInTree(item), "ExpandAllChildren on an item that is not in this tree");
    setExpandedRecursively(item, true);
    itemsChanged();
}

void TreeControl::CollapseAllChildren(TreeItem* item)
{
    wxCHECK_RET(item && isInTree(item), "CollapseAllChildren on an item that is not in this tree");
    // Read before the branch closes: what it shows now is what goes.
    branchHiding(item, RowsBelow);
    setExpandedRecursively(item, false);
    settleFocus();
    itemsChanged();
}

TreeItem* TreeControl::HitTest(const wxPoint& point) const
{
    std::size_t row = 0;
    return hitTestRow(point, row) ? GetItemAtRow(row) : nullptr;
}

bool TreeControl::GetItemRow(const TreeItem* item, std::size_t& row) const
{
    return item && rowOfNode(item, row);
}

TreeItem* TreeControl::GetItemAtRow(std::size_t row) const
{
    return itemOf(nodeAtRow(row));
}

std::size_t TreeControl::getRowCount() const
{
    return m_root ? m_root->m_weight : 0;
}

RowNode* TreeControl::nodeAtRow(std::size_t row) const
{
    if (!m_root || row >= m_root->m_weight)
        return nullptr;
    TreeItem* item = m_root;
    std::size_t offset = row;
    while (offset > 0)
    {
        --offset;
        const detail::RowSequence* children = item->children();
        RowNode* child = children ? children->findByWeight(offset) : nullptr;
        if (!child)
            return nullptr;
        item = itemOf(child);
    }
    return item;
}

RowNode* TreeControl::nodeAfter(RowNode* node) const
{
    TreeItem* item = itemOf(node);
    if (item->m_expanded && hasShownChildren(item))
        return item->children()->firstShown();
    for (TreeItem* parent = item->GetParent(); parent; item = parent, parent = parent->GetParent())
        if (RowNode* next = parent->children()->nextShown(item))
            return next;
    return nullptr;
}

bool TreeControl::hasShownChildren(const TreeItem* item)
{
    // Children the filter hides weigh nothing.
    const detail::RowSequence* children = item->children();
    return children && children->weight() > 0;
}

bool TreeControl::rowOfNode(const RowNode* node, std::size_t& row) const
{
    const TreeItem* item = itemOf(node);
    if (item->m_weight == 0)
        return false; // hidden by the filter
    std::size_t result = 0;
    for (const TreeItem* parent = item->GetParent(); parent; item = parent, parent = parent->GetParent())
    {
        if (!parent->m_expanded)
            return false;
        result += 1 + parent->children()->weightBefore(item);
    }
    if (item != m_root)
        return false;
    row = result;
    return true;
}

// ---------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------

wxRect TreeControl::expanderRect(const TreeItem* item, const wxRect& rowRect) const
{
    const int x = getColumnLeft(0) + getTextPadding() + static_cast<int>(item->GetDepth()) * m_indent;
    return wxRect(x, rowRect.y, m_indent, rowRect.height);
}

int TreeControl::labelInset(const TreeItem* item) const
{
    int inset = static_cast<int>(item->GetDepth() + 1) * m_indent;
    const int image = item->GetImage();
    if (m_images && image >= 0)
    {
        int width = 0;
        int height = 0;
        m_images->GetSize(image, width, height);
        inset += width + getTextPadding();
    }
    return inset;
}

void TreeControl::paintRow(wxDC& dc, RowNode* node, std::size_t, const wxRect& rect)
{
    const TreeItem* item = itemOf(node);
    const wxRect expander = expanderRect(item, rect);
    if (hasShownChildren(item))
    {
        const int size = std::min(FromDIP(12), rect.height);
        const wxRect button(expander.x + (expander.width - size) / 2, rect.y + (rect.height - size) / 2, size, size);
        wxRendererNative::Get().DrawTreeItemButton(this, dc, button, item->m_expanded ? int(wxCONTROL_EXPANDED) : 0);
    }
    const int image = item->GetImage();
    if (m_images && image >= 0 && image < m_images->GetImageCount())
    {
        int width = 0;
        int height = 0;
        m_images->GetSize(image, width, height);
        m_images->Draw(image, dc, expander.GetRight() + 1, rect.y + (rect.height - height) / 2,
                       wxIMAGELIST_DRAW_TRANSPARENT);
    }
    drawCellText(dc, 0, rect, item->GetLabel(), labelInset(item));
    for (unsigned int c = 1; c < getColumnCount(); ++c)
        drawCellText(dc, c, rect, item->GetColumnText(c));
}

wxString TreeControl::itemText(const TreeItem&, unsigned int) const
{
    return wxString();
}

int TreeControl::itemImage(const TreeItem&) const
{
    return -1;
}

void TreeControl::AssignImageList(wxImageList* images, int)
{
    m_images.reset(images);
    itemsChanged();
}

// ---------------------------------------------------------------------------
// User input
// ---------------------------------------------------------------------------

void TreeControl::sendEvent(wxEventType type, TreeItem* item, const wxPoint& point, const wxString& label)
{
    TreeEvent event(type, GetId());
    event.SetEventObject(this);
    event.SetItem(item);
    event.SetPoint(point);
    event.SetLabel(label);
    ProcessWindowEvent(event);
}

void TreeControl::onSelectionChanged()
{
    sendEvent(wxUTILS_EVT_TREE_SEL_CHANGED, GetFocusedItem());
}

bool TreeControl::previewKey(wxKeyEvent& event)
{
    if ((event.GetKeyCode() == WXK_RETURN || event.GetKeyCode() == WXK_NUMPAD_ENTER) && GetFocusedItem())
    {
        sendEvent(wxUTILS_EVT_TREE_ITEM_ACTIVATED, GetFocusedItem());
        return true;
    }
    return false;
}

bool TreeControl::expandRow(RowNode* node, bool expand)
{
    TreeItem* item = itemOf(node);
    TreeItem* target = nullptr;
    const std::size_t selectedBefore = GetSelectedItemCount();
    if (expand)
    {
        if (!hasShownChildren(item))
            return true;
        if (!item->m_expanded)
            item->Expand();
        else
            target = itemOf(item->children()->firstShown());
    }
    else
    {
        if (item->m_expanded && hasShownChildren(item))
            item->Collapse();
        else
            target = item->GetParent();
    }
    if (target)
        Select(target, true);
    else if (GetSelectedItemCount() != selectedBefore)
        onSelectionChanged();
    return true;
}

bool TreeControl::clickDecoration(RowNode* node, const wxPoint& point)
{
    TreeItem* item = itemOf(node);
    std::size_t row = 0;
    if (!hasShownChildren(item) || !rowOfNode(node, row))
        return false;
    const wxRect expander = expanderRect(item, getRowRect(row));
    if (point.x < expander.x || point.x >= expander.GetRight() + 1)
        return false;
    const std::size_t selectedBefore = GetSelectedItemCount();
    item->Toggle();
    if (GetSelectedItemCount() != selectedBefore)
        onSelectionChanged();
    return true;
}

void TreeControl::onRowDoubleClicked(RowNode* node)
{
    TreeItemHandle item(itemOf(node));
    if (hasShownChildren(item.get()))
    {
        const std::size_t selectedBefore = GetSelectedItemCount();
        item.get()->Toggle();
        // The selection's handlers may delete the item.
        if (GetSelectedItemCount() != selectedBefore)
            onSelectionChanged();
    }
    if (item)
        sendEvent(wxUTILS_EVT_TREE_ITEM_ACTIVATED, item.get());
}

void TreeControl::onRowContextMenu(RowNode* node, const wxPoint& point)
{
    sendEvent(wxUTILS_EVT_TREE_ITEM_CONTEXT_MENU, node ? itemOf(node) : nullptr, point);
}

void TreeControl::onRenameRequested(RowNode* node)
{
    EditLabel(itemOf(node));
}

// ---------------------------------------------------------------------------
// Renaming in place
// ---------------------------------------------------------------------------

void TreeControl::EditLabel(TreeItem* item)
{
    if (!item || hasOrkStyle(ReadOnlyLabels))
        return;
    wxCHECK_RET(isInTree(item), "EditLabel on an item that is not in this tree");
    // Accepting the label being edited, and the begin event, run handlers
    // that may delete the item: it is held where its deletion is noticed.
    const TreeItemHandle held(item);
    if (m_editedItem)
        EndEditLabel(true);
    if (!held)
        return;
    EnsureVisible(item);

    TreeEvent begin(wxUTILS_EVT_TREE_BEGIN_LABEL_EDIT, GetId());
    begin.SetEventObject(this);
    begin.SetItem(item);
    begin.SetLabel(item->GetLabel());
    ProcessWindowEvent(begin);
    if (!begin.IsAllowed() || !held)
        return;

    std::size_t row = 0;
    if (!rowOfNode(nodeOf(item), row))
        return;
    const wxRect rowRect = getRowRect(row);
    const int left = getColumnLeft(0) + labelInset(item);
    const int right = getColumnLeft(0) + getColumnWidth(0);
    beginRename(this, wxRect(left, rowRect.y, std::max(right - left, FromDIP(60)), rowRect.height), item->GetLabel());
    m_editedItem = item;
}

void TreeControl::EndEditLabel(bool accept)
{
    endRename(accept);
}

void TreeControl::onTextRenameFinished(const wxString& text, bool cancelled)
{
    const TreeItemHandle item(m_editedItem);
    m_editedItem = nullptr;
    if (!item || cancelled || text == item.get()->GetLabel())
        return;
    TreeEvent end(wxUTILS_EVT_TREE_END_LABEL_EDIT, GetId());
    end.SetEventObject(this);
    end.SetItem(item.get());
    end.SetLabel(text);
    const bool processed = ProcessWindowEvent(end);
    // A handler that let the event pass may still have deleted the item.
    if (!processed && end.IsAllowed() && item)
        item.get()->SetLabel(text);
}

} // namespace wxUtils
