// The browser joins tree and inspector: the selection flows to the inspector.

#include "AllTypesScene.h"
#include "ViewsTestSupport.h"

#include <dbui/AttributeWidget.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeInspector.h>

#include <wxUtils/FocusReliantWindow.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

#include <wx/artprov.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include <functional>
#include <optional>

namespace
{

using viewstest::Owned;
using viewstest::Scene;

TEST(NodeBrowser, WheelingOverTheInspectorRightAfterItsRebuildScrollsCleanly)
{
    dbuitest::AllTypesScene scene(3);
    Owned<dbui::NodeBrowser> browser(wxtest::show(new dbui::NodeBrowser(wxtest::frame(), wxID_ANY)));
    browser->setDatabase(&scene.database);
    dbui::NodeBrowserTreeControl* tree = browser->getTreeControl();
    dbui::NodeInspector* inspector = browser->getInspector();
    viewstest::click(tree, tree->getItemOfNode(scene.nodes[0]));
    wxtest::pump();
    wxUIActionSimulator sim;
    sim.MouseMove(inspector->GetScreenRect().GetRight() - 40, inspector->GetScreenRect().GetTop() + 40);
    wxtest::pump();

    // The harness fails the test on any GTK critical the scroll raises.
    for (int i = 0; i < 2; ++i)
    {
        tree->deleteSelectedNodes(false);
        wxtest::turnMouseWheel(3);
        wxtest::pump();
    }
    EXPECT_EQ(inspector->getNodes(), std::vector<db::Node*>{scene.nodes[2]});
    EXPECT_GT(inspector->getScrollPanel()->GetViewStart().y, 0) << "the wheel scrolled the new rows";
}

// ---------------------------------------------------------------------------
// Finding nodes

/// The names of the nodes the tree's filter finds, in the order of the rows.
std::vector<std::wstring> foundNames(const dbui::NodeTreeControl* tree)
{
    std::vector<std::wstring> names;
    for (std::size_t row = 0; row < tree->GetVisibleCount(); ++row)
        if (tree->IsFilterMatch(tree->GetItemAtRow(row)))
            names.push_back(tree->getNodeOfItem(tree->GetItemAtRow(row))->getName());
    return names;
}

void typeKeys(const char* text)
{
    wxUIActionSimulator().Text(text);
    wxtest::pump();
}

void pressKey(int key, int modifiers = wxMOD_NONE)
{
    wxUIActionSimulator().Char(key, modifiers);
    wxtest::pump();
}

TEST(NodeBrowser, FilterBoxFindsNodesByNameTypeOrPathAndStepsThroughThem)
{
    Scene scene;
    Owned<dbui::NodeBrowser> browser(wxtest::show(new dbui::NodeBrowser(wxtest::frame(), wxID_ANY)));
    EXPECT_EQ(browser->getFilterBox(), nullptr) << "off by default";
    browser->setOptions(dbui::NodeBrowser::FilterBox);
    browser->setDatabase(&scene.database);
    dbui::NodeBrowserTreeControl* tree = browser->getTreeControl();
    wxUtils::OrkSimpleTextCtrl* box = browser->getFilterBox();
    ASSERT_NE(box, nullptr);
    std::vector<int> reported;
    browser->Bind(dbui::EVT_NODE_FILTER_CHANGED, [&](wxCommandEvent& event) { reported.push_back(event.GetInt()); });
    tree->getItemOfNode(scene.a)->Collapse();
    viewstest::click(tree, tree->getItemOfNode(scene.b));

    viewstest::pressCtrl(tree, 'f');
    ASSERT_TRUE(wxtest::pumpUntil([&] { return wxWindow::FindFocus() == box; })) << "Ctrl+F goes to the box";
    struct Case
    {
        const char* text;
        std::vector<std::wstring> found;
    };
    const Case cases[] = {
        {"A", {L"A", L"a1", L"a2", L"a3"}},
        {"a3", {L"a3"}}, // typed on from "A": only what "A" found is read again
        {"type:sceneobject", {L"A", L"a1", L"a2", L"a3", L"B", L"b1", L"L"}}, // derived types too
        {"type:Light", {L"a3", L"L"}},
        {"type:Ligh", {}},
        {"/a/a", {L"a1", L"a2", L"a3"}},
        {"/B", {L"B"}}, // not /B/b1: the path goes on past the text's last step
        {"zz", {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        box->SelectAll();
        typeKeys(c.text);
        EXPECT_EQ(foundNames(tree), c.found);
        EXPECT_EQ(tree->GetFilterMatchCount(), c.found.size());
        ASSERT_FALSE(reported.empty());
        EXPECT_EQ(reported.back(), static_cast<int>(c.found.size())) << "the count is told";
    }

    // Enter, F3 and Shift+F3 step through what was found, round the end; the inspector follows.
    box->SelectAll();
    typeKeys("a");
    auto inspected = [&] { return browser->getInspector()->getNodes(); };
    pressKey(WXK_RETURN);
    EXPECT_EQ(inspected(), std::vector<db::Node*>{scene.a});
    pressKey(WXK_F3);
    pressKey(WXK_F3);
    EXPECT_EQ(inspected(), std::vector<db::Node*>{scene.a2});
    pressKey(WXK_F3, wxMOD_SHIFT);
    pressKey(WXK_F3, wxMOD_SHIFT);
    pressKey(WXK_F3, wxMOD_SHIFT);
    EXPECT_EQ(inspected(), std::vector<db::Node*>{scene.a3}) << "round the start";

    // Renames and new nodes show or go as they start or stop matching, and undoing follows too.
    scene.b->setName(L"Ba");
    scene.a1->setName(L"x");
    viewstest::addNode(scene.b, L"Mesh", L"bar");
    wxtest::pump();
    EXPECT_EQ(foundNames(tree), (std::vector<std::wstring>{L"A", L"a2", L"a3", L"Ba", L"bar"}));
    EXPECT_EQ(reported.back(), 5);
    scene.database.undo();
    scene.database.undo();
    wxtest::pump();
    EXPECT_EQ(foundNames(tree), (std::vector<std::wstring>{L"A", L"a1", L"a2", L"a3", L"Ba"}));

    // Escape empties the box, gives the tree the focus and its expansion back, and keeps the selection.
    pressKey(WXK_F3);
    pressKey(WXK_ESCAPE);
    EXPECT_TRUE(box->getText().empty());
    EXPECT_FALSE(tree->IsFiltered());
    EXPECT_EQ(reported.back(), 0);
    EXPECT_TRUE(wxtest::pumpUntil([&] { return wxWindow::FindFocus() == tree; }));
    EXPECT_FALSE(tree->getItemOfNode(scene.a)->IsExpanded());
    EXPECT_EQ(inspected(), std::vector<db::Node*>{scene.b});
    EXPECT_TRUE(viewstest::mirrors(tree, scene.database));
}

// ---------------------------------------------------------------------------
// Typed text is never lost

/// A browser over two nodes of every attribute kind, under a toolbar whose
/// tool does what hosts do before acting on the data: apply pending edits.
struct EditingBrowser
{
    EditingBrowser() : browser(showUnderToolbar())
    {
        browser->getInspector()->setOptions(dbui::NodeInspector::ShowHeader);
        browser->setDatabase(&scene.database);
    }

    static dbui::NodeBrowser* showUnderToolbar()
    {
        if (wxtest::frame()->GetToolBar())
            return wxtest::show(new dbui::NodeBrowser(wxtest::frame(), wxID_ANY));
        wxToolBar* toolbar = wxtest::frame()->CreateToolBar();
        toolbar->AddTool(wxID_APPLY, "Apply", wxArtProvider::GetBitmap(wxART_TICK_MARK, wxART_TOOLBAR));
        toolbar->Realize();
        toolbar->Bind(wxEVT_TOOL, [](wxCommandEvent&) { wxUtils::FocusReliantWindow::ensureAllChangesApplied(); });
        return wxtest::show(new dbui::NodeBrowser(wxtest::frame(), wxID_ANY));
    }

    dbui::NodeBrowserTreeControl* tree() const { return browser->getTreeControl(); }
    dbui::NodeInspector* inspector() const { return browser->getInspector(); }

    void clickAt(wxWindow* window, wxPoint point)
    {
        // GTK makes two clicks at one spot in quick succession a double click,
        // which the tree takes for something else: no two in a row share a spot.
        m_shifted = !m_shifted;
        point.x += m_shifted ? 8 : 0;
        wxUIActionSimulator sim;
        sim.MouseMove(window->ClientToScreen(point));
        wxtest::pump();
        sim.MouseClick();
        wxtest::pump();
    }

    void clickNode(db::Node* node)
    {
        clickAt(tree(), viewstest::labelPoint(tree(), tree()->getItemOfNode(node)));
        EXPECT_TRUE(wxtest::pumpUntil([&] { return inspector()->getNodes() == std::vector<db::Node*>{node}; }));
    }

    /// Selects the first node and types into the box of `typing`, as typing
    /// leaves it: focused and modified, nothing applied yet.
    bool typeInFirstNode(const struct Typing& typing);

    dbuitest::AllTypesScene scene{2};
    Owned<dbui::NodeBrowser> browser;

private:
    bool m_shifted = false;
};

/// Text typed in a box of the inspector: every kind of attribute box, and the header's name box.
struct Typing
{
    std::string what;
    std::function<wxUtils::OrkSimpleTextCtrl*(EditingBrowser&)> box;
    const char* typed;
    std::wstring undo;
    /// Whether node `index` holds what was typed.
    std::function<bool(EditingBrowser&, int index)> holdsTyped;
    bool inRow = true; // the box belongs to an attribute's row
};

const std::vector<Typing>& typings()
{
    static const std::vector<Typing> s_typings = []
    {
        std::vector<Typing> list;
        for (const dbuitest::TypedEdit& edit : dbuitest::typedEdits())
            list.push_back({wxString(edit.path).ToStdString(),
                            [&edit](EditingBrowser& b) {
                                return viewstest::textBoxOf(b.inspector(), b.scene.attributeAt(0, edit.path), edit.box);
                            },
                            edit.typed, edit.undo,
                            [&edit](EditingBrowser& b, int index)
                            { return edit.holdsTyped(b.scene.attributeAt(index, edit.path)); }});
        list.push_back({"the name in the header",
                        [](EditingBrowser& b) {
                            return dynamic_cast<wxUtils::OrkSimpleTextCtrl*>(
                                wxWindow::FindWindowByName("InspectorName", b.inspector()));
                        },
                        "Typed", L"Rename node",
                        [](EditingBrowser& b, int index) { return b.scene.nodes[index]->getName() == L"Typed"; },
                        false});
        return list;
    }();
    return s_typings;
}

bool EditingBrowser::typeInFirstNode(const Typing& typing)
{
    if (inspector()->getNodes() != std::vector<db::Node*>{scene.nodes[0]})
        viewstest::click(tree(), tree()->getItemOfNode(scene.nodes[0]));
    wxUtils::OrkSimpleTextCtrl* box = typing.box(*this);
    if (!box)
    {
        ADD_FAILURE() << "no text box";
        return false;
    }
    box->SetFocus();
    EXPECT_TRUE(wxtest::pumpUntil([box] { return wxWindow::FindFocus() == box; }));
    box->ChangeValue(typing.typed);
    box->MarkDirty();
    return true;
}

/// What takes the focus from the box after typing, as the user does it.
struct FocusTaker
{
    const char* what;
    std::function<void(EditingBrowser&)> take;
};

const std::vector<FocusTaker>& focusTakers()
{
    static const std::vector<FocusTaker> s_takers = {
        {"another node", [](EditingBrowser& b) { b.clickNode(b.scene.nodes[1]); }},
        {"the tree's empty area",
         [](EditingBrowser& b)
         {
             b.clickAt(b.tree(), viewstest::emptySpace(b.tree()));
             EXPECT_TRUE(wxtest::pumpUntil([&] { return b.inspector()->getNodes().empty(); }));
         }},
        {"Tab",
         [](EditingBrowser&)
         {
             wxWindow* before = wxWindow::FindFocus();
             wxUIActionSimulator().Char(WXK_TAB);
             EXPECT_TRUE(wxtest::pumpUntil([&] { return wxWindow::FindFocus() != before; }));
         }},
        {"another application", [](EditingBrowser&) { wxtest::OtherApplication other; }},
        // A toolbar button takes no focus: the host applies what is pending.
        {"a toolbar",
         [](EditingBrowser& b)
         {
             wxToolBar* toolbar = wxtest::frame()->GetToolBar();
             b.clickAt(toolbar, wxPoint(toolbar->GetToolSize().x / 2 + 2, toolbar->GetClientSize().y / 2));
         }},
    };
    return s_takers;
}

TEST(NodeBrowser, TypedTextIsWrittenToItsNodeWhateverTakesTheFocus)
{
    EditingBrowser b;
    for (const FocusTaker& taker : focusTakers())
    {
        for (const Typing& typing : typings())
        {
            SCOPED_TRACE(typing.what + ", then " + taker.what);
            if (!b.typeInFirstNode(typing))
                continue;
            taker.take(b);
            wxtest::pump();
            EXPECT_TRUE(typing.holdsTyped(b, 0)) << "the typed text is lost";
            EXPECT_FALSE(typing.holdsTyped(b, 1)) << "only the node it was typed for changes";
            EXPECT_EQ(b.scene.undoSize(), 1u);
            EXPECT_EQ(b.scene.topUndo(), typing.undo);
            b.scene.database.undo();
        }
    }
}

TEST(NodeBrowser, TypedTextOutlivesItsRowAndItsWindowButNeverReachesARemovedNode)
{
    EditingBrowser b;
    for (const Typing& typing : typings())
    {
        SCOPED_TRACE(typing.what);
        // Another part of the program adds an attribute to the node while the
        // user types: the inspector rebuilds its rows from inside that notification.
        if (typing.inRow)
        {
            ASSERT_TRUE(b.typeInFirstNode(typing));
            b.scene.nodes[0]->addDynamicBool(L"added", true);
            EXPECT_TRUE(typing.holdsTyped(b, 0)) << "the typed text is lost";
            EXPECT_EQ(b.scene.undoSize(), 2u);
            EXPECT_EQ(b.scene.topUndo(), typing.undo);
            b.scene.database.undo();
            b.scene.database.undo();
        }

        // The node goes while the user types: the text has nowhere to go.
        ASSERT_TRUE(b.typeInFirstNode(typing));
        ASSERT_TRUE(b.scene.nodes[0]->remove());
        wxtest::pump();
        EXPECT_TRUE(b.inspector()->getNodes().empty());
        EXPECT_EQ(b.scene.undoSize(), 1u) << "something was written to the removed node";
        b.scene.database.undo();
        EXPECT_FALSE(typing.holdsTyped(b, 0));
    }

    // The window closes while the user types, and the host does nothing about it.
    for (const Typing& typing : {typings().front(), typings().back()})
    {
        EditingBrowser closing;
        ASSERT_TRUE(closing.typeInFirstNode(typing));
        closing.browser.release()->Destroy();
        wxtest::pump();
        EXPECT_TRUE(typing.holdsTyped(closing, 0)) << typing.what << ": the typed text is lost";
        EXPECT_EQ(closing.scene.topUndo(), typing.undo);
    }
}

TEST(NodeBrowser, DatabaseDestroyedFirstEmptiesTheBrowserAndANewOneAtItsAddressIsLeftAlone)
{
    std::optional<dbuitest::AllTypesScene> scene(std::in_place, 1);
    Owned<dbui::NodeBrowser> browser(wxtest::show(new dbui::NodeBrowser(wxtest::frame(), wxID_ANY)));
    browser->setDatabase(&scene->database);
    dbui::NodeInspector* inspector = browser->getInspector();
    dbui::NodeBrowserTreeControl* tree = browser->getTreeControl();
    viewstest::click(tree, tree->getItemOfNode(scene->nodes[0]));
    // Text still being typed in a row when the database goes.
    wxUtils::OrkSimpleTextCtrl* box = viewstest::textBoxOf(inspector, scene->attribute(0, L"string"), 0);
    ASSERT_NE(box, nullptr);
    box->SetFocus();
    EXPECT_TRUE(wxtest::pumpUntil([box] { return wxWindow::FindFocus() == box; }));
    box->ChangeValue("typed");
    box->MarkDirty();

    const db::Database* address = &scene->database;
    scene.reset();
    EXPECT_EQ(tree->getDatabase(), nullptr);
    EXPECT_EQ(inspector->getDatabase(), nullptr);
    EXPECT_TRUE(inspector->getNodes().empty());

    scene.emplace(1);
    ASSERT_EQ(&scene->database, address) << "the new database must take the old one's place for this test";
    wxUtils::FocusReliantWindow::ensureAllChangesApplied();
    wxtest::pump();
    EXPECT_EQ(scene->undoSize(), 0u) << "text typed for the old database reached the new one";
    EXPECT_EQ(scene->database.getObservers().count(), 0u) << "a view took the newcomer for its database";
    browser.release()->Destroy();
    wxtest::pump();
}

} // namespace

TEST(NodeBrowser, ASelectedGroupTheFindBoxStopsShowingLeavesTheInspectorToo)
{
    Scene scene;
    Owned<dbui::NodeBrowser> browser(wxtest::show(new dbui::NodeBrowser(wxtest::frame(), wxID_ANY)));
    browser->setDatabase(&scene.database);
    dbui::NodeBrowserTreeControl* tree = browser->getTreeControl();
    tree->setFilterText("a3");
    viewstest::selectNodes(tree, {scene.a});
    ASSERT_EQ(browser->getInspector()->getNodes(), std::vector<db::Node*>{scene.a});
    // Its only match goes, and A with it from the rows.
    viewstest::childrenOf(scene.a)->remove(scene.a3);
    EXPECT_TRUE(tree->getSelectedNodes().empty());
    EXPECT_TRUE(browser->getInspector()->getNodes().empty());
}
