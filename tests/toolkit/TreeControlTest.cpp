#include "Harness.h"

#include <wxUtils/TreeControl.h>
#include <wxUtils/TreeItemHandle.h>

#include <wx/imaglist.h>
#include <wx/panel.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

using wxtest::key;
using wxtest::labelPoint;
using wxtest::mouse;
using wxtest::requestContextMenu;
using wxUtils::TreeControl;
using wxUtils::TreeEvent;
using wxUtils::TreeItem;
using wxUtils::TreeItemHandle;

namespace
{

std::vector<wxString> labels(const Orkutils::Vector<TreeItem*>& items)
{
    std::vector<wxString> result;
    for (const TreeItem* item : items)
        result.push_back(item->GetLabel());
    return result;
}

using Filter = std::function<bool(const TreeItem&)>;

// Whether a filter leaves an item shown: it matches, or something below does.
bool shownByFilter(const TreeItem* item, const Filter& matches)
{
    if (!matches || matches(*item))
        return true;
    for (const TreeItem* child = item->GetFirstChild(); child; child = child->GetNextSibling())
        if (shownByFilter(child, matches))
            return true;
    return false;
}

// Rows in display order, computed the slow obvious way.
void visibleOrder(const TreeItem* item, std::vector<const TreeItem*>& out, const Filter& matches = nullptr)
{
    if (!shownByFilter(item, matches))
        return;
    out.push_back(item);
    if (!item->IsExpanded())
        return;
    for (const TreeItem* child = item->GetFirstChild(); child; child = child->GetNextSibling())
        visibleOrder(child, out, matches);
}

// Every match in the order of the rows, collapsed parents included.
void matchesInOrder(const TreeItem* item, const Filter& matches, std::vector<const TreeItem*>& out)
{
    if (matches(*item))
        out.push_back(item);
    for (const TreeItem* child = item->GetFirstChild(); child; child = child->GetNextSibling())
        matchesInOrder(child, matches, out);
}

Filter labelHolds(const wxString& text)
{
    return [text](const TreeItem& item) { return item.GetLabel().Contains(text); };
}

std::vector<wxString> rowLabels(const TreeControl* tree)
{
    std::vector<wxString> result;
    for (std::size_t row = 0; row < tree->GetVisibleCount(); ++row)
        result.push_back(tree->GetItemAtRow(row)->GetLabel());
    return result;
}

struct EventLog
{
    std::vector<wxEventType> types;
    std::vector<TreeItem*> items;
    std::vector<wxString> labels;
    std::vector<wxPoint> points;
    bool vetoBegin = false;
    bool handleEnd = true;

    int count(wxEventType type) const { return static_cast<int>(std::count(types.begin(), types.end(), type)); }
};

TreeControl* makeTree(EventLog* log, long style = TreeControl::MultipleSelection)
{
    auto* panel = new wxPanel(wxtest::frame());
    auto* tree = new TreeControl(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize, style);
    tree->addColumn(1, "Type");
    if (log)
    {
        auto record = [log](TreeEvent& event)
        {
            log->types.push_back(event.GetEventType());
            log->items.push_back(event.GetItem());
            log->labels.push_back(event.GetLabel());
            log->points.push_back(event.GetPoint());
            if (event.GetEventType() == wxUTILS_EVT_TREE_BEGIN_LABEL_EDIT && log->vetoBegin)
                event.Veto();
            if (event.GetEventType() == wxUTILS_EVT_TREE_END_LABEL_EDIT && !log->handleEnd)
                event.Skip();
        };
        for (auto type :
             {wxUTILS_EVT_TREE_SEL_CHANGED, wxUTILS_EVT_TREE_ITEM_CONTEXT_MENU, wxUTILS_EVT_TREE_BEGIN_LABEL_EDIT,
              wxUTILS_EVT_TREE_END_LABEL_EDIT, wxUTILS_EVT_TREE_ITEM_ACTIVATED})
            panel->Bind(type, record, tree->GetId());
    }
    wxtest::showInParent(tree);
    return tree;
}

// root
//   a (a1, a2, a3)
//   b (b1)
//   c
struct SmallTree
{
    TreeItem* root;
    TreeItem* a;
    TreeItem* a1;
    TreeItem* a2;
    TreeItem* a3;
    TreeItem* b;
    TreeItem* b1;
    TreeItem* c;
};

SmallTree fill(TreeControl* tree)
{
    SmallTree t{};
    t.root = new TreeItem("root", tree, false);
    tree->SetRoot(t.root);
    auto add = [tree](TreeItem* parent, const char* label)
    {
        auto* item = new TreeItem(label, tree, true);
        item->SetColumnText(1, "Node");
        parent->InsertChild(item, nullptr);
        return item;
    };
    t.a = add(t.root, "a");
    t.b = add(t.root, "b");
    t.c = add(t.root, "c");
    t.a1 = add(t.a, "a1");
    t.a3 = add(t.a, "a3");
    t.a2 = new TreeItem("a2", tree, false);
    t.a->InsertChild(t.a2, t.a3);
    t.b1 = add(t.b, "b1");
    return t;
}

// Keeps its items' texts elsewhere: an item's user data names it, and the
// tree supplies "<column>:<name>", counting how often it is asked.
class SupplyingTree : public TreeControl
{
public:
    using TreeControl::TreeControl;
    mutable int asked = 0;

protected:
    wxString itemText(const TreeItem& item, unsigned int column) const override
    {
        ++asked;
        return wxString::Format("%u:%s", column, static_cast<const char*>(item.GetUserData()));
    }
};

} // namespace

