#include "EditorFrame.h"
#include "ViewsTestSupport.h"

#include <dbui/Document.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>

#include <db/Database.h>
#include <wxUtils/OrkFileHistory2.h>

#include <wx/config.h>
#include <wx/memconf.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>

TEST(EditorInspector, RefusedArithmeticSaysWhyInTheStatusBarCtrlFFindsRowsAndPinsAreKept)
{
    if (!dynamic_cast<wxMemoryConfig*>(wxConfigBase::Get(false)))
        delete wxConfigBase::Set(new wxMemoryConfig);
    db::Database database;
    auto* frame =
        new EditorFrame(database, std::make_unique<wxUtils::OrkFileHistory2>(wxUtils::OrkFileHistory2::MemoryOnly));
    frame->Show();
    ASSERT_EQ(frame->getDocument().open(DBUI_SAMPLE_DOCUMENT), dbui::Document::Success);
    dbui::NodeBrowserTreeControl* tree = frame->getBrowser()->getTreeControl();
    dbui::NodeInspector* inspector = frame->getBrowser()->getInspector();
    db::Attribute* found = database.attributeFromDatabasePath(L"/World/Group_12/Light_16");
    db::Node* light = found ? found->asNode() : nullptr;
    ASSERT_NE(light, nullptr);
    viewstest::selectNodes(tree, {light});
    wxtest::pump();

    wxWindow* box = wxWindow::FindWindowByName("OrkSimpleTextCtrl",
                                               wxWindow::FindWindowByName("FloatWidget", inspector->getScrollPanel()));
    ASSERT_NE(box, nullptr);
    box->SetFocus();
    ASSERT_TRUE(wxtest::pumpUntil([&] { return wxWindow::FindFocus() == box; }));
    wxUIActionSimulator keys;
    keys.Text("2*(");
    keys.Char(WXK_RETURN);
    wxtest::pump();
    EXPECT_TRUE(frame->GetStatusBar()->GetStatusText(1).Contains("cannot be worked out"));
    EXPECT_EQ(database.getUndoStackSize(), 0u) << "refused: nothing changes";

    // Ctrl+F in the inspector goes to its own filter, not to the tree's find box.
    keys.Char('F', wxMOD_CONTROL);
    EXPECT_TRUE(wxtest::pumpUntil([&] { return wxWindow::FindFocus()->GetName() == "InspectorFilter"; }));

    // A pin is kept for the type in the editor's settings.
    {
        wxtest::ChoosePopupMenuItem choose("Pin to Top");
        wxWindow* label = wxWindow::FindWindowByLabel("intensity", inspector->getScrollPanel());
        ASSERT_NE(label, nullptr);
        wxtest::requestContextMenu(label, wxPoint(2, 2));
    }
    EXPECT_EQ(wxConfigBase::Get()->Read("/Inspector/Pins/Light", wxString()), "intensity");

    frame->getDocument().close();
    frame->Destroy();
    wxtest::pump();
}
