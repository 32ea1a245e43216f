// The inspector's options for everyday editing: pointers set by dragging
// nodes from the tree, the lock, arithmetic in number boxes, marks of modified
// and pinned rows, and the keyboard.

#include "AllTypesScene.h"
#include "ViewsTestSupport.h"

#include <dbui/CommonAttributeHolder.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>

#include <db/FloatAttribute.h>
#include <db/PointerAttribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

#include <wx/stattext.h>
#include <wx/tglbtn.h>
#include <wx/uiaction.h>

#include <algorithm>

using viewstest::Owned;
using viewstest::Scene;

namespace
{

/// The label window of the inspector's row `name`, or null.
wxWindow* rowLabel(dbui::NodeInspector* inspector, const wxString& name)
{
    for (wxWindow* child : inspector->getScrollPanel()->GetChildren())
        if (dynamic_cast<wxStaticText*>(child) && child->GetLabel().EndsWith(name) && child->IsShown())
            return child;
    return nullptr;
}

/// Scrolls the inspector until the row of `label` shows at its top.
void scrollTo(dbui::NodeInspector* inspector, wxWindow* label)
{
    wxScrolled<wxPanel>* panel = inspector->getScrollPanel();
    int unitX = 0;
    int unitY = 0;
    panel->GetScrollPixelsPerUnit(&unitX, &unitY);
    panel->Scroll(0, panel->CalcUnscrolledPosition(label->GetPosition()).y / std::max(unitY, 1));
    wxtest::pump();
}

/// A real click in the middle of `window`.
void clickOn(wxWindow* window)
{
    wxUIActionSimulator mouse;
    mouse.MouseMove(window->GetScreenRect().GetPosition() + window->GetSize() / 2);
    mouse.MouseClick();
    wxtest::pump();
}

/// The text box of the inspector's float row.
wxUtils::OrkSimpleTextCtrl* floatBox(dbui::NodeInspector* inspector)
{
    return dynamic_cast<wxUtils::OrkSimpleTextCtrl*>(wxWindow::FindWindowByName(
        "OrkSimpleTextCtrl", wxWindow::FindWindowByName("FloatWidget", inspector->getScrollPanel())));
}

} // namespace

TEST(NodeInspectorOptions, NodesDraggedFromTheLockedTreeOntoAPointerRowSetItForEveryNodeOrAreRefused)
{
    Scene scene;
    db::Node* mesh2 = viewstest::addNode(&scene.database, L"Mesh", L"m2");
    db::Node* library = viewstest::addNode(&scene.database, L"MaterialLibrary", L"Lib");
    db::Node* material = db::makeNode(L"Material", L"Steel");
    library->findAttribute(L"materials")->asNodeContainer()->add(material);
    scene.database.clearUndoHistory();
    Owned<dbui::NodeBrowser> browser(wxtest::show(new dbui::NodeBrowser(wxtest::frame(), wxID_ANY)));
    browser->setDatabase(&scene.database);
    dbui::NodeBrowserTreeControl* tree = browser->getTreeControl();
    tree->setOptions(dbui::NodeBrowserTreeControl::DragAndDrop);
    dbui::NodeInspector* inspector = browser->getInspector();
    inspector->setOptions(dbui::NodeInspector::ShowHeader | dbui::NodeInspector::LockButton |
                          dbui::NodeInspector::PointerDrops);
    tree->ExpandAll();
    viewstest::selectNodes(tree, {scene.a2, mesh2});
    wxtest::pump();

    // Locked by its button: the inspector keeps the meshes while the tree selects what to drag.
    auto* lock = dynamic_cast<wxToggleButton*>(wxWindow::FindWindowByName("InspectorLock", inspector));
    const wxString unlocked = lock->GetLabel();
    clickOn(lock);
    EXPECT_NE(lock->GetLabel(), unlocked) << "the header says it is locked";

    int shift = 0;
    auto dragOntoRow = [&](db::Node* node, const wxString& row)
    {
        viewstest::selectNodes(tree, {node});
        wxWindow* label = rowLabel(inspector, row);
        ASSERT_NE(label, nullptr);
        scrollTo(inspector, label);
        wxtest::MouseDrag mouse(tree, wxtest::labelPoint(tree, tree->getItemOfNode(node)) + wxPoint(shift += 6, 0));
        const wxPoint over = tree->ScreenToClient(label->GetScreenRect().GetPosition() + label->GetSize() / 2);
        mouse.moveTo(over);
        mouse.moveTo(over + wxPoint(3, 0));
    };

    // A light is no material: refused, nothing changes.
    dragOntoRow(scene.light, "material");
    EXPECT_EQ(scene.database.getUndoStackSize(), 0u);
    const wxPoint row = rowLabel(inspector, "material")->GetScreenRect().GetPosition();
    EXPECT_TRUE(inspector->getDropRefusal(row, {scene.light}).Contains("Material"));

    dragOntoRow(material, "material");
    for (db::Node* mesh : {scene.a2, mesh2})
        EXPECT_EQ(mesh->findAttribute(L"material")->asPointerAttribute()->getValue(), material);
    EXPECT_EQ(scene.database.getUndoStackSize(), 1u) << "one drop, one step";
    scene.database.undo();
    EXPECT_EQ(scene.a2->findAttribute(L"material")->asPointerAttribute()->getValue(), nullptr);

    // A locked node that goes leaves the inspector; unlocking shows the selection again.
    scene.database.getRootContainer().remove(mesh2);
    wxtest::pump();
    EXPECT_EQ(inspector->getNodes(), std::vector<db::Node*>{scene.a2});
    clickOn(lock);
    EXPECT_EQ(inspector->getNodes(), std::vector<db::Node*>{material});
}