TEST(TreeControl, ItemsWithoutTextsShowWhatTheTreeSuppliesForTheRowsItPaints)
{
    auto* tree = new SupplyingTree(wxtest::frame(), wxID_ANY);
    tree->addColumn(1, "Type");
    wxtest::show(tree);
    auto* root = new TreeItem(tree, true);
    root->SetUserData(const_cast<char*>("root"));
    tree->SetRoot(root);
    for (int i = 0; i < 5000; ++i)
    {
        auto* item = new TreeItem(tree);
        item->SetUserData(const_cast<char*>("leaf"));
        root->AppendChild(item);
    }
    TreeItem* first = root->GetFirstChild();
    EXPECT_EQ(first->GetLabel(), "0:leaf");
    EXPECT_EQ(first->GetColumnText(1), "1:leaf");

    // Own texts win, column by column; the others are still supplied.
    first->SetColumnText(1, "own");
    EXPECT_EQ(first->GetColumnText(1), "own");
    EXPECT_EQ(first->GetLabel(), "0:leaf");
    auto* labelled = new TreeItem("mine", tree);
    labelled->SetUserData(const_cast<char*>("labelled"));
    root->InsertChild(labelled, first);
    EXPECT_EQ(labelled->GetLabel(), "mine");
    EXPECT_EQ(labelled->GetColumnText(1), "1:labelled");

    // Painting asks for the rows on screen only, not for all 5,000 rows' two
    // texts: a busy machine may paint a few times over, never anywhere near that.
    tree->asked = 0;
    tree->Refresh();
    ASSERT_TRUE(wxtest::pumpUntil([tree] { return tree->asked > 0; })) << "the tree never painted";
    EXPECT_LT(tree->asked, 2000) << "a few paints of " << tree->getVisibleRowCapacity() << " rows";
}

TEST(TreeControl, HandlersThatDestroyTheirItemLeaveNothingBehindThatReadsIt)
{
    // The begin event's handler destroys the item: no box opens.
    {
        TreeControl* tree = makeTree(nullptr);
        const SmallTree t = fill(tree);
        tree->Bind(wxUTILS_EVT_TREE_BEGIN_LABEL_EDIT, [](TreeEvent& event) { event.GetItem()->RemoveAndDestroy(); });
        tree->EditLabel(t.a2);
        EXPECT_EQ(tree->getRenameControl(), nullptr);
        EXPECT_EQ(tree->GetCount(), 7u);
    }
    // The end event's handler destroys the item and lets the event pass:
    // the tree must not give the destroyed item the label.
    {
        TreeControl* tree = makeTree(nullptr);
        const SmallTree t = fill(tree);
        tree->Bind(wxUTILS_EVT_TREE_END_LABEL_EDIT,
                   [](TreeEvent& event)
                   {
                       event.GetItem()->RemoveAndDestroy();
                       event.Skip();
                   });
        tree->EditLabel(t.b1);
        auto* box = dynamic_cast<wxTextCtrl*>(tree->getRenameControl());
        ASSERT_NE(box, nullptr);
        box->ChangeValue("gone");
        wxtest::sendTextEnter(box);
        EXPECT_EQ(t.b->GetChildCount(), 0u);
        wxtest::pump();
    }
    // Right-clicking an unselected item selects it first; a selection handler
    // destroys it: no menu is asked for on its behalf.
    {
        TreeControl* tree = makeTree(nullptr);
        const SmallTree t = fill(tree);
        tree->Bind(wxUTILS_EVT_TREE_SEL_CHANGED,
                   [&t](TreeEvent& event)
                   {
                       if (event.GetItem() == t.c)
                           t.c->RemoveAndDestroy();
                   });
        std::vector<wxString> menusFor;
        tree->Bind(wxUTILS_EVT_TREE_ITEM_CONTEXT_MENU,
                   [&menusFor](TreeEvent& event)
                   {
                       // As a menu's builder does, look at the item.
                       const TreeItem* item = event.GetItem();
                       menusFor.push_back(item && item->IsSelected() ? item->GetLabel() : "?");
                   });
        requestContextMenu(tree, labelPoint(tree, t.c));
        EXPECT_TRUE(menusFor.empty());
        requestContextMenu(tree, labelPoint(tree, t.b));
        EXPECT_EQ(menusFor, (std::vector<wxString>{"b"}));
    }
}

// Handles of destroyed items and branches are the random test's; here the tree goes.
TEST(TreeControl, HandlesLetGoOfItemsWhenTheirTreeIsDestroyed)
{
    TreeControl* gone = makeTree(nullptr);
    TreeItemHandle held(fill(gone).b1);
    EXPECT_TRUE(held);
    gone->GetParent()->Destroy();
    wxtest::pump();
    EXPECT_FALSE(held) << "the tree went";
}

// Unfiltered, and under a filter that changes now and then: the rows shown
// are always those a slow walk of the items finds.
class TreeRows : public ::testing::TestWithParam<bool>
{
};

INSTANTIATE_TEST_SUITE_P(TreeControl, TreeRows, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info)
                         { return info.param ? std::string("Filtered") : std::string("Unfiltered"); });

