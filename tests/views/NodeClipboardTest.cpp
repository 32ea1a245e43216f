// Cut, copy and paste of nodes through the system clipboard, between two
// databases, with the keys and the browser tree's context menu.

#include "ViewsTestSupport.h"

#include <dbui/NodeBrowserTreeControl.h>

#include <db/FloatAttribute.h>
#include <db/PointerAttribute.h>

#include <wx/panel.h>
#include <wx/sizer.h>

namespace
{

using dbui::NodeBrowserTreeControl;
using viewstest::childNames;
using viewstest::clipboardText;
using viewstest::ExpectMessageContaining;
using viewstest::Owned;
using viewstest::setClipboardText;

db::Attribute* pointerOf(db::Node* node, const wchar_t* name)
{
    return node->findAttribute(name)->asPointerAttribute()->getValue();
}

/// The scene of the view tests, with a script and a light after it at the top
/// (a script holds no nodes: what is pasted on it goes beside it), and
/// pointers: the mesh a2 to its sibling a3, the camera b1 to the light L.
struct PointingScene : viewstest::Scene
{
    PointingScene()
    {
        script = viewstest::addNode(&database, L"Script", L"s");
        viewstest::addNode(&database, L"Light", L"L2");
        a2->findAttribute(L"material")->asPointerAttribute()->setValue(a3);
        b1->findAttribute(L"target")->asPointerAttribute()->setValue(light);
        database.clearUndoHistory();
    }
    db::Node* script = nullptr;
};

/// A database of one group G holding a camera b1.
struct OtherDatabase
{
    OtherDatabase()
    {
        group = viewstest::addNode(&database, L"Group", L"G");
        viewstest::addNode(group, L"Camera", L"b1");
        database.clearUndoHistory();
    }
    db::Database database{L"Other"};
    db::Node* group = nullptr;
};

/// Two browser trees side by side with the clipboard commands on.
struct TwoTrees
{
    TwoTrees(db::Database& left, db::Database& right) : panel(wxtest::show(new wxPanel(wxtest::frame())))
    {
        auto* sizer = new wxBoxSizer(wxHORIZONTAL);
        from = new NodeBrowserTreeControl(panel, wxID_ANY);
        to = new NodeBrowserTreeControl(panel, wxID_ANY);
        for (NodeBrowserTreeControl* tree : {from, to})
        {
            tree->setOptions(NodeBrowserTreeControl::ClipboardCommands);
            sizer->Add(tree, 1, wxEXPAND);
        }
        panel->SetSizer(sizer);
        panel->Layout();
        from->setDatabase(&left);
        to->setDatabase(&right);
        from->ExpandAll();
        to->ExpandAll();
        wxtest::pump();
    }

    Owned<wxPanel> panel;
    NodeBrowserTreeControl* from = nullptr;
    NodeBrowserTreeControl* to = nullptr;
};

} // namespace