TEST(NodeInspectorOptions, TabWalksANodeOfEveryKindRowsOfManyAreMarkedAndPinnedAndARelativeEditIsOneUndoStep)
{
    dbuitest::AllTypesScene scene(200);
    Owned<dbui::NodeInspector> inspector(wxtest::show(new dbui::NodeInspector(wxtest::frame(), wxID_ANY)));
    inspector->setOptions(dbui::NodeInspector::ShowAttributeFilter | dbui::NodeInspector::MarkModifiedRows |
                          dbui::NodeInspector::PinnedRows | dbui::NodeInspector::ArithmeticInput |
                          dbui::NodeInspector::KeyboardNavigation);
    inspector->setDatabase(&scene.database);
    inspector->setNodes({scene.nodes[0]});
    wxtest::pump();
    wxUIActionSimulator keys;
    const auto press = [&](int modifiers)
    {
        wxWindow* before = wxWindow::FindFocus();
        keys.Char(WXK_TAB, modifiers);
        wxtest::pumpUntil([&] { return wxWindow::FindFocus() != before; }, std::chrono::milliseconds(1000));
        return wxWindow::FindFocus();
    };

    // From the filter, by Tab alone, through to the last row and no further.
    auto* filter = dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName("InspectorFilter", inspector));
    filter->SetFocus();
    wxtest::pumpUntil([&] { return wxWindow::FindFocus() == filter; });
    std::vector<wxWindow*> walk{filter};
    for (wxWindow* next = press(wxMOD_NONE);
         next && inspector->IsDescendant(next) && std::find(walk.begin(), walk.end(), next) == walk.end();
         next = press(wxMOD_NONE))
        walk.push_back(next);
    // Every row with a widget that takes the keyboard is on the way.
    for (const char* name : {"IntWidget", "BoolWidget", "EnumWidget", "FloatWidget", "DoubleWidget", "StringWidget",
                             "LuaStringWidget", "Vector3Widget", "Matrix34Widget", "PointerWidget", "IntArrayWidget",
                             "Matrix34ArrayWidget", "ArrayAttributeWidget", "CompoundAttributeWidget"})
    {
        wxWindow* row = wxWindow::FindWindowByName(name, inspector->getScrollPanel());
        EXPECT_TRUE(
            row && std::any_of(walk.begin(), walk.end(), [&](wxWindow* w) { return w == row || row->IsDescendant(w); }))
            << name;
    }
    // The matrix's twelve cells come one after another, in reading order.
    wxWindow* matrix = wxWindow::FindWindowByName("Matrix34Widget", inspector);
    const auto first = std::find_if(walk.begin(), walk.end(), [&](wxWindow* w) { return w->GetParent() == matrix; });
    ASSERT_LE(first + 12, walk.end());
    const auto place = [](wxWindow* w) { return std::make_pair(w->GetPosition().y, w->GetPosition().x); };
    EXPECT_TRUE(std::all_of(first, first + 12, [&](wxWindow* w) { return w->GetParent() == matrix; }));
    EXPECT_TRUE(std::is_sorted(first, first + 12, [&](wxWindow* a, wxWindow* b) { return place(a) < place(b); }));
    // Shift+Tab walks the same way back from the last row.
    walk.back()->SetFocus();
    wxtest::pumpUntil([&] { return wxWindow::FindFocus() == walk.back(); });
    for (auto back = walk.rbegin() + 1; back != walk.rend(); ++back)
        ASSERT_EQ(press(wxMOD_SHIFT), *back) << "step back to " << (*back)->GetName();

    inspector->setNodes(scene.nodes);
    wxtest::pump();
    const auto bold = [&](const wxString& row) { return rowLabel(inspector, row)->GetFont().GetWeight() > 400; };
    EXPECT_FALSE(bold("int"));

    // One node of many differs: the row is marked, and stays shown when only modified rows show.
    scene.attribute(1, L"int")->asIntAttribute()->setValue(9);
    wxtest::pump();
    EXPECT_TRUE(bold("int"));
    inspector->toggleModifiedOnly();
    EXPECT_NE(rowLabel(inspector, "int"), nullptr);
    EXPECT_EQ(rowLabel(inspector, "float"), nullptr);
    scene.database.undo();
    wxtest::pump();
    EXPECT_EQ(rowLabel(inspector, "int"), nullptr) << "back at its default";
    inspector->toggleModifiedOnly();

    // Pinned from the rows' menus, vector3 then int: they come first, in that order, the rest as they were.
    for (const char* row : {"vector3", "int"})
    {
        wxtest::ChoosePopupMenuItem choose("Pin to Top");
        wxtest::requestContextMenu(rowLabel(inspector, row), wxPoint(2, 2));
    }
    const std::vector<dbui::CommonAttributeHolder*>& rows = inspector->getHolders();
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0]->getName() + rows[1]->getName() + rows[2]->getName(), L"vector3intbool");
    // The filter still filters pinned rows.
    filter->SetValue("int");
    EXPECT_EQ(rowLabel(inspector, "vector3"), nullptr);
    EXPECT_NE(rowLabel(inspector, "int"), nullptr);
    filter->SetValue("");

    // Typed into the float row's box: each node's own value moves, in one undo step.
    for (int i = 0; i < 200; ++i)
        scene.attribute(i, L"float")->asFloatAttribute()->setValue(float(i) - 100.0f);
    scene.database.clearUndoHistory();
    wxtest::pump();
    clickOn(floatBox(inspector));
    keys.Text("+=0.5");
    keys.Char(WXK_RETURN);
    wxtest::pump();
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(scene.attribute(i, L"float")->asFloatAttribute()->getValue(), float(i) - 99.5f) << i;
    EXPECT_EQ(scene.undoSize(), 1u);
    scene.database.undo();
    EXPECT_EQ(scene.attribute(7, L"float")->asFloatAttribute()->getValue(), -93.0f);

    // A refused entry outlives its rows: it is back, still typed, when its nodes are shown again.
    floatBox(inspector)->SetFocus();
    floatBox(inspector)->SelectAll();
    keys.Text("2*(3");
    keys.Char(WXK_RETURN);
    wxtest::pump();
    inspector->setNodes({scene.nodes[0]});
    inspector->setNodes(scene.nodes);
    wxtest::pump();
    EXPECT_EQ(floatBox(inspector)->getText(), "2*(3");
    EXPECT_TRUE(floatBox(inspector)->isModified());
    EXPECT_EQ(scene.undoSize(), 0u);
}