TEST_P(TreeRows, MatchTheTreeThroughRandomInsertsMovesRemovalsRenamesAndExpansions)
{
    EventLog log;
    TreeControl* tree = makeTree(&log);
    std::mt19937 random(1234);
    auto* root = new TreeItem("root", tree, true);
    tree->SetRoot(root);
    std::vector<TreeItem*> items{root};
    // Each item's children, kept apart from the tree's own lists.
    std::map<const TreeItem*, std::vector<TreeItem*>> kids;
    auto place = [&kids](TreeItem* item, TreeItem* parent, TreeItem* before)
    {
        std::vector<TreeItem*>& list = kids[parent];
        list.insert(before ? std::find(list.begin(), list.end(), before) : list.end(), item);
    };
    auto unplace = [&kids](TreeItem* item)
    {
        std::vector<TreeItem*>& list = kids[item->GetParent()];
        list.erase(std::find(list.begin(), list.end(), item));
    };
    // Handles on some items, which must let go of exactly those destroyed.
    std::vector<std::pair<std::unique_ptr<TreeItemHandle>, TreeItem*>> handles;
    auto destroyed = [&handles](const std::vector<const TreeItem*>& gone)
    {
        for (auto it = handles.begin(); it != handles.end();)
        {
            const bool went = std::find(gone.begin(), gone.end(), it->second) != gone.end();
            EXPECT_EQ(it->first->get(), went ? nullptr : it->second);
            it = went ? handles.erase(it) : std::next(it);
        }
    };
    int serial = 0;
    Filter filter = GetParam() ? labelHolds("3") : nullptr;
    if (filter)
        tree->SetFilter(filter);
    // What stays selected: what was selected, less what stopped showing or went.
    std::set<const TreeItem*> selected;
    auto forgetBelow = [&selected](const TreeItem* top)
    {
        for (auto it = selected.begin(); it != selected.end();)
            it = (*it)->IsDescendantOf(top) ? selected.erase(it) : std::next(it);
    };

    for (int step = 0; step < 3000; ++step)
    {
        const int action = static_cast<int>(random() % 12);
        TreeItem* target = items[random() % items.size()];
        if (action < 5 || items.size() < 10)
        {
            // Parents with many children cross the storage block size.
            TreeItem* parent = (random() % 4 == 0) ? root : target;
            TreeItem* before =
                parent->HasChildren() && random() % 2 ? parent->GetChild(random() % parent->GetChildCount()) : nullptr;
            auto* item = new TreeItem(wxString::Format("n%d", ++serial), tree, random() % 2 == 0);
            parent->InsertChild(item, before);
            kids.erase(item); // at the address of one destroyed earlier, perhaps
            place(item, parent, before);
            items.push_back(item);
            if (random() % 4 == 0)
                handles.emplace_back(std::make_unique<TreeItemHandle>(item), item);
        }
        else if (action < 7 && target != root)
        {
            TreeItem* parent = items[random() % items.size()];
            if (parent == target || parent->IsDescendantOf(target))
                continue;
            TreeItem* before = parent->HasChildren() ? parent->GetChild(random() % parent->GetChildCount()) : nullptr;
            if (before == target)
                before = nullptr;
            unplace(target);
            target->Reparent(parent, before);
            place(target, parent, before);
        }
        else if (action < 8 && target != root && items.size() > 50)
        {
            std::vector<const TreeItem*> doomed;
            matchesInOrder(
                target, [](const TreeItem&) { return true; }, doomed);
            items.erase(std::remove_if(items.begin(), items.end(),
                                       [target](TreeItem* item)
                                       { return item == target || item->IsDescendantOf(target); }),
                        items.end());
            forgetBelow(target);
            selected.erase(target);
            unplace(target);
            const int events = log.count(wxUTILS_EVT_TREE_SEL_CHANGED);
            target->RemoveAndDestroy();
            destroyed(doomed);
            ASSERT_EQ(log.count(wxUTILS_EVT_TREE_SEL_CHANGED), events) << "destroying is quiet";
        }
        else if (action == 9 && items.size() > 50 && random() % 8 == 0)
        {
            // Emptied under a filter, a selected item that shows no more stays
            // selected: the node tree keeps its root's selection so.
            if (filter &&
                std::any_of(selected.begin(), selected.end(),
                            [target](const TreeItem* item) { return item == target || target->IsDescendantOf(item); }))
                continue;
            items.erase(std::remove_if(items.begin(), items.end(),
                                       [target](TreeItem* item) { return item->IsDescendantOf(target); }),
                        items.end());
            forgetBelow(target);
            std::vector<const TreeItem*> doomed;
            matchesInOrder(
                target, [](const TreeItem&) { return true; }, doomed);
            doomed.erase(doomed.begin());
            kids[target].clear();
            const int events = log.count(wxUTILS_EVT_TREE_SEL_CHANGED);
            tree->DeleteChildren(target);
            destroyed(doomed);
            ASSERT_EQ(log.count(wxUTILS_EVT_TREE_SEL_CHANGED), events) << "destroying is quiet";
        }
        else if (action == 10)
            target->SetLabel(wxString::Format("n%d", ++serial));
        else if (action == 11 && filter && random() % 2)
        {
            filter = labelHolds(wxString::Format("%d", static_cast<int>(random() % 10)));
            tree->SetFilter(filter);
        }
        else if (action == 11)
        {
            std::vector<TreeItem*> chosen;
            for (std::size_t i = random() % items.size(); i < items.size(); i += 1 + random() % 4)
                chosen.push_back(items[i]);
            std::vector<bool> wasOpen;
            for (const TreeItem* item : items)
                wasOpen.push_back(item->IsExpanded());
            const int events = log.count(wxUTILS_EVT_TREE_SEL_CHANGED);
            tree->SelectItems(chosen);
            ASSERT_EQ(log.count(wxUTILS_EVT_TREE_SEL_CHANGED), events + 1) << "one event for the lot";
            const auto now = tree->GetSelection();
            selected = std::set<const TreeItem*>(now.begin(), now.end());
            // The parents of what is selected open, and the first shows with the focus.
            std::set<const TreeItem*> parents;
            for (const TreeItem* item : selected)
                for (const TreeItem* up = item->GetParent(); up; up = up->GetParent())
                    parents.insert(up);
            for (std::size_t i = 0; i < items.size(); ++i)
            {
                ASSERT_EQ(items[i]->IsExpanded(), parents.count(items[i]) ? true : bool(wasOpen[i]));
            }
            const auto first =
                std::find_if(chosen.begin(), chosen.end(), [&](TreeItem* item) { return selected.count(item); });
            if (first != chosen.end())
            {
                ASSERT_EQ(tree->GetFocusedItem(), *first);
                std::size_t row = 0;
                ASSERT_TRUE(tree->GetItemRow(*first, row));
                ASSERT_LE(tree->getFirstVisibleRow(), row);
                ASSERT_LT(row, tree->getFirstVisibleRow() + tree->getVisibleRowCapacity());
            }
        }
        else if (action == 9)
        {
            // The whole branch opens or closes, quietly; a focus it hides moves to its top.
            const bool expand = random() % 2;
            const TreeItem* focus = tree->GetFocusedItem();
            const int events = log.count(wxUTILS_EVT_TREE_SEL_CHANGED);
            if (expand)
                tree->ExpandAllChildren(target);
            else
                tree->CollapseAllChildren(target);
            ASSERT_EQ(log.count(wxUTILS_EVT_TREE_SEL_CHANGED), events);
            for (const TreeItem* item : items)
            {
                if ((item == target || item->IsDescendantOf(target)) && item->HasChildren())
                {
                    ASSERT_EQ(item->IsExpanded(), expand);
                }
            }
            if (!expand && focus && focus->IsDescendantOf(target))
            {
                ASSERT_EQ(tree->GetFocusedItem(), target);
            }
        }
        else
            target->Toggle();

        std::vector<const TreeItem*> shown;
        visibleOrder(root, shown, filter);
        const std::set<const TreeItem*> shownSet(shown.begin(), shown.end());
        for (auto it = selected.begin(); it != selected.end();)
            it = shownSet.count(*it) ? std::next(it) : selected.erase(it);
        const auto now = tree->GetSelection();
        ASSERT_EQ(std::set<const TreeItem*>(now.begin(), now.end()), selected) << "at step " << step;
        ASSERT_TRUE(!tree->GetFocusedItem() || shownSet.count(tree->GetFocusedItem())) << "at step " << step;

        if (step % 100 == 0 || step == 2999)
        {
            std::vector<const TreeItem*> expected;
            visibleOrder(root, expected, filter);
            ASSERT_EQ(tree->GetVisibleCount(), expected.size()) << "at step " << step;
            for (std::size_t row = 0; row < expected.size(); ++row)
            {
                ASSERT_EQ(tree->GetItemAtRow(row), expected[row]) << "row " << row << " at step " << step;
                std::size_t back = 0;
                ASSERT_TRUE(tree->GetItemRow(expected[row], back));
                ASSERT_EQ(back, row);
            }
            ASSERT_EQ(tree->GetCount(), items.size());
            ASSERT_EQ(root->GetDepth(), 0u);
            for (const TreeItem* item : items)
            {
                const std::vector<TreeItem*>& list = kids[item];
                ASSERT_EQ(item->GetChildCount(), list.size());
                ASSERT_EQ(item->GetFirstChild(), list.empty() ? nullptr : list.front());
                for (std::size_t i = 0; i < list.size(); ++i)
                {
                    ASSERT_EQ(item->GetChild(i), list[i]);
                    ASSERT_EQ(list[i]->GetParent(), item);
                    ASSERT_EQ(list[i]->GetPrevSibling(), i ? list[i - 1] : nullptr);
                    ASSERT_EQ(list[i]->GetNextSibling(), i + 1 < list.size() ? list[i + 1] : nullptr);
                    ASSERT_EQ(list[i]->GetDepth(), item->GetDepth() + 1);
                }
            }
            if (!filter)
                continue;
            std::vector<const TreeItem*> matches;
            matchesInOrder(root, filter, matches);
            ASSERT_EQ(tree->GetFilterMatchCount(), matches.size()) << "at step " << step;
            if (matches.empty())
                continue;
            EXPECT_EQ(tree->FindFilterMatch(nullptr, TreeControl::Forward), matches.front());
            EXPECT_EQ(tree->FindFilterMatch(nullptr, TreeControl::Backward), matches.back());
            EXPECT_EQ(tree->FindFilterMatch(matches.back(), TreeControl::Forward), matches.front()) << "round the end";
            EXPECT_EQ(tree->FindFilterMatch(matches.front(), TreeControl::Backward), matches.back()) << "and back";
            if (matches.size() > 1)
            {
                EXPECT_EQ(tree->FindFilterMatch(matches[1], TreeControl::Backward), matches[0]);
            }
        }
    }
    tree->DeleteAllItems();
    EXPECT_EQ(tree->GetVisibleCount(), 0u);
    EXPECT_EQ(tree->GetRoot(), nullptr);
    EXPECT_EQ(tree->GetSelectedItemCount(), 0u);
    destroyed(std::vector<const TreeItem*>(items.begin(), items.end()));
}

