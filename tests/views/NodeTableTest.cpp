// The node table through the user's hands: clicks, typing, keys and the
// real clipboard, each edit one undo step, and the rows following the database.

#include "ViewsTestSupport.h"

#include <dbui/AttributeWidgetRegistry.h>
#include <dbui/FloatWidget.h>
#include <dbui/NodeTable.h>

#include <db/BoolAttribute.h>
#include <db/FloatAttribute.h>
#include <db/ValueText.h>
#include <db/Vector3Attribute.h>

#include <wx/clipbrd.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <memory>
#include <random>

namespace
{

using viewstest::Owned;

/// Lights L0..L4 with intensities 5, 3, 9, 1, 7, and a camera.
struct Lights
{
    db::Database database{L"Scene"};
    std::vector<db::Node*> lights;
    db::Node* camera = nullptr;

    Lights()
    {
        const float intensities[] = {5, 3, 9, 1, 7};
        for (int i = 0; i < 5; ++i)
        {
            lights.push_back(viewstest::addNode(&database, L"Light", L"L" + std::to_wstring(i)));
            intensity(i)->setValue(intensities[i]);
        }
        camera = viewstest::addNode(&database, L"Camera", L"C");
        database.clearUndoHistory();
    }

    db::FloatAttribute* intensity(int i) const { return lights[i]->findAttribute(L"intensity")->asFloatAttribute(); }
    std::vector<float> intensities() const
    {
        std::vector<float> values;
        for (int i = 0; i < 5; ++i)
            values.push_back(intensity(i)->getValue());
        return values;
    }
    std::wstring lastStep() const
    {
        const unsigned int steps = database.getUndoStackSize();
        return steps ? database.getUndoDescription(steps - 1) : L"";
    }
};

/// Grid columns: name, type, then these.
constexpr int s_intensity = 2;
constexpr int s_colourX = 3;
constexpr int s_kind = 4;
constexpr int s_visible = 5;

struct Table
{
    explicit Table(Lights& scene) : grid(wxtest::show(new dbui::NodeTable(wxtest::frame(), wxID_ANY)))
    {
        grid->Bind(dbui::EVT_NODE_TABLE_REFUSED,
                   [this](wxCommandEvent& event) { refusals.push_back(event.GetString()); });
        grid->Bind(dbui::EVT_NODE_TABLE_COLUMNS_CHANGED, [this](wxCommandEvent&) { ++columnChanges; });
        grid->setDatabase(&scene.database);
        grid->setNodes(scene.lights);
        grid->setColumns({L"intensity", L"colour.x", L"kind", L"visible"});
        wxtest::pump();
    }

    /// The middle of a cell, on the screen (the tables here never scroll).
    wxPoint cellOnScreen(int row, int col) const
    {
        const wxRect rect = grid->CellToRect(row, col);
        return grid->ClientToScreen(wxPoint(grid->GetRowLabelSize(), grid->GetColLabelSize()) + rect.GetPosition() +
                                    rect.GetSize() / 2);
    }

    void click(int row, int col, bool shift = false) const
    {
        wxUIActionSimulator sim;
        sim.MouseMove(cellOnScreen(row, col));
        wxtest::pump();
        if (shift)
            sim.KeyDown(WXK_SHIFT);
        sim.MouseClick();
        if (shift)
            sim.KeyUp(WXK_SHIFT);
        wxtest::pump();
    }

    void type(const wxString& text) const
    {
        wxUIActionSimulator sim;
        sim.Text(text.utf8_str());
        sim.Char(WXK_RETURN);
        wxtest::pump();
    }

    static void press(int key, int modifiers = wxMOD_NONE)
    {
        wxUIActionSimulator().Char(key, modifiers);
        wxtest::pump();
    }

    std::vector<wxString> column(int col) const
    {
        std::vector<wxString> texts;
        for (int row = 0; row < grid->GetNumberRows(); ++row)
            texts.push_back(grid->GetCellValue(row, col));
        return texts;
    }

