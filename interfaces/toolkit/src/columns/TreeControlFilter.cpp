// The tree's filter: rows hidden by weight 0, items kept.

#include <wxUtils/TreeControl.h>

#include <utility>

namespace wxUtils
{

using detail::RowNode;

namespace
{
constexpr std::ptrdiff_t s_fetchAhead = 8;
} // namespace

std::size_t TreeControl::SetFilter(std::function<bool(const TreeItem&)> matches, FilterScope scope)
{
    wxCHECK_MSG(matches, m_filterMatches, "SetFilter without a test; ClearFilter shows every item");
    const std::size_t selectedBefore = GetSelectedItemCount();
    FilterPass pass = FirstFilter;
    if (IsFiltered())
        pass = scope == WithinMatches ? Narrowing : NewFilter;
    // The count follows each item's change of verdict, from the last filter's.
    m_filter = std::move(matches);
    if (m_root)
        filterSubtree(m_root, pass);
    return showFilterResult(selectedBefore);
}

std::size_t TreeControl::SetFilter(std::function<bool(const TreeItem&)> matches, const std::vector<TreeItem*>& changed)
{
    wxCHECK_MSG(matches, m_filterMatches, "SetFilter without a test; ClearFilter shows every item");
    if (!IsFiltered())
        return SetFilter(std::move(matches));
    const std::size_t selectedBefore = GetSelectedItemCount();
    m_filter = std::move(matches);
    for (std::size_t i = 0; i < changed.size(); ++i)
    {
        // The caller's items come in its own order, scattered over memory.
        if (i + static_cast<std::size_t>(s_fetchAhead) < changed.size())
            __builtin_prefetch(changed[i + static_cast<std::size_t>(s_fetchAhead)]);
        TreeItem* item = changed[i];
        const bool matched = m_filter(*item);
        if (matched == item->m_matched)
            continue;
        m_filterMatches = matched ? m_filterMatches + 1 : m_filterMatches - 1;
        item->m_matched = matched;
        item->updateWeights();
        if (matched)
            revealAncestors(item);
    }
    return showFilterResult(selectedBefore);
}

std::size_t TreeControl::showFilterResult(std::size_t selectedBefore)
{
    itemsChanged();
    settleAfterFilter(selectedBefore);
    // The rows are new: from the top, unless the focused item still shows.
    std::size_t row = 0;
    if (!GetFocusedItem() || !GetItemRow(GetFocusedItem(), row))
        row = 0;
    ensureRowVisible(row);
    return m_filterMatches;
}

void TreeControl::ClearFilter()
{
    if (!IsFiltered())
        return;
    m_filter = nullptr;
    m_filterMatches = 0;
    if (m_root)
    {
        const std::vector<TreeItem*>& items = collectSubtree(m_root);
        // Children before parents, so that each weight sums the final ones below.
        for (auto it = items.rbegin(); it != items.rend(); ++it)
        {
            TreeItem* item = *it;
            item->m_matched = false;
            item->m_expanded = item->m_expandedBeforeFilter;
            storeWeight(item);
        }
    }
    itemsChanged();
    // What was selected while filtering is what the user looked for: shown again.
    if (TreeItem* focus = GetFocusedItem())
        EnsureVisible(focus);
}

bool TreeControl::IsFilterMatch(const TreeItem* item) const
{
    return IsFiltered() && item && item->m_matched;
}

void TreeControl::RefilterItem(TreeItem* item)
{
    wxCHECK_RET(item, "RefilterItem with a null item");
    if (!IsFiltered())
        return;
    const std::size_t selectedBefore = GetSelectedItemCount();
    const bool revealed = filterSubtree(item, Retest);
    if (TreeItem* parent = item->GetParent())
        parent->updateWeights();
    if (revealed)
        revealAncestors(item);
    if (!isInTree(item))
        return;
    itemsChanged();
    settleAfterFilter(selectedBefore);
}

const std::vector<TreeItem*>& TreeControl::collectSubtree(TreeItem* top, FilterPass pass) const
{
    // Breadth first, by index into the list itself: no stack to keep, and
    // read backwards every item still comes after all of its descendants.
    // A hidden item (weight 0) has no match below it: a narrowing filter
    // finds none there either, and the subtree stays as it is.
    const bool shownOnly = pass == Narrowing;
    std::vector<TreeItem*>& items = m_subtreeScratch;
    items.clear();
    items.push_back(top);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (const detail::RowSequence* children = items[i]->children())
            children->forEach(
                [&items, shownOnly](RowNode* node)
                {
                    if (!shownOnly || node->m_weight > 0)
                        items.push_back(itemOf(node));
                });
    return items;
}

bool TreeControl::filterSubtree(TreeItem* top, FilterPass pass)
{
    bool newMatch = false;
    const std::vector<TreeItem*>& items = collectSubtree(top, pass);
    for (auto it = items.rbegin(); it != items.rend(); ++it)
    {
        TreeItem* item = *it;
        // Tests read what the items' data point to, scattered over memory:
        // asked for a few items ahead, it is on its way when its test comes.
        if (items.rend() - it > s_fetchAhead)
            __builtin_prefetch(it[s_fetchAhead]->m_userData);
        if (pass == FirstFilter)
            item->m_expandedBeforeFilter = item->m_expanded;
        const bool matched = m_filter(*item);
        newMatch = newMatch || (matched && !item->m_matched);
        m_filterMatches = m_filterMatches + (matched ? 1 : 0) - (item->m_matched ? 1 : 0);
        item->m_matched = matched;
        // The ancestors of matches open, so that the matches show; when
        // tested again, only those that were hidden, so that what the user
        // closed since stays closed.
        if (hasShownChildren(item) && (pass != Retest || item->m_weight == 0))
            item->m_expanded = true;
        // Above `top` the caller climbs (updateWeights) from its parent.
        storeWeight(item);
    }
    return newMatch;
}

void TreeControl::revealAncestors(TreeItem* item)
{
    for (TreeItem* parent = item->GetParent(); parent; parent = parent->GetParent())
        parent->Expand();
}

void TreeControl::settleAfterFilter(std::size_t selectedBefore)
{
    if (!m_root)
        return;
    dropHiddenFromSelection();
    if (GetSelectedItemCount() != selectedBefore)
        onSelectionChanged();
}

TreeItem* TreeControl::FindFilterMatch(const TreeItem* from, SearchDirection direction) const
{
    if (!IsFiltered() || m_filterMatches == 0 || !m_root || m_root->m_weight == 0)
        return nullptr;
    const TreeItem* start = from && from->m_weight > 0 ? from : nullptr;
    const TreeItem* item = start ? shownNeighbour(start, direction) : nullptr;
    // Round the end at most once: there is a match somewhere.
    for (int lap = 0; lap < 2; ++lap)
    {
        if (!item)
            item = direction == Forward ? m_root : shownNeighbour(nullptr, Backward);
        for (; item; item = shownNeighbour(item, direction))
        {
            if (item->m_matched)
                return const_cast<TreeItem*>(item);
            if (item == start)
                return nullptr;
        }
    }
    return nullptr;
}

TreeItem* TreeControl::shownNeighbour(const TreeItem* item, SearchDirection direction) const
{
    auto deepestLast = [](const TreeItem* from)
    {
        // The last shown row of a subtree, collapsed parents opened.
        while (hasShownChildren(from))
            from = itemOf(from->children()->lastShown());
        return const_cast<TreeItem*>(from);
    };
    if (direction == Backward)
    {
        if (!item)
            return deepestLast(m_root);
        const TreeItem* parent = item->GetParent();
        if (!parent)
            return nullptr;
        if (RowNode* previous = parent->children()->previousShown(item))
            return deepestLast(itemOf(previous));
        return const_cast<TreeItem*>(parent);
    }
    if (hasShownChildren(item))
        return itemOf(item->children()->firstShown());
    for (const TreeItem* parent = item->GetParent(); parent; item = parent, parent = parent->GetParent())
        if (RowNode* next = parent->children()->nextShown(item))
            return itemOf(next);
    return nullptr;
}

} // namespace wxUtils