// Where inserted and moved items land, and how to walk them, is the random test's.
TEST(TreeControl, RootStartsOpenAndAnItemCannotMoveIntoItsOwnBranch)
{
    TreeControl* tree = makeTree(nullptr);
    const SmallTree t = fill(tree);
    EXPECT_TRUE(t.root->IsExpanded()) << "the root shows its children from the start";
    {
        wxtest::ExpectAsserts asserts;
        t.a->Reparent(t.a1, nullptr);
        EXPECT_EQ(asserts.count(), 1);
    }
    EXPECT_EQ(t.a->GetParent(), t.root);
}

TEST(TreeControl, ClicksAndKeysSelectLikeANativeTree)
{
    EventLog log;
    TreeControl* tree = makeTree(&log);
    const SmallTree t = fill(tree);

    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.a1));
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"a1"}));
    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.c), wxMOD_CONTROL);
    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.a), wxMOD_CONTROL);
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"a1", "c", "a"})) << "in the order selected";
    EXPECT_EQ(labels(tree->GetSelectionWithoutChildren()), (std::vector<wxString>{"c", "a"}));
    EXPECT_EQ(tree->GetSelectedItemCount(), 3u);
    EXPECT_EQ(log.count(wxUTILS_EVT_TREE_SEL_CHANGED), 3);
    EXPECT_EQ(log.items.back(), t.a);

    // Shift extends over the rows shown between anchor and click: a, a1, a2, a3, b.
    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.b), wxMOD_SHIFT);
    EXPECT_EQ(tree->GetSelectedItemCount(), 5u);
    EXPECT_FALSE(t.c->IsSelected());

    // Arrows move a single selection; Shift+arrow extends from the anchor.
    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.a2));
    key(tree, WXK_DOWN);
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"a3"}));
    key(tree, WXK_UP, wxMOD_SHIFT);
    key(tree, WXK_UP, wxMOD_SHIFT);
    EXPECT_EQ(tree->GetSelectedItemCount(), 3u);
    EXPECT_EQ(tree->GetFocusedItem(), t.a1);
    key(tree, WXK_HOME);
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"root"}));
    key(tree, WXK_END);
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"c"}));

    // Left goes to the parent, Left again collapses it, Right expands, Right enters.
    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.b1));
    key(tree, WXK_LEFT);
    EXPECT_EQ(tree->GetFocusedItem(), t.b);
    key(tree, WXK_LEFT);
    EXPECT_FALSE(t.b->IsExpanded());
    key(tree, WXK_RIGHT);
    EXPECT_TRUE(t.b->IsExpanded());
    key(tree, WXK_RIGHT);
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"b1"}));

    // Ctrl+arrows move only the focus; Ctrl+Space adds the focused item.
    key(tree, WXK_DOWN, wxMOD_CONTROL);
    EXPECT_EQ(tree->GetFocusedItem(), t.c);
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"b1"}));
    key(tree, WXK_SPACE, wxMOD_CONTROL);
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"b1", "c"}));

    // A double click folds an item with children and reports it as activated.
    mouse(tree, wxEVT_LEFT_DCLICK, labelPoint(tree, t.b));
    EXPECT_FALSE(t.b->IsExpanded());
    EXPECT_EQ(log.types.back(), wxUTILS_EVT_TREE_ITEM_ACTIVATED);
    EXPECT_EQ(log.items.back(), t.b);
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"c"})) << "b1 went out of sight";
}

