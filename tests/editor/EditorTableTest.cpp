// View > Table in the editor: fed by the tree, columns remembered per type,
// refusals in the status bar.

#include "EditorFrame.h"
#include "ViewsTestSupport.h"

#include <dbui/Document.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeTable.h>

#include <db/Database.h>
#include <wxUtils/OrkFileHistory2.h>

#include <wx/config.h>
#include <wx/memconf.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>

#include <algorithm>

namespace
{

std::vector<db::Node*> nodesOfType(db::Node& root, const std::wstring& type)
{
    std::vector<db::Node*> found;
    for (db::Node* child : root.getChildNodes())
    {
        if (child->getClassID() == type)
            found.push_back(child);
        const std::vector<db::Node*> below = nodesOfType(*child, type);
        found.insert(found.end(), below.begin(), below.end());
    }
    return found;
}

/// The editor's window over a database of its own, gone before the database.
struct Editor
{
    Editor()
    {
        if (!dynamic_cast<wxMemoryConfig*>(wxConfigBase::Get(false)))
            delete wxConfigBase::Set(new wxMemoryConfig);
        frame->Show();
    }
    ~Editor()
    {
        frame->getDocument().close();
        frame->Destroy();
        wxtest::pump();
    }

    db::Database database;
    EditorFrame* frame =
        new EditorFrame(database, std::make_unique<wxUtils::OrkFileHistory2>(wxUtils::OrkFileHistory2::MemoryOnly));
};

TEST(EditorTable, ShowsTheSelectionRemembersColumnsPerTypeAndPutsRefusalsInTheStatusBar)
{
    Editor editor;
    db::Database& database = editor.database;
    EditorFrame* frame = editor.frame;
    ASSERT_EQ(frame->getDocument().open(DBUI_SAMPLE_DOCUMENT), dbui::Document::Success);
    dbui::NodeBrowserTreeControl* tree = frame->getBrowser()->getTreeControl();
    std::vector<db::Node*> lights = nodesOfType(database, L"Light");
    lights.resize(std::min<std::size_t>(lights.size(), 3));
    const std::vector<db::Node*> cameras = nodesOfType(database, L"Camera");
    ASSERT_GE(lights.size(), 2u);
    ASSERT_GE(cameras.size(), 1u);

    wxCommandEvent show(wxEVT_MENU, EditorFrame::ID_Table);
    show.SetInt(1);
    frame->ProcessWindowEvent(show);
    auto* table = dynamic_cast<dbui::NodeTable*>(wxWindow::FindWindowByName("NodeTable", frame));
    ASSERT_TRUE(table && table->IsShown());
    viewstest::selectNodes(tree, lights);
    EXPECT_EQ(table->getNodes(), lights);

    // A column added for lights comes back with them after a camera.
    {
        wxtest::ChoosePopupMenuItem choose("colour.x");
        wxGridEvent rightClick(table->GetId(), wxEVT_GRID_LABEL_RIGHT_CLICK, table, -1, 2);
        table->ProcessWindowEvent(rightClick);
    }
    viewstest::selectNodes(tree, {cameras.front()});
    EXPECT_EQ(table->getNodes(), std::vector<db::Node*>{cameras.front()});
    viewstest::selectNodes(tree, lights);
    const std::vector<std::wstring> columns = table->getColumns();
    EXPECT_EQ(columns.back(), L"colour.x");

    const int intensity =
        2 + static_cast<int>(std::find(columns.begin(), columns.end(), L"intensity") - columns.begin());
    table->SetGridCursor(0, intensity);
    table->pasteText("-5");
    EXPECT_TRUE(frame->GetStatusBar()->GetStatusText(1).Contains("outside the limits of intensity"));

    // With the focus in the table its keys are its own: Ctrl+D fills down rather than duplicating nodes.
    const std::size_t nodeCount = database.getTotalNodeCount();
    table->SetFocus();
    ASSERT_TRUE(wxtest::pumpUntil([&] { return wxWindow::FindFocus() == table; }));
    table->SelectBlock(0, intensity, 1, intensity);
    wxUIActionSimulator().Char('D', wxMOD_CONTROL);
    wxtest::pump();
    EXPECT_EQ(database.getTotalNodeCount(), nodeCount);
    EXPECT_EQ(table->GetCellValue(1, intensity), table->GetCellValue(0, intensity));
    EXPECT_EQ(database.getUndoDescription(database.getUndoStackSize() - 1), L"Fill down table cells");

    // With one node selected, what the find box finds fills the table.
    viewstest::selectNodes(tree, {cameras.front()});
    tree->setFilterText("type:Light");
    EXPECT_EQ(table->getNodes(), nodesOfType(database, L"Light"));
}

} // namespace
