#include "ViewsTestSupport.h"

#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeIcons.h>

#include <db/AttributeType.h>
#include <db/ChangeBlock.h>
#include <db/FileOutputStream.h>
#include <db/SchemaLoaderXML.h>
#include <db/TypeRegistry.h>

#include <wxUtils/OrkMenu.h>

#include <wx/file.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/imaglist.h>
#include <wx/msgdlg.h>
#include <wx/stdpaths.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <functional>

using dbui::NodeBrowserTreeControl;
using viewstest::childNames;
using viewstest::clipboardText;
using viewstest::mirrors;
using viewstest::Scene;
using wxUtils::TreeItem;

namespace
{

using Labels = std::vector<wxString>;

viewstest::Owned<NodeBrowserTreeControl> makeBrowserTree(Scene& scene)
{
    auto* tree = new NodeBrowserTreeControl(wxtest::frame(), wxID_ANY);
    wxtest::show(tree);
    tree->setDatabase(&scene.database);
    tree->ExpandAll();
    return viewstest::Owned<NodeBrowserTreeControl>(tree);
}

// Opens the context menu on `item` (null: on empty space), choosing `label`
// (empty: dismissing it), and returns the labels the user saw.
Labels menuOn(NodeBrowserTreeControl* tree, TreeItem* item, const wxString& label = wxString())
{
    wxtest::ChoosePopupMenuItem choose(label);
    if (item)
        viewstest::rightClick(tree, item);
    else
        viewstest::rightClickAt(tree, viewstest::emptySpace(tree));
    return choose.shownLabels();
}

// Exposes the menu as built, separators and all.
class MenuTree : public NodeBrowserTreeControl
{
public:
    using NodeBrowserTreeControl::NodeBrowserTreeControl;
    Labels build(TreeItem* item)
    {
        wxUtils::OrkMenu menu;
        buildContextMenu(menu, item);
        Labels labels;
        for (std::size_t i = 0; i < menu.getItemCount(); ++i)
            labels.push_back(menu.getItem(i)->isSeparator() ? wxString("-") : menu.getItem(i)->getLabel());
        return labels;
    }
};

// Answers a message box with OK after checking what it says.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage>
{
public:
    ExpectMessage(const wxString& message, const wxString& caption) : m_message(message), m_caption(caption)
    {
        m_description = "message box \"" + message + "\"";
    }

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        EXPECT_EQ(dialog->GetMessage(), m_message);
        EXPECT_EQ(dialog->GetTitle(), m_caption);
        return wxID_OK;
    }

private:
    wxString m_message;
    wxString m_caption;
};

using wxtest::ExpectFile;

wxString tempPath(const wxString& name)
{
    return wxFileName(wxStandardPaths::Get().GetTempDir(),
                      wxString::Format("views-%ld-%s", static_cast<long>(wxGetProcessId()), name))
        .GetFullPath();
}

const Labels s_dynamicKinds{
    "Int",       "Bool",       "Float",       "Double",       "String",       "Vector3",       "Matrix34",      "-",
    "Int Array", "Bool Array", "Float Array", "Double Array", "String Array", "Vector3 Array", "Matrix34 Array"};