    Owned<dbui::NodeTable> grid;
    std::vector<wxString> refusals;
    int columnChanges = 0;
};

std::vector<wxString> texts(std::initializer_list<const char*> list)
{
    return std::vector<wxString>(list.begin(), list.end());
}

TEST(NodeTable, ShowsWhatTheRowsShareInTheInspectorsTextsAndFollowsRenameRemovalAndUndo)
{
    Lights scene;
    Table table(scene);
    EXPECT_EQ(table.column(0), texts({"L0", "L1", "L2", "L3", "L4"}));
    EXPECT_EQ(table.column(1), texts({"Light", "Light", "Light", "Light", "Light"}));
    EXPECT_EQ(table.column(s_intensity), texts({"5", "3", "9", "1", "7"}));
    EXPECT_EQ(table.grid->GetCellValue(0, s_kind), "Point");
    // Filling the table is no edit and no event.
    EXPECT_EQ(scene.database.getUndoStackSize(), 0u);
    EXPECT_EQ(table.columnChanges, 0);

    // A camera among the lights leaves only what both types have.
    table.grid->setNodes({scene.lights[0], scene.camera});
    const std::vector<std::wstring> shared = table.grid->getAvailableColumns();
    EXPECT_EQ(std::count(shared.begin(), shared.end(), L"visible"), 1);
    EXPECT_EQ(std::count(shared.begin(), shared.end(), L"intensity"), 0);
    EXPECT_EQ(table.grid->getColumns(), std::vector<std::wstring>{L"visible"});
    table.grid->setNodes(scene.lights);
    table.grid->setColumns({L"intensity", L"colour.x", L"kind", L"attenuation.linear", L"children", L"nonsense"});
    EXPECT_EQ(table.grid->getColumns(),
              (std::vector<std::wstring>{L"intensity", L"colour.x", L"kind", L"attenuation.linear"}));

    // Changes made elsewhere reach the rows; a removed node's row goes and the undo brings it back.
    scene.lights[1]->setName(L"renamed");
    scene.intensity(3)->setValue(0.125f);
    wxtest::pump();
    EXPECT_EQ(table.grid->GetCellValue(1, 0), "renamed");
    EXPECT_EQ(table.grid->GetCellValue(3, s_intensity), "0.125");
    scene.lights[2]->remove();
    EXPECT_EQ(table.column(0), texts({"L0", "renamed", "L3", "L4"}));
    scene.database.undo();
    EXPECT_EQ(table.column(0), texts({"L0", "renamed", "L2", "L3", "L4"}));
}

TEST(NodeTable, TypingIntoACellOrARangeIsOneNamedStepAndRefusedValuesChangeNothing)
{
    Lights scene;
    Table table(scene);
    table.click(0, s_intensity);
    table.type("42");
    EXPECT_EQ(scene.intensity(0)->getValue(), 42.0f);
    EXPECT_EQ(scene.lastStep(), L"Set table cell");
    EXPECT_EQ(table.grid->GetCellValue(0, s_intensity), "42");

    // A range of one column takes one typed value, as one step.
    table.click(1, s_intensity);
    table.click(3, s_intensity, true);
    const unsigned int before = scene.database.getUndoStackSize();
    wxUIActionSimulator().Text("2");
    wxtest::pump();
    // The editor waited beside the cells since the last edit; it is back in them, where it is shown.
    wxGridCellEditor* editor = table.grid->GetCellEditor(1, s_intensity);
    EXPECT_EQ(editor->GetWindow()->GetParent(), table.grid->GetGridWindow());
    editor->DecRef();
    table.type(".5");
    // Nor does GTK see a hidden editor among the cells when they scroll.
    const wxSize size = table.grid->GetSize();
    table.grid->SetSize(size / 2);
    table.grid->Scroll(1, 1);
    wxtest::pump();
    table.grid->Scroll(0, 0);
    table.grid->SetSize(size);
    EXPECT_EQ(scene.intensities(), (std::vector<float>{42, 2.5f, 2.5f, 2.5f, 7}));
    EXPECT_EQ(scene.database.getUndoStackSize(), before + 1);
    EXPECT_EQ(scene.lastStep(), L"Set table cells");

    // What the attribute refuses is refused with the reason, and nothing changes.
    const struct
    {
        const char* typed;
        const char* reason;
    } refused[] = {{"abc", "bad float value"}, {"1e9", "outside the limits"}};
    for (const auto& c : refused)
    {
        table.refusals.clear();
        table.click(1, s_intensity);
        table.click(3, s_intensity, true);
        table.type(c.typed);
        EXPECT_EQ(scene.intensities(), (std::vector<float>{42, 2.5f, 2.5f, 2.5f, 7})) << c.typed;
        ASSERT_EQ(table.refusals.size(), 1u) << c.typed;
        EXPECT_TRUE(table.refusals.front().Contains(c.reason)) << table.refusals.front();
        // The editor is open again over the same cells, holding what was typed, until Escape.
        ASSERT_TRUE(table.grid->IsCellEditControlEnabled());
        EXPECT_TRUE(table.grid->IsInSelection(1, s_intensity) && table.grid->IsInSelection(3, s_intensity));
        EXPECT_EQ(table.grid->GetGridCursorRow(), 1);
        wxGridCellEditor* open = table.grid->GetCellEditor(1, s_intensity);
        EXPECT_EQ(open->GetValue(), c.typed);
        open->DecRef();
        Table::press(WXK_ESCAPE);
    }
    EXPECT_EQ(scene.database.getUndoStackSize(), before + 1);
    table.click(4, s_kind);
    table.type("Spot");
    EXPECT_EQ(table.grid->GetCellValue(4, s_kind), "Spot");

    // Space on a check box flips it, and a click on the current one too.
    table.click(2, s_visible);
    Table::press(WXK_SPACE);
    EXPECT_FALSE(scene.lights[2]->findAttribute(L"visible")->asBoolAttribute()->getValue());
    EXPECT_EQ(scene.lastStep(), L"Set table cell");
    table.click(2, s_visible);
    EXPECT_TRUE(scene.lights[2]->findAttribute(L"visible")->asBoolAttribute()->getValue());
}

TEST(NodeTable, ARegisteredWidgetEditsTheSelectedCellsOfItsWholeValueColumnAsOneStepUntilRemoved)
{
    Lights scene;
    const auto id = dbui::AttributeWidgetRegistry::addForType(
        db::Float, [](db::AttributeDef&, wxWindow* parent)
        { return new dbui::FloatWidget(parent, wxDefaultSize, 0, wxDefaultValidator, "registered"); });
    // Taken away even when the test stops early: the other tests want the grid's editors.
    const std::shared_ptr<void> unregister(nullptr, [id](void*) { dbui::AttributeWidgetRegistry::remove(id); });
    Table table(scene);
    table.click(1, s_intensity);
    table.click(3, s_intensity, true);
    Table::press(WXK_F2);
    auto* widget = dynamic_cast<dbui::FloatWidget*>(wxWindow::FindWindowByName("registered", table.grid));
    ASSERT_TRUE(widget && widget->IsShown());
    EXPECT_TRUE(widget->getTextBox()->isIndeterminate()) << "3, 9 and 1 show as mixed";
    table.type("4");
    EXPECT_EQ(scene.intensities(), (std::vector<float>{5, 4, 4, 4, 7}));
    EXPECT_EQ(scene.database.getUndoStackSize(), 1u);
    EXPECT_FALSE(table.grid->IsCellEditControlEnabled()) << "Enter closes the edit";
    EXPECT_TRUE(table.refusals.empty()) << "the grid writes nothing after the widget";
    scene.database.undo();
    EXPECT_EQ(scene.intensities(), (std::vector<float>{5, 3, 9, 1, 7}));

    // A click elsewhere keeps what was typed; the closed editor leaves no
    // hidden window behind for GTK to move (and complain of) as the grid scrolls.
    table.click(4, s_intensity);
    Table::press(WXK_F2);
    wxUIActionSimulator().Text("6");
    table.click(0, s_intensity);
    EXPECT_EQ(scene.intensity(4)->getValue(), 6.0f);
    // Escape drops it, as in the grid's own editors.
    Table::press(WXK_F2);
    wxUIActionSimulator().Text("2");
    Table::press(WXK_ESCAPE);
    EXPECT_EQ(scene.intensity(0)->getValue(), 5.0f);
    const wxSize size = table.grid->GetSize();
    table.grid->SetSize(size.x, table.grid->GetColLabelSize() + 2 * table.grid->GetRowSize(0));
    table.grid->Scroll(0, 3);
    wxtest::pump();
    table.grid->Scroll(0, 0);
    table.grid->SetSize(size);
    wxtest::pump();

    // A vector's component keeps the grid's own editor; so does the column once the registration goes.
    table.click(0, s_colourX);
    table.type("0.5");
    EXPECT_EQ(scene.lastStep(), L"Set table cell");
    EXPECT_TRUE(dbui::AttributeWidgetRegistry::remove(id));
    table.grid->setNodes(scene.lights);
    table.click(1, s_intensity);
    table.type("8");
    EXPECT_EQ(scene.intensity(1)->getValue(), 8.0f);
    EXPECT_EQ(scene.lastStep(), L"Set table cell");
}

TEST(NodeTable, FillDownResetCopyAndSpreadsheetPasteGoThroughKeysAndTheRealClipboard)
{
    Lights scene;
    Table table(scene);
    table.click(1, s_intensity);
    table.click(3, s_colourX, true);
    Table::press('D', wxMOD_CONTROL);
    EXPECT_EQ(scene.intensities(), (std::vector<float>{5, 3, 3, 3, 7}));
    EXPECT_EQ(scene.lastStep(), L"Fill down table cells");

    Table::press(WXK_DELETE);
    EXPECT_EQ(scene.intensities(), (std::vector<float>{5, 1, 1, 1, 7}));
    EXPECT_EQ(scene.lastStep(), L"Reset table cells");

    scene.lights[0]->findAttribute(L"colour")->asVector3Attribute()->setValue(OrkP::Vector3(0.1f, 0, 0));
    table.click(0, s_intensity);
    table.click(1, s_colourX, true);
    Table::press('C', wxMOD_CONTROL);
    wxTextDataObject copied;
    {
        wxClipboardLocker locker;
        ASSERT_TRUE(wxTheClipboard->GetData(copied));
    }
    EXPECT_EQ(copied.GetText(), "5\t0.1\n1\t1\n");

    // A spreadsheet's block goes in at the selection's corner, as one step.
    {
        wxClipboardLocker locker;
        wxTheClipboard->SetData(new wxTextDataObject("10\t0.5\r\n20\t0.25\r\n"));
    }
    table.click(2, s_intensity);
    Table::press('V', wxMOD_CONTROL);
    EXPECT_EQ(scene.intensities(), (std::vector<float>{5, 1, 10, 20, 7}));
    EXPECT_EQ(table.grid->GetCellValue(3, s_colourX), "0.25");
    EXPECT_EQ(scene.lastStep(), L"Paste table cells");

    // One bad value, or a block that does not fit, and nothing of it goes in.
    const std::pair<const char*, int> refused[] = {{"30\t0.5\n40\tx\n", 0}, {"1\n2\n3\n", 3}};
    for (const auto& [block, row] : refused)
    {
        {
            wxClipboardLocker locker;
            wxTheClipboard->SetData(new wxTextDataObject(block));
        }
        table.refusals.clear();
        table.click(row, s_intensity);
        Table::press('V', wxMOD_CONTROL);
        EXPECT_EQ(scene.intensities(), (std::vector<float>{5, 1, 10, 20, 7})) << block;
        EXPECT_EQ(table.refusals.size(), 1u) << block;
    }
}

TEST(NodeTable, SortingByAHeaderClickReordersRowsOnlyAndTheRowsFollowAnUndo)
{
    Lights scene;
    Table table(scene);
    wxUIActionSimulator sim;
    wxWindow* header = table.grid->GetGridColLabelWindow();
    const wxRect rect = table.grid->CellToRect(0, s_intensity);
    const wxPoint label =
        header->ClientToScreen(wxPoint(rect.GetLeft() + rect.GetWidth() / 2, header->GetSize().y / 2));
    for (const auto& expected : {texts({"1", "3", "5", "7", "9"}), texts({"9", "7", "5", "3", "1"})})
    {
        sim.MouseMove(label);
        wxtest::pump();
        sim.MouseClick();
        wxtest::pump();
        EXPECT_EQ(table.column(s_intensity), expected);
    }
    EXPECT_EQ(viewstest::childNames(&scene.database),
              (std::vector<std::wstring>{L"L0", L"L1", L"L2", L"L3", L"L4", L"C"}));
    EXPECT_EQ(scene.database.getUndoStackSize(), 0u);

    // Row 0 is now L2 (9): an edit there and its undo show in place.
    table.click(0, s_intensity);
    table.type("0");
    EXPECT_EQ(scene.intensity(2)->getValue(), 0.0f);
    scene.database.undo();
    wxtest::pump();
    EXPECT_EQ(table.grid->GetCellValue(0, s_intensity), "9");

    // The header's menu adds and removes columns, and says so to the host.
    {
        wxtest::ChoosePopupMenuItem choose("colour.y");
        sim.MouseMove(label);
        wxtest::pump();
        sim.MouseClick(wxMOUSE_BTN_RIGHT);
        wxtest::pump();
    }
    EXPECT_EQ(table.grid->getColumns().back(), L"colour.y");
    EXPECT_EQ(table.columnChanges, 1);
}

// Random edits through the table's commands, each checked against the
// database, then undone all: the scene must be as it started.
TEST(NodeTable, RandomEditsKeepTheTableTrueAndUndoAllGivesTheSceneBack)
{
    Lights scene;
    Table table(scene);
    table.grid->setColumns({L"intensity", L"colour.x", L"kind", L"range", L"visible"});
    const auto snapshot = [&]
    {
        std::vector<std::wstring> all;
        for (db::Node* node : scene.lights)
            for (const wchar_t* path : {L"intensity", L"colour", L"kind", L"range", L"visible"})
            {
                std::wstring text;
                db::valueToText(*node->findAttribute(path), text);
                all.push_back(node->getName() + L"." + path + L"=" + text);
            }
        return all;
    };
    const std::vector<std::wstring> start = snapshot();
    std::mt19937 random(30);
    const char* values[] = {"1", "2.5", "0", "-1", "true", "Spot", "x", "1e6"};
    std::vector<std::string> actions;
    for (int step = 0; step < 60; ++step)
    {
        const int rows = table.grid->GetNumberRows();
        const int top = static_cast<int>(random() % rows);
        const int bottom = top + static_cast<int>(random() % (rows - top));
        const int col = 2 + static_cast<int>(random() % 5);
        table.grid->ClearSelection();
        table.grid->SetGridCursor(top, col);
        table.grid->SelectBlock(top, col, bottom, col + static_cast<int>(random() % (7 - col)));
        const std::string value = values[random() % std::size(values)];
        switch (random() % 4)
        {
        case 0:
            table.grid->pasteText(value);
            break;
        case 1:
            table.grid->fillDown();
            break;
        case 2:
            table.grid->resetSelection();
            break;
        default:
            table.grid->sortByColumn(col, random() % 2 == 0);
        }
        actions.push_back(std::to_string(top) + "-" + std::to_string(bottom) + "@" + std::to_string(col) + " " + value);
        // Every row shows its own node, each node once, with the value it holds.
        std::vector<db::Node*> shown;
        for (int row = 0; row < rows; ++row)
        {
            db::Node* node = table.grid->getRowNode(row);
            shown.push_back(node);
            const float value = node->findAttribute(L"intensity")->asFloatAttribute()->getValue();
            ASSERT_EQ(table.grid->GetCellValue(row, s_intensity), wxString::Format("%g", value))
                << ::testing::PrintToString(actions);
        }
        std::sort(shown.begin(), shown.end());
        std::vector<db::Node*> fed = scene.lights;
        std::sort(fed.begin(), fed.end());
        ASSERT_EQ(shown, fed);
    }
    while (scene.database.undo())
    {
    }
    EXPECT_EQ(snapshot(), start) << ::testing::PrintToString(actions);
}

} // namespace