// Destroyed items leave the selection quietly: the random test checks that.
TEST(TreeControl, ItemsHiddenByAClickLeaveTheSelectionAndSelectOpensTheWay)
{
    EventLog log;
    TreeControl* tree = makeTree(&log);
    const SmallTree t = fill(tree);
    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.a2));
    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.b1), wxMOD_CONTROL);
    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.c), wxMOD_CONTROL);

    // Clicking a's expander collapses it; its selected child must not stay
    // selected out of sight, and the user is told.
    const int changes = log.count(wxUTILS_EVT_TREE_SEL_CHANGED);
    std::size_t row = 0;
    ASSERT_TRUE(tree->GetItemRow(t.a, row));
    const wxRect rect = tree->getRowRect(row);
    mouse(tree, wxEVT_LEFT_DOWN, wxPoint(rect.x + 4 + 18 + 9, rect.y + rect.height / 2));
    EXPECT_FALSE(t.a->IsExpanded());
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"b1", "c"}));
    EXPECT_EQ(log.count(wxUTILS_EVT_TREE_SEL_CHANGED), changes + 1);

    // Select makes one item the selection, opening its parents, and says so.
    tree->Select(t.a3, true);
    EXPECT_TRUE(t.a->IsExpanded());
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"a3"}));
    EXPECT_EQ(log.items.back(), t.a3);
    EXPECT_EQ(log.count(wxUTILS_EVT_TREE_SEL_CHANGED), changes + 2);
}

TEST(TreeControl, WholeBranchesOpenAndCloseUnderAFilterAndClearingItKeepsWhatTheyDid)
{
    using Labels = std::vector<wxString>;
    using Member = TreeItem* SmallTree::*;
    enum Action
    {
        Expand,
        Collapse
    };
    struct Case
    {
        const char* filter;
        /// Closed once everything is open and the filter set; then the rows of `selected` are selected.
        std::vector<Member> closed;
        Labels selected;
        Action action;
        Member item;
        Labels rows;
        Labels selectedAfter;
        const char* focusAfter;
    };
    const Labels everything{"root", "a", "a1", "x", "y", "a2", "a3", "b", "b1", "c"};
    // Unfiltered, what a branch opening or closing does is the random test's.
    const Case cases[] = {
        // A filter keeps hiding what it does not find: the branch opens on its matches.
        {"1", {&SmallTree::a}, {"b1"}, Expand, &SmallTree::root, {"root", "a", "a1", "b", "b1"}, {"b1"}, "b1"},
        {"y", {}, {"y"}, Collapse, &SmallTree::a, {"root", "a"}, {}, "a"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << (c.action == Expand ? "expand" : "collapse") << ", filter \"" << c.filter
                                        << "\", " << c.selected.size() << " selected");
        EventLog log;
        TreeControl* tree = makeTree(&log);
        SmallTree t = fill(tree);
        auto* x = new TreeItem("x", tree, false);
        t.a1->AppendChild(x);
        x->AppendChild(new TreeItem("y", tree, false));
        tree->ExpandAll();
        if (*c.filter)
            tree->SetFilter(labelHolds(c.filter));
        for (Member closed : c.closed)
            (t.*closed)->Collapse();
        std::vector<TreeItem*> chosen;
        for (const wxString& label : c.selected)
            for (std::size_t row = 0; row < tree->GetVisibleCount(); ++row)
                if (tree->GetItemAtRow(row)->GetLabel() == label)
                    chosen.push_back(tree->GetItemAtRow(row));
        ASSERT_EQ(chosen.size(), c.selected.size()) << "selected rows show";
        tree->SelectItems(chosen);
        const int events = log.count(wxUTILS_EVT_TREE_SEL_CHANGED);

        if (c.action == Expand)
            tree->ExpandAllChildren(t.*c.item);
        else
            tree->CollapseAllChildren(t.*c.item);
        EXPECT_EQ(rowLabels(tree), c.rows);
        EXPECT_EQ(labels(tree->GetSelection()), c.selectedAfter);
        EXPECT_EQ(tree->GetFocusedItem() ? tree->GetFocusedItem()->GetLabel() : wxString(), c.focusAfter);
        EXPECT_EQ(log.count(wxUTILS_EVT_TREE_SEL_CHANGED), events) << "a call tells of nothing";
        if (*c.filter)
        {
            // What the branch did under the filter goes with it.
            tree->ClearFilter();
            EXPECT_EQ(rowLabels(tree), everything);
        }
        tree->GetParent()->Destroy();
    }
}