TEST(NodeClipboard, CopiedOrCutNodesPasteIntoAnotherDatabaseOrBesideANodeWithTheirPointersAsOneStep)
{
    PointingScene scene;
    OtherDatabase other;
    TwoTrees trees(scene.database, other.database);

    viewstest::selectNodes(trees.from, {scene.a, scene.b1});
    viewstest::pressCtrl(trees.from, 'c');
    EXPECT_NE(clipboardText().Find("kind=\"database\""), wxNOT_FOUND) << clipboardText();
    EXPECT_EQ(scene.database.getUndoStackSize(), 0u) << "copying changed the source";

    // Into the selected group of the other database, one step; the camera's
    // name is taken there, and its target (/L) is not in that database.
    viewstest::selectNodes(trees.to, {other.group});
    viewstest::pressCtrl(trees.to, 'v');
    ASSERT_EQ(childNames(other.group), (std::vector<std::wstring>{L"b1", L"A", L"b2"}));
    db::Node* pastedGroup = other.group->getChildNodes()[1];
    EXPECT_EQ(childNames(pastedGroup), (std::vector<std::wstring>{L"a1", L"a2", L"a3"}));
    EXPECT_EQ(pointerOf(pastedGroup->getChildNodes()[1], L"material"), pastedGroup->getChildNodes()[2]);
    EXPECT_EQ(pointerOf(other.group->getChildNodes()[2], L"target"), nullptr);
    EXPECT_EQ(trees.to->getSelectedNodes(), std::vector<db::Node*>{pastedGroup});
    EXPECT_EQ(other.database.getUndoStackSize(), 1u);
    EXPECT_EQ(other.database.getUndoDescription(0), L"Paste nodes");
    EXPECT_TRUE(viewstest::mirrors(trees.to, other.database));
    other.database.undo();
    EXPECT_EQ(childNames(other.group), std::vector<std::wstring>{L"b1"});
    EXPECT_TRUE(viewstest::mirrors(trees.to, other.database));

    // On the script, which holds no nodes: right after it, where the light's
    // path finds the light again.
    viewstest::selectNodes(trees.from, {scene.script});
    viewstest::pressCtrl(trees.from, 'v');
    EXPECT_EQ(childNames(&scene.database), (std::vector<std::wstring>{L"A", L"B", L"L", L"s", L"A1", L"b1", L"L2"}));
    db::Node* pastedCamera = scene.database.getChildNodes()[5];
    EXPECT_EQ(pointerOf(pastedCamera, L"target"), scene.light);
    EXPECT_EQ(pointerOf(scene.a2, L"material"), scene.a3) << "the originals keep theirs";
    EXPECT_EQ(scene.database.getUndoStackSize(), 1u);
    EXPECT_TRUE(viewstest::mirrors(trees.from, scene.database));

    // Other programs read the names as they are.
    scene.light->setName(L"Lumi\u00e8re \u706f");
    viewstest::selectNodes(trees.from, {scene.light});
    viewstest::pressCtrl(trees.from, 'c');
    EXPECT_NE(clipboardText().Find(L"name=\"Lumi\u00e8re \u706f\""), wxNOT_FOUND) << clipboardText();
    scene.database.undo();
    scene.database.undo();

    // Cut from the menu is one step, and Paste goes where the menu was opened.
    const std::size_t nodes = scene.database.getTotalNodeCount();

    viewstest::selectNodes(trees.from, {scene.a2});
    wxtest::ChoosePopupMenuItem cut("Cut");
    viewstest::rightClick(trees.from, trees.from->getItemOfNode(scene.a2));
    EXPECT_EQ(childNames(scene.a), (std::vector<std::wstring>{L"a1", L"a3"}));
    EXPECT_EQ(scene.database.getUndoDescription(0), L"Cut nodes");
    EXPECT_EQ(scene.database.getUndoStackSize(), 1u);

    {
        wxtest::ChoosePopupMenuItem paste("Paste");
        viewstest::rightClick(trees.from, trees.from->getItemOfNode(scene.b));
    }
    EXPECT_EQ(childNames(scene.b), (std::vector<std::wstring>{L"b1", L"a2"}));
    EXPECT_EQ(scene.database.getUndoStackSize(), 2u);
    EXPECT_TRUE(viewstest::mirrors(trees.from, scene.database));
    scene.database.undo();
    scene.database.undo();
    EXPECT_EQ(scene.database.getTotalNodeCount(), nodes);
    EXPECT_EQ(childNames(scene.a), (std::vector<std::wstring>{L"a1", L"a2", L"a3"}));
    EXPECT_TRUE(viewstest::mirrors(trees.from, scene.database));
}

TEST(NodeClipboard, TextFromAFilePastesWhenValidElseSaysWhyAndChangesNothing)
{
    PointingScene scene;
    OtherDatabase other;
    TwoTrees trees(scene.database, other.database);
    viewstest::selectNodes(trees.from, {scene.a2});
    const std::size_t nodes = scene.database.getTotalNodeCount();
    // Text put on the clipboard after a copy of nodes is what pastes.
    viewstest::pressCtrl(trees.from, 'c');

    struct Refused
    {
        const char* text;
        const char* why;
    };
    const Refused refused[] = {
        {"a line of prose", "malformed XML"},
        {"<nodedb version=\"1\" kind=\"subtree\"><node type=\"Robto\" name=\"r\"/></nodedb>",
         "clipboard: line 1: unknown node type \"Robto\""},
        // Neither the mesh nor the group it is in holds materials.
        {"<nodedb version=\"1\" kind=\"subtree\"><node type=\"Material\" name=\"m\"/></nodedb>",
         "no node of type \"Material\""},
    };
    for (const Refused& r : refused)
    {
        SCOPED_TRACE(r.text);
        setClipboardText(wxString::FromUTF8(r.text));
        wxTEST_DIALOG(viewstest::pressCtrl(trees.from, 'v'),
                      ExpectMessageContaining({"Nothing was pasted", wxString::FromUTF8(r.why)}, wxID_OK));
        EXPECT_EQ(scene.database.getTotalNodeCount(), nodes);
        EXPECT_EQ(scene.database.getUndoStackSize(), 0u);
    }

    // A clipboard without text pastes nothing, and says nothing: Paste is disabled then.
    for (const bool empty : {true, false})
    {
        if (empty)
            setClipboardText("");
        else if (wxClipboardLocker locker; !!locker)
            wxTheClipboard->Clear();
        viewstest::pressCtrl(trees.from, 'v');
        EXPECT_EQ(scene.database.getUndoStackSize(), 0u);
    }

    setClipboardText("<?xml version=\"1.0\"?>\n<nodedb version=\"1\" kind=\"subtree\">\n"
                     "  <node type=\"Light\" name=\"Lamp\"><float name=\"intensity\">3</float></node>\n</nodedb>\n");
    viewstest::pressCtrl(trees.from, 'v');
    ASSERT_EQ(childNames(scene.a2), std::vector<std::wstring>{L"Lamp"});
    EXPECT_EQ(scene.a2->getChildNodes()[0]->findAttribute(L"intensity")->asFloatAttribute()->getValue(), 3.0f);
}
