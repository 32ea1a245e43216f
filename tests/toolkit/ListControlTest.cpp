#include "Harness.h"

#include <wxUtils/OrkListControl.h>
#include <wxUtils/OrkListItemCompareStrategyAlphabetical.h>

#include <wx/panel.h>

#include <algorithm>
#include <vector>

using wxtest::columnTexts;
using wxtest::key;
using wxtest::mouse;
using wxUtils::OrkListControl;
using wxUtils::OrkListEvent;
using wxUtils::OrkListItem_;

namespace
{

wxPoint rowPoint(const OrkListControl* list, std::size_t row)
{
    const wxRect rect = list->getRowRect(row);
    return wxPoint(rect.x + 20, rect.y + rect.height / 2);
}

std::vector<int> selectedIndices(const OrkListControl* list)
{
    Orkutils::Vector<OrkListItem_*> selection;
    list->getSelectionInViewOrder(selection);
    std::vector<int> indices;
    for (OrkListItem_* item : selection)
        indices.push_back(list->getItemIndex(item));
    return indices;
}

// A parent panel that records the list's events the way a widget would receive them.
struct EventLog
{
    std::vector<wxEventType> types;
    std::vector<OrkListItem_*> items;
    std::vector<wxPoint> points;
    std::vector<int> keys;
    bool consumeDelete = false;
};

OrkListControl* makeList(EventLog* log, long style = OrkListControl::MultipleSelection)
{
    auto* panel = new wxPanel(wxtest::frame());
    auto* list = new OrkListControl(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize, style);
    list->addColumn(0, "Value");
    list->addColumn(1, "Index");
    if (log)
    {
        auto record = [log](OrkListEvent& event)
        {
            log->types.push_back(event.GetEventType());
            log->items.push_back(event.getItem());
            log->points.push_back(event.getPoint());
            if (event.GetEventType() == wxUTILS_EVT_LC_KEY_DOWN)
            {
                log->keys.push_back(event.getKeyCode());
                if (!(log->consumeDelete && event.getKeyCode() == WXK_DELETE))
                    event.Skip(true);
            }
        };
        for (auto type : {wxUTILS_EVT_LC_KEY_DOWN, wxUTILS_EVT_LC_ITEM_CONTEXT_MENU, wxUTILS_EVT_LC_SELECTION_CHANGED,
                          wxUTILS_EVT_LC_ITEM_ACTIVATED})
            panel->Bind(type, record, list->GetId());
    }
    wxtest::showInParent(list);
    return list;
}

} // namespace

TEST(ListControl, RowsKeepTheirPositionsTextsAndDataThroughManyInsertsAndDeletesAndSendNoEvents)
{
    EventLog log;
    OrkListControl* list = makeList(&log);
    std::vector<int> data(3000);
    std::vector<OrkListItem_*> rows;
    for (int i = 0; i < 3000; ++i)
    {
        data[i] = i;
        OrkListItem_* row = list->appendItem(wxEmptyString, &data[i], i == 50);
        list->setItemText(row, 0, wxString::Format("%d", i * 10));
        list->setItemText(row, 1, wxString::Format("%d", i));
        rows.push_back(row);
    }
    ASSERT_EQ(list->getItemCount(), 3000u);

    // Delete the first, a run from the middle (crossing storage blocks) and the last.
    std::vector<bool> alive(3000, true);
    for (int i : {0, 2999})
    {
        list->deleteItem(rows[i]);
        alive[i] = false;
    }
    for (int i = 700; i < 1400; i += 2)
    {
        list->deleteItem(rows[i]);
        alive[i] = false;
    }
    OrkListItem_* inserted = list->insertItem(5, "inserted", nullptr);

    std::vector<int> expected;
    for (int i = 0; i < 3000; ++i)
        if (alive[i])
            expected.push_back(i);
    expected.insert(expected.begin() + 5, -1);
    ASSERT_EQ(list->getItemCount(), expected.size());
    for (std::size_t pos = 0; pos < expected.size(); ++pos)
    {
        OrkListItem_* row = list->getItem(pos);
        ASSERT_EQ(list->getItemIndex(row), static_cast<int>(pos));
        if (expected[pos] < 0)
        {
            EXPECT_EQ(row, inserted);
            EXPECT_EQ(list->getItemUserData(row), nullptr);
            continue;
        }
        EXPECT_EQ(row, rows[expected[pos]]);
        EXPECT_EQ(*static_cast<int*>(list->getItemUserData(row)), expected[pos]);
        EXPECT_EQ(list->getItemText(row, 1), wxString::Format("%d", expected[pos]));
    }
    EXPECT_EQ(list->getItem(expected.size()), nullptr);
    EXPECT_EQ(list->getItemIndex(nullptr), -1);

    list->sort(wxUtils::OrkListItemCompareStrategyAlphabetical(0));
    list->deleteAllItems();
    EXPECT_EQ(list->getItemCount(), 0u);
    wxtest::pump();
    EXPECT_TRUE(log.types.empty()) << "filling, sorting and emptying the list are the program's doing, not the user's";
}