TEST(TreeControl, FilterShowsMatchesWithTheirParentsFollowsEditsAndClearingBringsBackTheExpansion)
{
    EventLog log;
    TreeControl* tree = makeTree(&log);
    const SmallTree t = fill(tree);
    t.a->Collapse();
    t.b->Collapse();
    tree->Select(t.c, true);
    const int changes = log.count(wxUTILS_EVT_TREE_SEL_CHANGED);

    // The matches' parents open; c, shown no more, leaves the selection, and the user is told.
    EXPECT_EQ(tree->SetFilter(labelHolds("1")), 2u);
    EXPECT_EQ(rowLabels(tree), (std::vector<wxString>{"root", "a", "a1", "b", "b1"}));
    EXPECT_EQ(tree->GetSelectedItemCount(), 0u);
    EXPECT_EQ(log.count(wxUTILS_EVT_TREE_SEL_CHANGED), changes + 1);
    tree->Select(t.c, true);
    EXPECT_EQ(tree->GetSelectedItemCount(), 0u) << "a hidden item is not selected";

    // Edits under the filter (the random test checks what they show): the
    // matches left are a31 and c1.
    t.a3->SetLabel("a31");
    auto* c1 = new TreeItem("c1", tree);
    t.c->AppendChild(c1);
    t.a1->SetLabel("a0");
    t.b->RemoveAndDestroy();

    // A collapsed parent keeps its match findable; selecting it opens the way.
    t.c->Collapse();
    tree->Select(tree->FindFilterMatch(t.a3, TreeControl::Forward), true);
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"c1"}));
    EXPECT_TRUE(t.c->IsExpanded());

    // Cleared: a is closed again as it was, the selection stays and shows.
    tree->ClearFilter();
    EXPECT_FALSE(t.a->IsExpanded());
    EXPECT_EQ(rowLabels(tree), (std::vector<wxString>{"root", "a", "c", "c1"}));
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"c1"}));
    EXPECT_EQ(tree->GetFilterMatchCount(), 0u);
    EXPECT_FALSE(tree->IsFiltered());

    // A filter that finds nothing shows nothing, not even the root.
    tree->SetFilter(labelHolds("zzz"));
    EXPECT_EQ(tree->GetVisibleCount(), 0u);
    EXPECT_EQ(tree->FindFilterMatch(nullptr, TreeControl::Forward), nullptr);
    tree->DeleteAllItems();
    EXPECT_EQ(tree->GetFilterMatchCount(), 0u);
}

TEST(TreeControl, FilterChangedOnKnownItemsShowsTheirMatchesAndLeavesTheRestAsItWas)
{
    TreeControl* tree = makeTree(nullptr);
    const SmallTree t = fill(tree);
    tree->SetFilter(labelHolds("b1"));
    t.b->Collapse();
    tree->Select(t.b, true);

    // a1 starts matching: it shows with its parent opened; b stays closed.
    EXPECT_EQ(tree->SetFilter(labelHolds("1"), {t.a1}), 2u);
    EXPECT_EQ(rowLabels(tree), (std::vector<wxString>{"root", "a", "a1", "b"}));
    EXPECT_EQ(tree->FindFilterMatch(t.a1, TreeControl::Forward), t.b1);

    // And stops again: a, with nothing to show, goes; the selection stays.
    EXPECT_EQ(tree->SetFilter(labelHolds("b1"), {t.a1, t.a2}), 1u);
    EXPECT_EQ(rowLabels(tree), (std::vector<wxString>{"root", "b"}));
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"b"}));
    tree->ClearFilter();
    EXPECT_EQ(rowLabels(tree), (std::vector<wxString>{"root", "a", "a1", "a2", "a3", "b", "b1", "c"}));
}

namespace
{

struct DragLog
{
    std::vector<wxEventType> types;
    std::vector<wxString> items;
    std::vector<TreeEvent::DropPosition> positions;
    std::vector<bool> copies;
    wxString refused; // label of the item drags may not land on or beside

    std::size_t drops() const
    {
        return static_cast<std::size_t>(std::count(types.begin(), types.end(), wxUTILS_EVT_TREE_END_DRAG));
    }
};

TreeControl* makeDraggingTree(DragLog& log)
{
    TreeControl* tree = makeTree(nullptr);
    tree->EnableDragging(true);
    auto record = [&log](TreeEvent& event)
    {
        log.types.push_back(event.GetEventType());
        log.items.push_back(event.GetItem() ? event.GetItem()->GetLabel() : wxString("-"));
        log.positions.push_back(event.GetDropPosition());
        log.copies.push_back(event.IsCopy());
        if (event.GetEventType() == wxUTILS_EVT_TREE_DRAG_OVER && event.GetItem()->GetLabel() == log.refused)
        {
            event.Veto();
            event.SetLabel("Not there");
        }
    };
    for (auto type : {wxUTILS_EVT_TREE_BEGIN_DRAG, wxUTILS_EVT_TREE_DRAG_OVER, wxUTILS_EVT_TREE_END_DRAG})
        tree->Bind(type, record);
    return tree;
}

/// A point in a row: `fraction` 0 is its top edge, 1 its bottom.
wxPoint inRow(const TreeControl* tree, const TreeItem* item, double fraction)
{
    std::size_t row = 0;
    EXPECT_TRUE(tree->GetItemRow(item, row));
    const wxRect rect = tree->getRowRect(row);
    return wxPoint(labelPoint(tree, item).x, rect.y + static_cast<int>(fraction * (rect.height - 1)));
}

} // namespace