Labels concat(std::initializer_list<Labels> parts)
{
    Labels all;
    for (const Labels& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace

TEST(NodeBrowserTree, MenuOffersWhatFitsTheItemAndTheSelection)
{
    Scene scene;
    viewstest::Owned<MenuTree> tree(new MenuTree(wxtest::frame(), wxID_ANY));
    wxtest::show(static_cast<MenuTree*>(tree));
    tree->setDatabase(&scene.database);
    tree->ExpandAll();
    TreeItem* root = tree->GetRoot();
    TreeItem* group = tree->getItemOfNode(scene.a);
    TreeItem* light = tree->getItemOfNode(scene.light);

    // As built: entries in order, separators where the conditions put them.
    tree->Select(root, true);
    EXPECT_EQ(tree->build(root),
              (Labels{"&Rename", "-", "Load From File", "-", "Save As &XML", "Save As &Binary", "-", "Create nodes",
                      "-", "Add Dynamic Attribute", "-", "-", "Copy database path to clipboard"}));
    EXPECT_EQ(tree->build(nullptr), (Labels{"&Rename", "-"}));
    tree->Select(light, true);
    EXPECT_EQ(tree->build(light),
              (Labels{"&Delete", "&Copy", "&Rename", "-", "Save As &XML", "Save As &Binary", "-", "Create children",
                      "-", "Add Dynamic Attribute", "-", "-", "Copy database path to clipboard"}));
    TreeItem* material = tree->getItemOfNode(viewstest::addNode(&scene.database, L"Material", L"M"));
    tree->Select(material, true);
    EXPECT_EQ(tree->build(material),
              (Labels{"&Delete", "&Copy", "&Rename", "-", "Save As &XML", "Save As &Binary", "-", "-",
                      "Add Dynamic Attribute", "-", "-", "Copy database path to clipboard"}))
        << "a material has no containers";

    // As shown by a right click on a group: its container offers the scene object types.
    const Labels onGroup = menuOn(tree, group);
    EXPECT_EQ(onGroup,
              concat({{"&Delete", "&Copy", "&Rename", "-", "Save As &XML", "Save As &Binary", "-", "Create children",
                       "-", "Add Dynamic Attribute", "-", "-", "Copy database path to clipboard"},
                      {"Camera", "Group", "Light", "Mesh"},
                      s_dynamicKinds}));

    // Several selected: no Rename; on empty space then nothing at all is left.
    tree->Select(group, true);
    viewstest::click(tree, light, true);
    ASSERT_EQ(tree->GetSelectedItemCount(), 2u);
    EXPECT_EQ(tree->build(light).front(), "&Delete");
    EXPECT_EQ(tree->build(light).at(2), "-");
    EXPECT_EQ(tree->build(nullptr), (Labels{"-"}));
    const Labels onSelected = menuOn(tree, light);
    EXPECT_EQ(tree->GetSelectedItemCount(), 2u) << "a right click on a selected item keeps the selection";
    EXPECT_EQ(std::find(onSelected.begin(), onSelected.end(), "&Rename"), onSelected.end());
    EXPECT_EQ(onSelected.front(), "&Delete");
}

TEST(NodeBrowserTree, DeleteFromTheMenuAndTheKeyRemovesTheSelectionAsOneStep)
{
    Scene scene;
    auto tree = makeBrowserTree(scene);

    viewstest::selectNodes(tree, {scene.a1, scene.a2});
    menuOn(tree, tree->getItemOfNode(scene.a2), "Delete");
    EXPECT_TRUE(mirrors(tree, scene.database));
    EXPECT_EQ(scene.a->getChildNodes(), std::vector<db::Node*>{scene.a3});
    EXPECT_EQ(scene.database.getUndoDescription(0), L"Delete nodes");

    viewstest::click(tree, tree->getItemOfNode(scene.b1));
    viewstest::sendChar(tree, WXK_DELETE);
    EXPECT_TRUE(scene.b->getChildNodes().empty());
    EXPECT_EQ(scene.database.getUndoStackSize(), 2u);
    EXPECT_EQ(tree->getSelectedNodes(), std::vector<db::Node*>{scene.b});

    // Other keys are left to the tree: nothing is deleted.
    viewstest::sendChar(tree, 'x');
    viewstest::sendChar(tree, WXK_BACK);
    EXPECT_EQ(scene.database.getUndoStackSize(), 2u);

    while (scene.database.canUndo())
        scene.database.undo();
    EXPECT_TRUE(mirrors(tree, scene.database));
    EXPECT_EQ(scene.database.getTotalNodeCount(), 8u);
}

/// The names of the selected nodes, in selection order.
std::vector<std::wstring> selectedNames(dbui::NodeTreeControl* tree)
{
    std::vector<std::wstring> names;
    for (db::Node* node : tree->getSelectedNodes())
        names.push_back(node->getName());
    return names;
}

TEST(NodeBrowserTree, CtrlASelectsTheNodesShownOrWhatTheFindBoxFoundAndEditsNothing)
{
    struct Case
    {
        const char* filter;
        int options;
        /// Opened after the filter is set, the tree's groups closed but for what a filter opens.
        std::vector<db::Node * Scene::*> open;
        /// Closed after that, as by the user.
        std::vector<db::Node * Scene::*> closed;
        std::vector<std::wstring> selected;
    };
    // Every case starts from the root alone selected.
    const Case cases[] = {
        {"", NodeBrowserTreeControl::SelectAllKey, {}, {}, {L"A", L"B", L"L"}},
        // The nodes inside closed groups do not show: they stay unselected.
        {"", NodeBrowserTreeControl::SelectAllKey, {&Scene::a}, {}, {L"A", L"a1", L"a2", L"a3", L"B", L"L"}},
        // A and B show around the matches, unselected.
        {"1", NodeBrowserTreeControl::SelectAllKey, {}, {}, {L"a1", L"b1"}},
        {"1", NodeBrowserTreeControl::SelectAllKey, {}, {&Scene::b}, {L"a1"}},
        {"type:Light", NodeBrowserTreeControl::SelectAllKey, {}, {}, {L"a3", L"L"}},
        // Only the root, the database itself, is found: nothing to select.
        {"sce", NodeBrowserTreeControl::SelectAllKey, {}, {}, {}},
        {"", NodeBrowserTreeControl::ClipboardCommands, {}, {}, {L"Scene"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "filter \"" << c.filter << "\", options " << c.options << ", "
                                        << c.open.size() << " opened, " << c.closed.size() << " closed");
        Scene scene;
        auto tree = makeBrowserTree(scene);
        tree->setOptions(c.options);
        if (*c.filter == 0)
        {
            tree->CollapseAll();
            tree->GetRoot()->Expand();
        }
        tree->setFilterText(c.filter);
        for (db::Node* Scene::*group : c.open)
            tree->getItemOfNode(scene.*group)->Expand();
        for (db::Node* Scene::*group : c.closed)
            tree->getItemOfNode(scene.*group)->Collapse();
        tree->Select(tree->GetRoot(), true);
        if (c.options & NodeBrowserTreeControl::SelectAllKey)
        {
            EXPECT_EQ(tree->hasSelectableNodes(), !c.selected.empty());
        }

        viewstest::pressCtrl(tree, 'a');
        EXPECT_EQ(selectedNames(tree), c.selected);
        for (db::Node* node : tree->getSelectedNodes())
        {
            std::size_t row = 0;
            EXPECT_TRUE(tree->GetItemRow(tree->getItemOfNode(node), row)) << "a selected node shows";
        }
        EXPECT_EQ(scene.database.getUndoStackSize(), 0u);
    }

    // An empty database, and none at all: nothing to select, nothing goes wrong.
    db::Database empty(L"Empty");
    viewstest::Owned<NodeBrowserTreeControl> tree(wxtest::show(new NodeBrowserTreeControl(wxtest::frame(), wxID_ANY)));
    tree->setOptions(NodeBrowserTreeControl::SelectAllKey);
    for (db::Database* database : {&empty, static_cast<db::Database*>(nullptr)})
    {
        tree->setDatabase(database);
        EXPECT_FALSE(tree->hasSelectableNodes());
        viewstest::pressCtrl(tree, 'a');
        EXPECT_EQ(tree->GetSelectedItemCount(), 0u);
    }
    EXPECT_EQ(empty.getUndoStackSize(), 0u);
}

TEST(NodeBrowserTree, DuplicatePutsEachCopyRightAfterItsOriginalInOneStepAndSelectsTheCopies)
{
    struct Case
    {
        const char* name;
        std::function<std::vector<db::Node*>(Scene&)> selected;
        bool byMenu;         // the context menu on the last selected node, else Ctrl+D
        const wchar_t* step; // the undo step; null: nothing is copied
    };
    const Case cases[] = {
        {"one node by key", [](Scene& s) { return std::vector<db::Node*>{s.a2}; }, false, L"Duplicate node"},
        {"nodes of two parents by the menu",
         [](Scene& s) {
             return std::vector<db::Node*>{s.a1, s.b1};
         },
         true, L"Duplicate nodes"},
        {"a node with its child: the child goes along only",
         [](Scene& s) {
             return std::vector<db::Node*>{s.a, s.a3};
         },
         false, L"Duplicate node"},
        {"the root: nothing", [](Scene& s) { return std::vector<db::Node*>{&s.database}; }, false, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Scene scene;
        auto tree = makeBrowserTree(scene);
        tree->setOptions(NodeBrowserTreeControl::ClipboardCommands);
        const std::vector<db::Node*> selected = c.selected(scene);
        viewstest::selectNodes(tree, selected);
        const std::vector<db::Node*> originals = tree->getSelectedNodesWithoutChildren();
        if (c.byMenu)
            menuOn(tree, tree->getItemOfNode(selected.back()), "Duplicate\tCtrl+D");
        else
            viewstest::pressCtrl(tree, 'd');

        if (!c.step)
        {
            EXPECT_EQ(scene.database.getUndoStackSize(), 0u);
            continue;
        }
        ASSERT_EQ(scene.database.getUndoStackSize(), 1u);
        EXPECT_EQ(scene.database.getUndoDescription(0), c.step);
        const std::vector<db::Node*> copies = tree->getSelectedNodes();
        ASSERT_EQ(copies.size(), originals.size()) << "the copies are selected, the originals not";
        for (std::size_t i = 0; i < copies.size(); ++i)
        {
            EXPECT_EQ(copies[i]->getPrevious(), originals[i]) << "right after its original";
            EXPECT_EQ(copies[i]->getClassID(), originals[i]->getClassID());
            EXPECT_EQ(copies[i]->getChildNodes().size(), originals[i]->getChildNodes().size());
        }
        EXPECT_TRUE(mirrors(tree, scene.database));
        ASSERT_TRUE(scene.database.undo());
        EXPECT_EQ(scene.a->getChildNodes().size(), 3u);
        EXPECT_EQ(scene.database.getRootContainer().getNodeCount(), 3u);
        EXPECT_TRUE(mirrors(tree, scene.database));
    }

    // Without the option Ctrl+D is no command of the tree's.
    Scene scene;
    auto tree = makeBrowserTree(scene);
    viewstest::selectNodes(tree, {scene.a2});
    viewstest::pressCtrl(tree, 'd');
    EXPECT_EQ(scene.database.getUndoStackSize(), 0u);
}

TEST(NodeBrowserTree, UndoAndRedoSelectTheNodesTheyBringBackOrMove)
{
    using Nodes = std::vector<db::Node*>;
    struct Case
    {
        const char* name;
        std::function<void(Scene&, NodeBrowserTreeControl&)> edit; // one undo step, made with {b} selected
        std::function<Nodes(Scene&)> afterUndo;                    // what the undo selects
        std::function<Nodes(Scene&)> afterRedo;
    };
    const auto nodes = [](std::function<Nodes(Scene&)> f) { return f; };
    const auto unchanged = nodes([](Scene& s) { return Nodes{s.b}; });
    const Case cases[] = {
        {"deleting two nodes",
         [](Scene& s, NodeBrowserTreeControl& tree)
         {
             viewstest::selectNodes(&tree, {s.a1, s.b1});
             tree.deleteSelectedNodes(false);
             viewstest::selectNodes(&tree, {s.b});
         },
         nodes(
             [](Scene& s) {
                 return Nodes{s.a1, s.b1};
             }),
         unchanged},
        {"adding a group with a child",
         [](Scene& s, NodeBrowserTreeControl&)
         {
             db::ChangeBlock block(s.database, L"Add");
             db::Node* group = viewstest::addNode(s.a, L"Group", L"new");
             viewstest::addNode(group, L"Light", L"inside");
         },
         unchanged, nodes([](Scene& s) { return Nodes{viewstest::childrenOf(s.a)->findNode(L"new")}; })},
        {"moving a node",
         [](Scene& s, NodeBrowserTreeControl&)
         {
             db::ChangeBlock block(s.database, L"Move");
             s.a3->remove();
             viewstest::childrenOf(s.b)->add(s.a3);
         },
         nodes([](Scene& s) { return Nodes{s.a3}; }), nodes([](Scene& s) { return Nodes{s.a3}; })},
        {"a value", [](Scene& s, NodeBrowserTreeControl&) { s.database.addDynamicBool(L"flag", true); }, unchanged,
         unchanged},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Scene scene;
        auto tree = makeBrowserTree(scene);
        tree->setOptions(NodeBrowserTreeControl::SelectUndoneNodes);
        viewstest::selectNodes(tree, {scene.b});
        c.edit(scene, *tree);
        EXPECT_EQ(tree->getSelectedNodes(), Nodes{scene.b}) << "an edit selects nothing of itself";
        const auto selection = [&tree]
        {
            Nodes selected = tree->getSelectedNodes();
            std::sort(selected.begin(), selected.end());
            return selected;
        };
        const auto sorted = [](Nodes n)
        {
            std::sort(n.begin(), n.end());
            return n;
        };
        ASSERT_TRUE(scene.database.undo());
        EXPECT_EQ(selection(), sorted(c.afterUndo(scene)));
        viewstest::selectNodes(tree, {scene.b});
        ASSERT_TRUE(scene.database.redo());
        EXPECT_EQ(selection(), sorted(c.afterRedo(scene)));
    }

    // Without the option an undo leaves the selection to the tree's own rules.
    Scene scene;
    auto tree = makeBrowserTree(scene);
    viewstest::selectNodes(tree, {scene.a1});
    tree->deleteSelectedNodes(false);
    viewstest::selectNodes(tree, {scene.b});
    ASSERT_TRUE(scene.database.undo());
    EXPECT_EQ(tree->getSelectedNodes(), Nodes{scene.b});
}

TEST(NodeBrowserTree, NodeCommandsShowTheBusyCursorWhileTheyChangeTheDatabase)
{
    // What each change finds: a command on a big scene can take a second.
    struct BusyWitness : db::DatabaseObserver
    {
        std::vector<bool> busy;
        void onDatabaseChanged(db::Database*, const db::ChangeSet&, bool) override { busy.push_back(wxIsBusy()); }
    };
    Scene scene;
    auto tree = makeBrowserTree(scene);
    tree->setOptions(NodeBrowserTreeControl::ClipboardCommands);
    BusyWitness witness;
    scene.database.getObservers().add(&witness, ObserverMode::Immediate);
    viewstest::selectNodes(tree, {scene.a1});
    viewstest::pressCtrl(tree, 'd');
    viewstest::pressCtrl(tree, 'c');
    viewstest::pressCtrl(tree, 'v');
    viewstest::pressCtrl(tree, 'x');
    viewstest::selectNodes(tree, {scene.a2});
    tree->deleteSelectedNodes(false);
    scene.database.getObservers().remove(&witness, ObserverMode::Immediate);
    EXPECT_EQ(witness.busy, std::vector<bool>(4, true)) << "duplicate, paste, cut and delete";
    EXPECT_FALSE(wxIsBusy());
}

TEST(NodeBrowserTree, ExpandAllAndCollapseAllOpenAndCloseWholeBranchesAndTheKeypadStarOpensTheSelected)
{
    using Names = std::vector<std::wstring>;
    using Member = db::Node* Scene::*;
    enum Gesture
    {
        MenuExpand,
        MenuCollapse,
        KeypadStar,
    };
    struct Case
    {
        int options;
        const char* filter;
        /// Everything open to start with, or only the root.
        bool open;
        /// Closed once the filter is set, as by the user.
        std::vector<Member> closed;
        /// Selected before the gesture; a menu opened on one of them keeps them.
        std::vector<Member> selected;
        Gesture gesture;
        /// Where the menu opens (after the key, to see its entries); null: on the root.
        Member on;
        Names rows;
        Names selectedAfter;
        /// Selection events, the right click's included.
        int events;
    };
    constexpr int on = NodeBrowserTreeControl::BranchCommands;
    const Names everything{L"Scene", L"A", L"a1", L"deep", L"a2", L"a3", L"B", L"b1", L"L"};
    const Case cases[] = {
        {on,
         "",
         false,
         {},
         {&Scene::a, &Scene::b},
         MenuExpand,
         &Scene::a,
         {L"Scene", L"A", L"a1", L"deep", L"a2", L"a3", L"B", L"L"},
         {L"A", L"B"},
         0},
        {on, "", false, {}, {}, MenuExpand, nullptr, everything, {L"Scene"}, 1},
        // The selected nodes the closing hides leave the selection, and the user is told; the others stay.
        {on,
         "",
         true,
         {},
         {&Scene::a, &Scene::a2, &Scene::b1},
         MenuCollapse,
         &Scene::a,
         {L"Scene", L"A", L"B", L"b1", L"L"},
         {L"A", L"b1"},
         1},
        {on, "", true, {}, {&Scene::a1}, MenuCollapse, nullptr, {L"Scene"}, {L"Scene"}, 1},
        {on, "", false, {}, {&Scene::a, &Scene::b}, KeypadStar, &Scene::a, everything, {L"A", L"B"}, 0},
        // Under a filter the branch opens on what the find box found, not on everything.
        {on, "1", true, {&Scene::a}, {}, MenuExpand, nullptr, {L"Scene", L"A", L"a1", L"B", L"b1"}, {L"Scene"}, 1},
        {on, "1", true, {}, {&Scene::b, &Scene::b1}, MenuCollapse, &Scene::b, {L"Scene", L"A", L"a1", L"B"}, {L"B"}, 1},
        // Off: neither the menu entries nor the key.
        {0, "", false, {}, {&Scene::a}, KeypadStar, &Scene::a, {L"Scene", L"A", L"B", L"L"}, {L"A"}, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "gesture " << c.gesture << ", filter \"" << c.filter << "\", options "
                                        << c.options << ", " << c.selected.size() << " selected");
        Scene scene;
        viewstest::addNode(scene.a1, L"Mesh", L"deep");
        auto tree = makeBrowserTree(scene);
        tree->setOptions(c.options);
        if (!c.open)
        {
            tree->CollapseAll();
            tree->GetRoot()->Expand();
        }
        tree->setFilterText(c.filter);
        for (Member closed : c.closed)
            tree->getItemOfNode(scene.*closed)->Collapse();
        std::vector<db::Node*> selected;
        for (Member node : c.selected)
            selected.push_back(scene.*node);
        viewstest::selectNodes(tree, selected);
        int selectionEvents = 0;
        tree->Bind(wxUTILS_EVT_TREE_SEL_CHANGED, [&selectionEvents](wxUtils::TreeEvent&) { ++selectionEvents; });
        TreeItem* item = c.on ? tree->getItemOfNode(scene.*c.on) : tree->GetRoot();

        if (c.gesture == KeypadStar)
        {
            wxtest::key(tree, WXK_NUMPAD_MULTIPLY);
            const Labels shown = menuOn(tree, item);
            EXPECT_EQ(std::count(shown.begin(), shown.end(), "E&xpand All"), c.options ? 1 : 0);
        }
        else
            menuOn(tree, item, c.gesture == MenuExpand ? "Expand All" : "Collapse All");

        Names rows;
        for (std::size_t row = 0; row < tree->GetVisibleCount(); ++row)
            rows.push_back(tree->getNodeOfItem(tree->GetItemAtRow(row))->getName());
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(selectedNames(tree), c.selectedAfter);
        EXPECT_EQ(selectionEvents, c.events) << "the inspector follows the selection";
        EXPECT_EQ(scene.database.getUndoStackSize(), 1u) << "opening and closing edit nothing";
    }
}

TEST(NodeBrowserTree, MenuChoicesCopyRenameCreateAndCopyThePathOfTheClickedNode)
{
    Scene scene;
    auto tree = makeBrowserTree(scene);
    // Copy: a1 (with no children) and b1 selected, menu opened on b1: both copies go under B, as one step.
    viewstest::selectNodes(tree, {scene.a1, scene.b1});
    menuOn(tree, tree->getItemOfNode(scene.b1), "Copy");
    ASSERT_EQ(scene.database.getUndoStackSize(), 1u);
    EXPECT_EQ(scene.database.getUndoDescription(0), L"Copy nodes");
    const std::vector<db::Node*> underB = scene.b->getChildNodes();
    ASSERT_EQ(underB.size(), 3u);
    EXPECT_EQ(underB[1]->getClassID(), L"Group");
    EXPECT_EQ(underB[2]->getClassID(), L"Camera");
    EXPECT_NE(underB[1]->getName(), L"") << "the database names the copies";
    EXPECT_EQ(scene.a->getChildNodes().size(), 3u) << "originals stay";
    ASSERT_TRUE(scene.database.undo());
    EXPECT_EQ(scene.b->getChildNodes().size(), 1u);
    EXPECT_TRUE(mirrors(tree, scene.database));

    // Create: into that container; the database's own offers every creatable type.
    menuOn(tree, tree->getItemOfNode(scene.b), "Mesh");
    EXPECT_EQ(childNames(scene.b).size(), 2u);
    EXPECT_EQ(scene.b->getChildNodes().back()->getClassID(), L"Mesh");
    const Labels onRoot = menuOn(tree, tree->GetRoot(), "Script");
    EXPECT_NE(std::find(onRoot.begin(), onRoot.end(), "Create nodes"), onRoot.end());
    EXPECT_EQ(scene.database.getRootContainer().getNode(3)->getClassID(), L"Script");
    EXPECT_TRUE(mirrors(tree, scene.database));

    menuOn(tree, tree->getItemOfNode(scene.a2), "Copy database path to clipboard");
    std::wstring expected;
    scene.a2->toDatabasePath(expected);
    EXPECT_EQ(clipboardText(), wxString(expected));
    EXPECT_TRUE(clipboardText().EndsWith("a2"));

    viewstest::click(tree, tree->getItemOfNode(scene.b));
    menuOn(tree, tree->getItemOfNode(scene.b), "Rename");
    auto* box = dynamic_cast<wxTextCtrl*>(tree->getRenameControl());
    ASSERT_NE(box, nullptr);
    box->ChangeValue("Bee");
    wxtest::sendTextEnter(box);
    EXPECT_EQ(scene.b->getName(), L"Bee");
    EXPECT_EQ(tree->getItemOfNode(scene.b)->GetLabel(), "Bee");
}

TEST(NodeBrowserTree, DynamicAttributeKindsAddTheirTypeUnderTheirName)
{
    struct Case
    {
        const char* label;
        const wchar_t* name;
        db::AttributeType type;
    };
    const Case cases[] = {
        {"Int", L"DynamicInt", db::Int},
        {"Bool", L"DynamicBool", db::Bool},
        {"Float", L"DynamicFloat", db::Float},
        {"Double", L"DynamicDouble", db::Float},
        {"String", L"DynamicString", db::String},
        {"Vector3", L"DynamicVector3", db::Vector3},
        {"Matrix34", L"DynamicMatrix34", db::Matrix34},
        {"Int Array", L"DynamicIntArray", db::IntArray},
        {"Bool Array", L"DynamicBoolArray", db::BoolArray},
        {"Float Array", L"DynamicFloatArray", db::FloatArray},
        {"Double Array", L"DynamicDoubleArray", db::DoubleArray},
        {"String Array", L"DynamicStringArray", db::StringArray},
        {"Vector3 Array", L"DynamicVector3Array", db::Vector3Array},
        {"Matrix34 Array", L"DynamicMatrix34Array", db::Matrix34Array},
    };
    Scene scene;
    auto tree = makeBrowserTree(scene);
    TreeItem* item = tree->getItemOfNode(scene.light);
    for (const Case& c : cases)
    {
        const unsigned int before = scene.light->getAttributeCount();
        menuOn(tree, item, c.label);
        ASSERT_EQ(scene.light->getAttributeCount(), before + 1) << c.label;
        db::Attribute* added = scene.light->getAttribute(before);
        EXPECT_EQ(added->getName(), c.name) << c.label;
        EXPECT_EQ(added->getAttributeType(), c.type) << c.label;
        EXPECT_TRUE(added->isDynamic()) << c.label;
    }
    // A second one of a kind: the database decides its name, nothing breaks.
    menuOn(tree, item, "Int");
    EXPECT_EQ(scene.light->getDynamicAttributeCount(), 15u);
    EXPECT_TRUE(mirrors(tree, scene.database));
}

TEST(NodeBrowserTree, CommandsOfAMenuWhoseNodeWentWhileItWasOpenDoNothing)
{
    for (const char* command :
         {"Rename", "Copy", "Save As XML", "Save As Binary", "Int", "Copy database path to clipboard", "Mesh"})
    {
        SCOPED_TRACE(command);
        Scene scene;
        auto tree = makeBrowserTree(scene);
        viewstest::setClipboardText("before");
        const std::size_t nodes = scene.database.getTotalNodeCount();

        // Something else removes the node (and its child) while the user looks at the menu.
        wxtest::ChoosePopupMenuItem choose(command);
        choose.whileShown([&scene] { scene.b->remove(); });
        viewstest::rightClick(tree, tree->getItemOfNode(scene.b));

        EXPECT_EQ(tree->getRenameControl(), nullptr);
        EXPECT_EQ(scene.database.getTotalNodeCount(), nodes - 2);
        EXPECT_EQ(scene.b->findAttribute(L"DynamicInt"), nullptr);
        EXPECT_EQ(viewstest::childrenOf(scene.b)->getNodeCount(), 1u);
        EXPECT_EQ(clipboardText(), "before");
        ASSERT_TRUE(scene.database.undo());
        EXPECT_FALSE(scene.database.canUndo()) << "the removal was the only step";
        EXPECT_TRUE(mirrors(tree, scene.database));
    }
}

TEST(NodeBrowserTree, SaveAsWritesTheSubtreeReportsTheOutcomeAndLoadFromFileReadsItBack)
{
    Scene scene;
    auto tree = makeBrowserTree(scene);
    TreeItem* item = tree->getItemOfNode(scene.a);
    const wxString xmlPath = tempPath("subtree.xml");
    const wxString binaryPath = tempPath("subtree.dbb");

    // A dialog closed without OK writes nothing and says nothing.
    wxTEST_DIALOG(menuOn(tree, item, "Save As XML"), ExpectFile(xmlPath, wxID_CANCEL));
    EXPECT_FALSE(wxFileExists(xmlPath));
    wxTEST_DIALOG(menuOn(tree, item, "Save As XML"), ExpectFile(xmlPath),
                  ExpectMessage("Save succeeded", "Save as XML"));
    wxTEST_DIALOG(menuOn(tree, item, "Save As Binary"), ExpectFile(binaryPath),
                  ExpectMessage("Save succeeded", "Save as binary"));
    ASSERT_TRUE(wxFileExists(xmlPath));
    ASSERT_TRUE(wxFileExists(binaryPath));

    // Loading them back through the menu puts the subtrees under the database;
    // the kind goes by the extension, in lower case.
    const std::size_t nodesBefore = scene.database.getTotalNodeCount();
    for (const wxString& path : {xmlPath, binaryPath})
        wxTEST_DIALOG(menuOn(tree, tree->GetRoot(), "Load From File"), ExpectFile(path));
    EXPECT_EQ(scene.database.getTotalNodeCount(), nodesBefore + 8);
    EXPECT_TRUE(mirrors(tree, scene.database));
    const wxString upperPath = tempPath("subtree.DBB");
    const wxString linkPath = tempPath("subtree.tlk");
    ASSERT_TRUE(wxRenameFile(binaryPath, upperPath));
    wxFile(linkPath, wxFile::write).Write("<link/>");
    for (const wxString& refused : {upperPath, linkPath})
    {
        wxTEST_DIALOG(menuOn(tree, tree->GetRoot(), "Load From File"), ExpectFile(refused),
                      ExpectMessage("Can't load files of that type", wxMessageBoxCaptionStr));
    }
    EXPECT_EQ(scene.database.getTotalNodeCount(), nodesBefore + 8);
    wxRemoveFile(upperPath);
    wxRemoveFile(linkPath);

    // A disk that fills up: the save fails, says so and leaves no file.
    wxRemoveFile(xmlPath);
    db::FileOutputStream::setFailureHook(
        [](db::FileOutputStream::Step step)
        { return step == db::FileOutputStream::Step::Write || step == db::FileOutputStream::Step::Sync; });
    wxTEST_DIALOG(menuOn(tree, item, "Save As XML"), ExpectFile(xmlPath), ExpectMessage("Save failed", "Save as XML"));
    db::FileOutputStream::setFailureHook({});
    EXPECT_FALSE(wxFileExists(xmlPath));
}

TEST(NodeBrowserTree, DraggedNodesMoveOrCopyWhereTheSchemaAllowsAsOneStep)
{
    Scene scene;
    db::Node* library = viewstest::addNode(&scene.database, L"MaterialLibrary", L"Lib");
    scene.database.clearUndoHistory();
    auto tree = makeBrowserTree(scene);
    tree->setOptions(NodeBrowserTreeControl::DragAndDrop);
    wxtest::pump();
    // With the real pointer, from a selected node to a fraction of a row's height
    // (0 its top edge, 1 its bottom); each drag starts a little further right, as
    // GTK takes two presses at one spot for a double click.
    int shift = 0;
    auto drag = [&](db::Node* from, db::Node* over, double fraction, bool ctrl)
    {
        wxtest::MouseDrag mouse(tree, viewstest::labelPoint(tree, tree->getItemOfNode(from)) + wxPoint(shift += 6, 0));
        std::size_t row = 0;
        ASSERT_TRUE(tree->GetItemRow(tree->getItemOfNode(over), row));
        const wxRect rect = tree->getRowRect(row);
        const wxPoint to(viewstest::labelPoint(tree, tree->getItemOfNode(over)).x,
                         rect.y + static_cast<int>(fraction * (rect.height - 1)));
        mouse.moveTo(to);
        if (ctrl)
            mouse.holdCtrl();
        mouse.moveTo(to + wxPoint(2, 0));
    };
    auto lastStep = [&] { return scene.database.getUndoDescription(scene.database.getUndoStackSize() - 1); };

    // Onto a node: into its container, at the end.
    viewstest::selectNodes(tree, {scene.a2});
    drag(scene.a2, scene.b, 0.5, false);
    EXPECT_EQ(childNames(scene.b), (std::vector<std::wstring>{L"b1", L"a2"}));
    ASSERT_EQ(scene.database.getUndoStackSize(), 1u);
    EXPECT_EQ(lastStep(), L"Move node");
    EXPECT_TRUE(mirrors(tree, scene.database));
    ASSERT_TRUE(scene.database.undo());
    EXPECT_EQ(childNames(scene.a), (std::vector<std::wstring>{L"a1", L"a2", L"a3"}));

    // Several, between two rows: before the node below the line, in the order selected.
    viewstest::selectNodes(tree, {scene.a3, scene.light});
    drag(scene.a3, scene.a1, 0.1, false);
    EXPECT_EQ(childNames(scene.a), (std::vector<std::wstring>{L"a3", L"L", L"a1", L"a2"}));
    EXPECT_EQ(childNames(&scene.database), (std::vector<std::wstring>{L"A", L"B", L"Lib"}));
    EXPECT_EQ(lastStep(), L"Move nodes");
    EXPECT_EQ(tree->getSelectedNodes(), (std::vector<db::Node*>{scene.a3, scene.light})) << "dropped, still selected";
    EXPECT_TRUE(mirrors(tree, scene.database));

    // Ctrl held at the drop copies; the original stays.
    viewstest::selectNodes(tree, {scene.b1});
    drag(scene.b1, scene.a, 0.5, true);
    EXPECT_EQ(childNames(scene.b), std::vector<std::wstring>{L"b1"});
    ASSERT_EQ(scene.a->getChildNodes().size(), 5u);
    EXPECT_EQ(scene.a->getChildNodes().back()->getClassID(), L"Camera");
    EXPECT_EQ(lastStep(), L"Copy node");
    EXPECT_TRUE(mirrors(tree, scene.database));

    // Refused: a node into its own subtree, and a type the container does not hold.
    const unsigned int steps = scene.database.getUndoStackSize();
    viewstest::selectNodes(tree, {scene.a});
    drag(scene.a, scene.a1, 0.5, false);
    viewstest::selectNodes(tree, {scene.b1});
    drag(scene.b1, library, 0.5, false);
    EXPECT_EQ(scene.database.getUndoStackSize(), steps) << "nothing changed";
    EXPECT_EQ(childNames(library), std::vector<std::wstring>{});
    EXPECT_TRUE(mirrors(tree, scene.database));
}

TEST(NodeBrowserTree, TypesShowTheIconTheirSchemaNamesOrTheirNameSuggests)
{
    const std::string schema = R"(<schema version="1">
      <type name="Thing" id="500"/>
      <type name="SpotLamp" id="501" base="Thing"/>
      <type name="Rig" id="502" icon="camera"/>
      <type name="TinyRig" id="503" base="Rig"/>
      <type name="Odd" id="504" icon="nonesuch"/>
      <type name="MaterialLibrary" id="505"/>
    </schema>)";
    db::TypeRegistry registry;
    db::FileInputStream stream = db::FileInputStream::fromMemory(schema.data(), schema.size(), "schema.xml");
    db::SchemaLoaderXML loader(stream);
    ASSERT_TRUE(loader.load(registry));
    const std::pair<const wchar_t*, const char*> cases[] = {
        {L"Thing", "node"},     {L"SpotLamp", "light"}, {L"Rig", "camera"},
        {L"TinyRig", "camera"}, {L"Odd", "node"},       {L"MaterialLibrary", "library"},
    };
    for (const auto& [type, icon] : cases)
        EXPECT_EQ(dbui::NodeIcons::getIconName(*registry.findNodeDef(type)), icon) << wxString(type);
    for (const wxString& name : dbui::NodeIcons::getNames())
        EXPECT_EQ(dbui::NodeIcons::getBitmap(name).GetSize(), wxSize(16, 16)) << name;
    EXPECT_FALSE(dbui::NodeIcons::getBitmap("nonesuch").IsOk());

    // In the tree: one image per icon shown, titled columns.
    Scene scene;
    auto tree = makeBrowserTree(scene);
    EXPECT_FALSE(tree->isColumnHeaderShown()) << "off by default";
    tree->setOptions(NodeBrowserTreeControl::TypeIcons | NodeBrowserTreeControl::ColumnHeaders);
    EXPECT_TRUE(tree->isColumnHeaderShown());
    EXPECT_EQ(tree->getColumnTitle(0), "Name");
    EXPECT_EQ(tree->getColumnTitle(1), "Type");
    auto image = [&](db::Node* node) { return tree->getItemOfNode(node)->GetImage(); };
    for (db::Node* node : {static_cast<db::Node*>(&scene.database), scene.a, scene.a1, scene.a2, scene.a3, scene.b,
                           scene.b1, scene.light})
        EXPECT_GE(image(node), 0);
    EXPECT_EQ(image(scene.a), image(scene.b)) << "one type, one icon";
    EXPECT_EQ(image(scene.a3), image(scene.light));
    EXPECT_NE(image(scene.a), image(scene.light));
    EXPECT_EQ(tree->GetImageList()->GetImageCount(), 5) << "database, group, mesh, light and camera, each once";

    // A closed node counts what lies below it, up to date after edits.
    tree->setOptions(NodeBrowserTreeControl::SubtreeCounts);
    TreeItem* a = tree->getItemOfNode(scene.a);
    a->Collapse();
    EXPECT_EQ(a->GetColumnText(1), "Group (3 nodes)");
    viewstest::addNode(scene.a1, L"Mesh", L"deep");
    wxtest::pump();
    EXPECT_EQ(a->GetColumnText(1), "Group (4 nodes)");
    EXPECT_EQ(tree->getItemOfNode(scene.b)->GetColumnText(1), "Group") << "open";
}

TEST(NodeBrowserTree, CommandTableMenuActsOnTheSelectionWithTheHostsCommandsAndEveryDynamicType)
{
    using dbui::NodeCommand;
    using dbui::NodeCommandContext;
    Scene scene;
    auto tree = makeBrowserTree(scene);
    tree->setOptions(NodeBrowserTreeControl::CommandTable);
    dbui::NodeCommands& commands = tree->getCommands();
    int ran = 0;
    const NodeCommand host{dbui::NodeCommands::FirstHostId,
                           "Host &Thing",
                           "",
                           "ctrl+k",
                           "",
                           NodeCommand::ContextMenu,
                           100,
                           nullptr,
                           [](const NodeCommandContext& c) { return c.tree->GetSelectedItemCount() == 2; },
                           [&ran](const NodeCommandContext&) { ++ran; }};
    ASSERT_TRUE(commands.add(host));
    EXPECT_FALSE(commands.add(host)) << "an id is one command's";
    EXPECT_EQ(commands.findByShortcut("Ctrl+K")->id, host.id);
    EXPECT_EQ(commands.setShortcut(wxID_COPY, "CTRL+k")->id, host.id) << "a key taken is refused";
    EXPECT_EQ(commands.find(wxID_COPY)->shortcut, commands.getDefaultShortcut(wxID_COPY));

    // The host's command, disabled for one node, runs for two.
    viewstest::selectNodes(tree, {scene.light});
    menuOn(tree, tree->getItemOfNode(scene.light), "Host Thing");
    EXPECT_EQ(ran, 0);
    viewstest::selectNodes(tree, {scene.a1, scene.light});
    const Labels several = menuOn(tree, tree->getItemOfNode(scene.light), "Host Thing");
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(std::count(several.begin(), several.end(), "Add Dynamic Attribute"), 0) << "submenus are for one node";

    // One node: every value and array type of the database, by its name in messages.
    viewstest::selectNodes(tree, {scene.light});
    const Labels shown = menuOn(tree, tree->getItemOfNode(scene.light));
    std::size_t offered = 0;
    for (auto type = db::Int; *db::attributeTypeName(type); type = db::AttributeType(type + 1))
    {
        wxString label(db::attributeTypeName(type));
        label[0] = wxToupper(label[0]);
        if (std::find(shown.begin(), shown.end(), label) == shown.end())
            continue;
        ++offered;
        const unsigned int before = scene.light->getAttributeCount();
        menuOn(tree, tree->getItemOfNode(scene.light), label);
        ASSERT_EQ(scene.light->getAttributeCount(), before + 1) << label;
        EXPECT_EQ(scene.light->getAttribute(before)->getAttributeType(), type) << label;
        EXPECT_TRUE(scene.light->getAttribute(before)->isDynamic()) << label;
    }
    EXPECT_EQ(offered, 18u) << "the values and arrays, no composite";
    EXPECT_TRUE(scene.light->findAttribute(L"DynamicDoubleArray"));

    // Create, Delete and Copy Database Path act on the selection.
    menuOn(tree, tree->getItemOfNode(scene.light), "Mesh");
    EXPECT_EQ(childNames(scene.light).size(), 1u);
    menuOn(tree, tree->getItemOfNode(scene.light), "Copy Database Path");
    EXPECT_TRUE(clipboardText().EndsWith("L")) << clipboardText();
    viewstest::selectNodes(tree, {scene.b});
    menuOn(tree, tree->getItemOfNode(scene.b), "Delete");
    EXPECT_EQ(childNames(&scene.database), (std::vector<std::wstring>{L"A", L"L"}));
    EXPECT_TRUE(mirrors(tree, scene.database));

    // A submenu's node that goes while the menu is open takes nothing.
    viewstest::selectNodes(tree, {scene.a});
    wxtest::ChoosePopupMenuItem choose("Int");
    choose.whileShown([&scene] { scene.a->remove(); });
    viewstest::rightClick(tree, tree->getItemOfNode(scene.a));
    EXPECT_EQ(scene.a->findAttribute(L"DynamicInt"), nullptr);
}