TEST(ListControl, MouseSelectionFollowsClickCtrlAndShiftAndIsReportedTopToBottom)
{
    EventLog log;
    OrkListControl* list = makeList(&log);
    for (int i = 0; i < 6; ++i)
        list->appendItem(wxString::Format("row %d", i));

    mouse(list, wxEVT_LEFT_DOWN, rowPoint(list, 4));
    mouse(list, wxEVT_LEFT_DOWN, rowPoint(list, 1), wxMOD_CONTROL);
    EXPECT_EQ(selectedIndices(list), (std::vector<int>{1, 4})) << "selected bottom first, reported top first";

    mouse(list, wxEVT_LEFT_DOWN, rowPoint(list, 3), wxMOD_SHIFT);
    EXPECT_EQ(selectedIndices(list), (std::vector<int>{1, 2, 3})) << "shift extends from the last clicked row";

    mouse(list, wxEVT_LEFT_DOWN, rowPoint(list, 2), wxMOD_CONTROL);
    EXPECT_EQ(selectedIndices(list), (std::vector<int>{1, 3})) << "ctrl click toggles";

    // A click below the last row clears the selection, like native lists.
    mouse(list, wxEVT_LEFT_DOWN, wxPoint(20, list->GetClientSize().y - 2));
    EXPECT_TRUE(selectedIndices(list).empty());
    EXPECT_EQ(std::count(log.types.begin(), log.types.end(), wxUTILS_EVT_LC_SELECTION_CHANGED), 5);

    // Deleting a selected row takes it out of the selection without an event.
    mouse(list, wxEVT_LEFT_DOWN, rowPoint(list, 0));
    mouse(list, wxEVT_LEFT_DOWN, rowPoint(list, 5), wxMOD_SHIFT);
    const auto eventsBefore = log.types.size();
    list->deleteItem(list->getItem(2));
    EXPECT_EQ(selectedIndices(list), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(list->getSelectedItemCount(), 5u);
    EXPECT_EQ(log.types.size(), eventsBefore);

    // A single-selection list takes Ctrl and Shift clicks as plain ones.
    OrkListControl* single = makeList(nullptr, 0);
    for (int i = 0; i < 4; ++i)
        single->appendItem(wxString::Format("row %d", i));
    mouse(single, wxEVT_LEFT_DOWN, rowPoint(single, 0));
    mouse(single, wxEVT_LEFT_DOWN, rowPoint(single, 2), wxMOD_CONTROL);
    mouse(single, wxEVT_LEFT_DOWN, rowPoint(single, 3), wxMOD_SHIFT);
    EXPECT_EQ(selectedIndices(single), (std::vector<int>{3}));
}

TEST(ListControl, KeyDownReachesTheParentFirstAndSkippedKeysStillNavigate)
{
    EventLog log;
    log.consumeDelete = true;
    OrkListControl* list = makeList(&log);
    for (int i = 0; i < 50; ++i)
        list->appendItem(wxString::Format("row %d", i));
    mouse(list, wxEVT_LEFT_DOWN, rowPoint(list, 1));

    key(list, WXK_DOWN);
    EXPECT_EQ(selectedIndices(list), (std::vector<int>{2}));
    key(list, WXK_DOWN, wxMOD_SHIFT);
    key(list, WXK_DOWN, wxMOD_SHIFT);
    EXPECT_EQ(selectedIndices(list), (std::vector<int>{2, 3, 4}));
    key(list, WXK_END);
    EXPECT_EQ(selectedIndices(list), (std::vector<int>{49}));
    EXPECT_GT(list->getFirstVisibleRow(), 0u) << "End scrolls the last row into view";
    key(list, WXK_PAGEUP);
    const int afterPageUp = selectedIndices(list).at(0);
    EXPECT_LT(afterPageUp, 49);
    EXPECT_GT(afterPageUp, 0);
    key(list, WXK_HOME);
    EXPECT_EQ(selectedIndices(list), (std::vector<int>{0}));
    EXPECT_EQ(list->getFirstVisibleRow(), 0u);

    // The handler consumes Delete: the list must not treat it as navigation,
    // and the event names the focused row.
    log.keys.clear();
    log.items.clear();
    log.types.clear();
    key(list, WXK_DELETE);
    ASSERT_EQ(log.keys, (std::vector<int>{WXK_DELETE}));
    EXPECT_EQ(log.items.back(), list->getItem(0));
    EXPECT_EQ(selectedIndices(list), (std::vector<int>{0}));
    EXPECT_EQ(std::count(log.types.begin(), log.types.end(), wxUTILS_EVT_LC_SELECTION_CHANGED), 0);
}

TEST(ListControl, ContextMenuEventNamesTheRowUnderThePointOrNone)
{
    EventLog log;
    OrkListControl* list = makeList(&log);
    for (int i = 0; i < 3; ++i)
        list->appendItem(wxString::Format("row %d", i));

    const wxPoint onRow = rowPoint(list, 2);
    wxtest::requestContextMenu(list, onRow);
    ASSERT_FALSE(log.types.empty());
    EXPECT_EQ(log.types.back(), wxUTILS_EVT_LC_ITEM_CONTEXT_MENU);
    EXPECT_EQ(log.items.back(), list->getItem(2));
    EXPECT_EQ(log.points.back(), onRow) << "the point is in the list's client coordinates";
    EXPECT_EQ(selectedIndices(list), (std::vector<int>{2})) << "a right click selects the row it is on";

    wxtest::requestContextMenu(list, wxPoint(20, list->GetClientSize().y - 3));
    EXPECT_EQ(log.types.back(), wxUTILS_EVT_LC_ITEM_CONTEXT_MENU);
    EXPECT_EQ(log.items.back(), nullptr);

    // From the keyboard (no position) the menu belongs to the focused row and opens on it.
    wxtest::requestContextMenu(list, wxDefaultPosition);
    EXPECT_EQ(log.items.back(), list->getItem(2));
    EXPECT_TRUE(list->getRowRect(2).Contains(log.points.back()));
}

TEST(ListControl, AlphabeticalSortIgnoresCaseOrdersNumbersByValueAndIsStable)
{
    OrkListControl* list = makeList(nullptr);
    const wxString names[] = {"b", "item10", "A", "item2", "a", "B", "Zed", "item02"};
    for (const wxString& name : names)
        list->setItemText(list->appendItem(name), 1, name + "!");
    list->sort(wxUtils::OrkListItemCompareStrategyAlphabetical(0));
    EXPECT_EQ(columnTexts(list), (std::vector<wxString>{"A", "a", "B", "b", "item02", "item2", "item10", "Zed"}));
    EXPECT_EQ(columnTexts(list, 1)[7], "Zed!") << "rows move whole";
    for (std::size_t i = 0; i < list->getItemCount(); ++i)
        EXPECT_EQ(list->getItemIndex(list->getItem(i)), static_cast<int>(i));

    list->sort(wxUtils::OrkListItemCompareStrategyAlphabetical(1, true));
    EXPECT_EQ(columnTexts(list).front(), "Zed");
}

TEST(ListControl, HiddenHeaderGivesTheTopRowsToItems)
{
    OrkListControl* list = makeList(nullptr);
    list->appendItem("first");
    std::size_t row = 99;
    EXPECT_FALSE(list->hitTestRow(wxPoint(10, 2), row)) << "the header covers the top";
    list->showColumnHeader(false);
    ASSERT_TRUE(list->hitTestRow(wxPoint(10, 2), row));
    EXPECT_EQ(row, 0u);
}

TEST(ListControl, DraggingAHeaderBorderResizesColumnsWhileTheFirstFillsTheWidth)
{
    OrkListControl* list = makeList(nullptr);
    list->addColumn(2, "Extra", 100);
    list->setColumnWidth(1, 100);
    wxtest::pump();
    const int width = list->GetClientSize().x;
    EXPECT_EQ(list->getColumnWidth(0) + 200, width);

    // The border between "Index" and "Extra" moves right by 30 pixels.
    auto drag = [list](int fromX, int toX)
    {
        const int y = list->getHeaderHeight() / 2;
        mouse(list, wxEVT_LEFT_DOWN, wxPoint(fromX, y));
        wxMouseEvent motion(wxEVT_MOTION);
        motion.SetPosition(wxPoint(toX, y));
        motion.m_leftDown = true;
        motion.SetEventObject(list);
        list->ProcessWindowEvent(motion);
        mouse(list, wxEVT_LEFT_UP, wxPoint(toX, y));
    };
    const int border = list->getColumnWidth(0) + list->getColumnWidth(1);
    drag(border, border + 30);
    EXPECT_EQ(list->getColumnWidth(1), 130);
    EXPECT_EQ(list->getColumnWidth(0) + 230, width) << "the filling column gives the room";

    // Dragging the filling column's own border takes the room from its neighbour.
    const int firstBorder = list->getColumnWidth(0);
    drag(firstBorder, firstBorder - 40);
    EXPECT_EQ(list->getColumnWidth(1), 170);
    EXPECT_EQ(list->getColumnWidth(0) + 270, width);
    EXPECT_FALSE(list->HasCapture());
}