TEST(TreeControl, DraggedSelectionLandsOnOrBetweenRowsWhereTheHandlersAllow)
{
    DragLog log;
    TreeControl* tree = makeDraggingTree(log);
    const SmallTree t = fill(tree);
    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.a2));
    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.b1), wxMOD_CONTROL);
    struct Case
    {
        const TreeItem* over;
        double fraction;
        bool ctrl;
        const char* target;
        TreeEvent::DropPosition position;
    };
    const Case cases[] = {
        {t.c, 0.5, false, "c", TreeEvent::DropInto},
        {t.c, 0.1, false, "c", TreeEvent::DropBefore},
        {t.a3, 0.9, true, "a3", TreeEvent::DropAfter},
        // Below an open parent: the line lies above its first child.
        {t.b, 0.9, false, "b1", TreeEvent::DropBefore},
        // The root has no siblings; below the last row is the end of the root.
        {t.root, 0.1, false, "root", TreeEvent::DropInto},
    };
    // GTK takes two presses at one spot in quick succession for a double
    // click: each drag starts a little further right.
    int shift = 0;
    auto onA2 = [&] { return labelPoint(tree, t.a2) + wxPoint(shift += 8, 0); };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.target);
        log = DragLog{};
        {
            wxtest::MouseDrag drag(tree, onA2());
            drag.moveTo(inRow(tree, c.over, c.fraction));
            if (c.ctrl)
                drag.holdCtrl();
            drag.moveTo(inRow(tree, c.over, c.fraction) + wxPoint(2, 0));
        }
        ASSERT_FALSE(log.types.empty());
        EXPECT_EQ(log.types.front(), wxUTILS_EVT_TREE_BEGIN_DRAG);
        EXPECT_EQ(log.items.front(), "a2") << "the item pressed";
        ASSERT_EQ(log.drops(), 1u);
        EXPECT_EQ(log.items.back(), c.target);
        EXPECT_EQ(log.positions.back(), c.position);
        EXPECT_EQ(log.copies.back(), c.ctrl);
        EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"a2", "b1"})) << "both were dragged";
    }
    log = DragLog{};
    {
        wxtest::MouseDrag drag(tree, onA2());
        drag.moveTo(wxPoint(labelPoint(tree, t.c).x, tree->GetClientSize().y - 5));
    }
    EXPECT_EQ(log.items.back(), "root") << "below the last row";

    // Refused places take no drop; nor does a drag that Escape cancelled.
    log = DragLog{};
    log.refused = "c";
    {
        wxtest::MouseDrag drag(tree, onA2());
        drag.moveTo(inRow(tree, t.c, 0.5));
    }
    EXPECT_EQ(log.drops(), 0u);
    log.refused.clear();
    {
        wxtest::MouseDrag drag(tree, onA2());
        drag.moveTo(inRow(tree, t.c, 0.5));
        wxUIActionSimulator().Char(WXK_ESCAPE);
        wxtest::pump();
        EXPECT_FALSE(tree->IsDragging());
    }
    EXPECT_EQ(log.drops(), 0u);

    // A press on one of the selected items without a drag selects it alone when the button comes up.
    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.b1));
    EXPECT_EQ(tree->GetSelectedItemCount(), 2u);
    mouse(tree, wxEVT_LEFT_UP, labelPoint(tree, t.b1));
    EXPECT_EQ(labels(tree->GetSelection()), (std::vector<wxString>{"b1"}));
}

TEST(TreeControl, DraggingNearAnEdgeScrollsAndRestingOnAClosedItemOpensIt)
{
    DragLog log;
    TreeControl* tree = makeDraggingTree(log);
    auto* root = new TreeItem("root", tree, true);
    tree->SetRoot(root);
    auto* closed = new TreeItem("closed", tree, false);
    root->AppendChild(closed);
    closed->AppendChild(new TreeItem("inside", tree));
    for (int i = 0; i < 200; ++i)
        root->AppendChild(new TreeItem(wxString::Format("leaf%d", i), tree));
    wxtest::pump();
    TreeItem* leaf = root->GetChild(3);
    tree->Select(leaf, true);

    wxtest::MouseDrag drag(tree, labelPoint(tree, leaf));
    drag.moveTo(inRow(tree, closed, 0.5));
    drag.rest(std::chrono::milliseconds(1200));
    EXPECT_TRUE(closed->IsExpanded()) << "rested on long enough";

    const int bottom = tree->GetClientSize().y - 3;
    drag.moveTo(wxPoint(labelPoint(tree, leaf).x, bottom));
    EXPECT_TRUE(wxtest::pumpUntil([tree] { return tree->getFirstVisibleRow() >= 5; }))
        << "at the bottom edge the rows move up";
    drag.moveTo(wxPoint(labelPoint(tree, leaf).x, tree->getHeaderHeight() + 2));
    EXPECT_TRUE(wxtest::pumpUntil([tree] { return tree->getFirstVisibleRow() == 0; })) << "at the top edge back down";
    drag.release();
    EXPECT_EQ(log.drops(), 1u);
}

