#include "Harness.h"

#include <dbui/DatabaseDebugPanel.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>

#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/LoaderXML.h>

#include <wxUtils/OrkButton.h>
#include <wxUtils/OrkListControl.h>
#include <wxUtils/TreeItem.h>

#include <wx/button.h>

// The panel over the sample scene, as a tool programmer first sees it; the
// picture it leaves in the build tree is the one to look at after layout work.
TEST(DebugPanelSample, SampleSceneShowsItsFiguresAndHistoryAndIsCaptured)
{
    db::Database database(L"Scene");
    db::FileInputStream stream(std::string(DBUI_SAMPLE_DOCUMENT));
    db::LoaderXML loader(stream);
    ASSERT_TRUE(loader.load(database));
    database.setName(L"Scene");
    database.setMaxUndoItems(50);

    auto* panel = new dbui::DatabaseDebugPanel(wxtest::frame());
    wxtest::frame()->SetSize(1200, 800);
    wxtest::show(panel);
    panel->setDatabase(&database);

    // A little history, so that both stacks have rows to show.
    for (const wchar_t* step : {L"Set float attribute(s)", L"Change float attribute(s)", L"Delete nodes"})
    {
        db::ChangeBlock block(database, step);
        database.setName(database.getName() == L"Scene" ? L"Scene " : L"Scene");
    }
    database.undo();

    wxUtils::OrkListControl* stats = panel->getStatsList();
    EXPECT_EQ(stats->getItemText(stats->getItem(0), 1), wxString::Format("%d", int(database.getTotalNodeCount())));
    EXPECT_EQ(stats->getItemText(stats->getItem(4), 1), "50");
    EXPECT_EQ(panel->getRedoList()->getItemCount(), 1u);
    EXPECT_TRUE(panel->getRedoButton()->getNativeButton()->IsEnabled()) << "the button the user clicks";

    dbui::NodeBrowserTreeControl* tree = panel->getBrowser()->getTreeControl();
    ASSERT_NE(tree->GetRoot(), nullptr);
    // The first top-level node that has attributes of its own, so the inspector has rows.
    for (wxUtils::TreeItem* item = tree->GetRoot()->GetFirstChild(); item; item = item->GetNextSibling())
    {
        if (item->GetLabel() == "World")
            tree->Select(item, true);
    }
    wxtest::pumpUntil([&] { return !stats->getItemText(stats->getItem(9), 1).empty(); });
    wxtest::pump();
    EXPECT_TRUE(wxtest::saveWindowPng(panel, DBUI_SCREENSHOT_DIR "/debug-panel.png"));
    panel->Destroy();
}
