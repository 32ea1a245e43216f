#include "Harness.h"

#include "DebugPanelWindow.h"
#include "EditorFrame.h"

#include <dbui/DatabaseDebugPanel.h>

#include <db/Database.h>
#include <wxUtils/OrkFileHistory2.h>

#include <wx/menu.h>

#include <memory>

TEST(DebugPanelInEditor, ViewMenuOpensOnePanelWindowOverTheEditorsDatabase)
{
    db::Database database(L"Edited");
    auto* frame =
        new EditorFrame(database, std::make_unique<wxUtils::OrkFileHistory2>(wxUtils::OrkFileHistory2::MemoryOnly));
    frame->Show();
    wxtest::pump();
    wxMenuBar* bar = frame->GetMenuBar();
    ASSERT_NE(bar, nullptr);
    const int viewIndex = bar->FindMenu("View");
    ASSERT_NE(viewIndex, wxNOT_FOUND);
    EXPECT_NE(bar->GetMenu(static_cast<size_t>(viewIndex))->FindItem(EditorFrame::ID_DebugPanel), nullptr);

    auto open = [frame]
    {
        wxCommandEvent event(wxEVT_MENU, EditorFrame::ID_DebugPanel);
        event.SetEventObject(frame);
        frame->ProcessWindowEvent(event);
        wxtest::pump();
    };
    open();
    auto* window = dynamic_cast<DebugPanelWindow*>(wxWindow::FindWindowByName(DebugPanelWindow::s_windowName, frame));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->IsShown());
    EXPECT_EQ(window->getPanel()->getDatabase(), &database);
    EXPECT_TRUE(database.getUndoObservers().contains(window->getPanel()));

    open();
    int windows = 0;
    for (wxWindow* child : frame->GetChildren())
        windows += dynamic_cast<DebugPanelWindow*>(child) ? 1 : 0;
    EXPECT_EQ(windows, 1) << "asking again must bring the open window forward, not open another";

    // Only the address is compared once the window is gone.
    const db::UndoObserver* panel = window->getPanel();
    window->Destroy();
    wxtest::pump();
    EXPECT_FALSE(database.getUndoObservers().contains(panel));
    frame->Destroy();
    wxtest::pump();
}