TEST(TreeControl, ContextMenuEventCarriesTheItemAndThePoint)
{
    EventLog log;
    TreeControl* tree = makeTree(&log);
    const SmallTree t = fill(tree);
    const wxPoint point = labelPoint(tree, t.b);
    requestContextMenu(tree, point);
    ASSERT_EQ(log.types.back(), wxUTILS_EVT_TREE_ITEM_CONTEXT_MENU);
    EXPECT_EQ(log.items.back(), t.b);
    EXPECT_EQ(log.points.back(), point);
    EXPECT_TRUE(t.b->IsSelected());

    requestContextMenu(tree, wxPoint(30, tree->GetClientSize().y - 3));
    EXPECT_EQ(log.types.back(), wxUTILS_EVT_TREE_ITEM_CONTEXT_MENU);
    EXPECT_EQ(log.items.back(), nullptr);
}

TEST(TreeControl, RenameInPlaceAcceptsOnEnterAndFocusLossAndCancelsOnEscapeOrAVeto)
{
    EventLog log;
    TreeControl* tree = makeTree(&log);
    const SmallTree t = fill(tree);
    auto renameBox = [tree]() { return dynamic_cast<wxTextCtrl*>(tree->getRenameControl()); };

    // F2 renames the focused item; the handler of the end event owns the label.
    mouse(tree, wxEVT_LEFT_DOWN, labelPoint(tree, t.b));
    key(tree, WXK_F2);
    ASSERT_NE(renameBox(), nullptr);
    EXPECT_EQ(renameBox()->GetValue(), "b");
    EXPECT_EQ(log.types.back(), wxUTILS_EVT_TREE_BEGIN_LABEL_EDIT);
    renameBox()->ChangeValue("bee");
    wxtest::sendTextEnter(renameBox());
    EXPECT_EQ(renameBox(), nullptr);
    ASSERT_EQ(log.types.back(), wxUTILS_EVT_TREE_END_LABEL_EDIT);
    EXPECT_EQ(log.items.back(), t.b);
    EXPECT_EQ(log.labels.back(), "bee");
    EXPECT_EQ(t.b->GetLabel(), "b") << "a handler processed the event, so the tree leaves the label alone";

    // Escape cancels without an end event.
    const auto ends = log.count(wxUTILS_EVT_TREE_END_LABEL_EDIT);
    tree->EditLabel(t.c);
    ASSERT_NE(renameBox(), nullptr);
    renameBox()->ChangeValue("sea");
    key(renameBox(), WXK_ESCAPE);
    EXPECT_EQ(renameBox(), nullptr);
    EXPECT_EQ(log.count(wxUTILS_EVT_TREE_END_LABEL_EDIT), ends);
    EXPECT_EQ(t.c->GetLabel(), "c");

    // Losing the focus accepts; with nobody processing the end event the tree
    // takes the label itself.
    log.handleEnd = false;
    tree->EditLabel(t.a1);
    ASSERT_NE(renameBox(), nullptr);
    renameBox()->ChangeValue("first");
    wxFocusEvent lost(wxEVT_KILL_FOCUS, renameBox()->GetId());
    lost.SetEventObject(renameBox());
    renameBox()->ProcessWindowEvent(lost);
    EXPECT_EQ(renameBox(), nullptr);
    EXPECT_EQ(log.count(wxUTILS_EVT_TREE_END_LABEL_EDIT), ends + 1);
    EXPECT_EQ(t.a1->GetLabel(), "first");

    // Destroying the item under the box closes it without renaming anything.
    tree->EditLabel(t.a2);
    ASSERT_NE(renameBox(), nullptr);
    t.a2->RemoveAndDestroy();
    EXPECT_EQ(renameBox(), nullptr);
    EXPECT_EQ(log.count(wxUTILS_EVT_TREE_END_LABEL_EDIT), ends + 1);
    wxtest::pump();

    // A handler that vetoes the begin event keeps the box closed.
    log.vetoBegin = true;
    tree->EditLabel(t.a);
    EXPECT_EQ(log.types.back(), wxUTILS_EVT_TREE_BEGIN_LABEL_EDIT);
    EXPECT_EQ(renameBox(), nullptr);
}

TEST(TreeControl, ReadOnlyTreesOpenNoRenameBox)
{
    EventLog readOnlyLog;
    TreeControl* readOnly = makeTree(&readOnlyLog, TreeControl::MultipleSelection | TreeControl::ReadOnlyLabels);
    EXPECT_TRUE(readOnly->hasOrkStyle(TreeControl::ReadOnlyLabels));
    const SmallTree r = fill(readOnly);
    mouse(readOnly, wxEVT_LEFT_DOWN, labelPoint(readOnly, r.a));
    key(readOnly, WXK_F2);
    readOnly->EditLabel(r.a);
    EXPECT_EQ(readOnly->getRenameControl(), nullptr);
    EXPECT_EQ(readOnlyLog.count(wxUTILS_EVT_TREE_BEGIN_LABEL_EDIT), 0);
}

TEST(TreeControl, TwoStepCreationAndClosingWhileRenamingAreSafe)
{
    // Filled before and after Create, as derived controls do in their constructors.
    auto* tree = new TreeControl;
    tree->AssignImageList(new wxImageList(16, 16, true, 1), 0);
    ASSERT_TRUE(tree->Create(wxtest::frame(), wxID_ANY, wxDefaultPosition, wxDefaultSize, 0x2000, "tree"));
    EXPECT_TRUE(tree->hasOrkStyle(TreeControl::MultipleSelection));
    wxtest::show(tree);
    const SmallTree t = fill(tree);
    tree->EditLabel(t.b1);
    ASSERT_NE(tree->getRenameControl(), nullptr);
    tree->Destroy();
    wxtest::pump();
}
