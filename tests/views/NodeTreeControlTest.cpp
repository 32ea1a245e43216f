#include "ViewsTestSupport.h"

#include <db/ChangeBlock.h>

#include <wx/textctrl.h>

#include <functional>
#include <map>
#include <optional>
#include <random>

using dbui::NodeTreeControl;
using viewstest::mirrors;
using viewstest::Scene;
using wxUtils::TreeItem;

namespace
{

viewstest::Owned<NodeTreeControl> makeTree(long style = 0)
{
    auto* tree = new NodeTreeControl(wxtest::frame(), wxID_ANY, wxDefaultPosition, wxDefaultSize, style);
    wxtest::show(tree);
    return viewstest::Owned<NodeTreeControl>(tree);
}

// Renames `item` as a user does: the box opens showing `shown`, the user
// types `typed` and presses Enter.
void renameInPlace(NodeTreeControl* tree, TreeItem* item, const wxString& shown, const wxString& typed)
{
    tree->EditLabel(item);
    auto* box = dynamic_cast<wxTextCtrl*>(tree->getRenameControl());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->GetValue(), shown);
    box->ChangeValue(typed);
    wxCommandEvent enter(wxEVT_TEXT_ENTER, box->GetId());
    enter.SetEventObject(box);
    box->ProcessWindowEvent(enter);
}

std::vector<wxString> labelsOf(const std::vector<db::Node*>& nodes)
{
    std::vector<wxString> labels;
    for (db::Node* node : nodes)
        labels.push_back(wxString(node->getName()));
    return labels;
}

} // namespace

TEST(NodeTree, BindingShowsEveryNodeUnderItsParentWithItsTypeAndUnbindingEmpties)
{
    Scene scene;
    auto tree = makeTree();
    EXPECT_FALSE(tree->isColumnHeaderShown());
    EXPECT_EQ(tree->GetRoot(), nullptr);

    tree->setDatabase(&scene.database);
    EXPECT_EQ(tree->getDatabase(), &scene.database);
    EXPECT_TRUE(mirrors(tree, scene.database));

    // The same database again keeps the very same items (no rebuild).
    TreeItem* itemOfA = tree->getItemOfNode(scene.a);
    tree->Select(itemOfA, true);
    tree->setDatabase(&scene.database);
    EXPECT_EQ(tree->getItemOfNode(scene.a), itemOfA);
    EXPECT_TRUE(itemOfA->IsSelected());

    tree->setDatabase(nullptr);
    EXPECT_EQ(tree->GetCount(), 0u);
    EXPECT_EQ(tree->getItemOfNode(scene.a), nullptr);
}

TEST(NodeTree, DeletingSelectsTheNextSiblingElseThePreviousElseTheParentAsOneStepUndoneInPlace)
{
    Scene scene;
    auto tree = makeTree();
    tree->setDatabase(&scene.database);
    struct Case
    {
        std::vector<db::Node*> selected; // clicked in this order
        bool withChildren;
        std::vector<wxString> selectedAfter;
    };
    const Case cases[] = {
        {{}, true, {}},                                // nothing selected: nothing happens
        {{scene.a, scene.b}, true, {"L"}},             // the sibling after the last one
        {{scene.a2, scene.a3}, true, {"a1"}},          // the last children: the sibling before
        {{scene.a1, scene.a2, scene.a3}, true, {"A"}}, // all the children: the parent
        {{scene.a2, scene.a}, false, {"B"}},           // a selected descendant goes once, with its ancestor
    };
    for (const Case& c : cases)
    {
        const std::size_t nodes = scene.database.getTotalNodeCount();
        const unsigned int steps = scene.database.getUndoStackSize();
        tree->ExpandAll();
        tree->UnselectAll();
        for (std::size_t i = 0; i < c.selected.size(); ++i)
            viewstest::click(tree, tree->getItemOfNode(c.selected[i]), i > 0);
        tree->deleteSelectedNodes(c.withChildren);
        EXPECT_TRUE(mirrors(tree, scene.database));
        EXPECT_EQ(labelsOf(tree->getSelectedNodes()), c.selectedAfter);
        if (c.selected.empty())
        {
            EXPECT_EQ(scene.database.getTotalNodeCount(), nodes);
            continue;
        }
        EXPECT_EQ(scene.database.getUndoStackSize(), steps + 1);
        EXPECT_EQ(scene.database.getUndoDescription(steps), L"Delete nodes");
        ASSERT_TRUE(scene.database.undo());
    }
    EXPECT_EQ(scene.database.getTotalNodeCount(), 8u);
}

TEST(NodeTree, RenamingInPlaceRenamesTheNodeAndTheLabelCopiedOrAskedForFollowsTheDatabase)
{
    Scene scene;
    auto tree = makeTree();
    tree->setDatabase(&scene.database);
    TreeItem* item = tree->getItemOfNode(scene.light);
    {
        // Inside an open block the database has not reported yet.
        db::ChangeBlock block(scene.database, L"Rename");
        renameInPlace(tree, item, "L", "Sun");
        EXPECT_EQ(scene.light->getName(), L"Sun");
        EXPECT_EQ(item->GetLabel(), "L") << "the label waits for the database's report";
    }
    EXPECT_EQ(item->GetLabel(), "Sun");
    ASSERT_TRUE(scene.database.undo());

    // Labels asked of the nodes: a rename from elsewhere repaints the row, which
    // asks for the new name.
    tree->setLabelSource(NodeTreeControl::LabelSource::Node);
    EXPECT_TRUE(mirrors(tree, scene.database));
    item = tree->getItemOfNode(scene.light);
    renameInPlace(tree, item, "L", "Sun");
    EXPECT_EQ(item->GetLabel(), "Sun");
    ASSERT_TRUE(wxtest::pumpUntil([&tree] { return !tree->isRefreshPending(); }));
    scene.a->setName(L"Aye");
    EXPECT_TRUE(tree->isRefreshPending());
    ASSERT_TRUE(scene.database.undo());
    ASSERT_TRUE(scene.database.undo());
    // Back to copied labels: the tree is built again with the same texts.
    tree->setLabelSource(NodeTreeControl::LabelSource::Copy);
    EXPECT_TRUE(mirrors(tree, scene.database));

    // The read-only label style leaves node names alone.
    auto readOnly = makeTree(0x4000);
    readOnly->setDatabase(&scene.database);
    readOnly->EditLabel(readOnly->getItemOfNode(scene.light));
    EXPECT_EQ(readOnly->getRenameControl(), nullptr);
}

TEST(NodeTree, DestroyedTreeOrDatabaseLetGoOfEachOtherAndANewDatabaseAtTheOldAddressIsNotTaken)
{
    std::optional<Scene> scene(std::in_place);
    auto gone = makeTree();
    gone->setDatabase(&scene->database);
    NodeTreeControl* window = gone.release();
    window->Destroy();
    wxtest::pump();
    EXPECT_FALSE(scene->database.getObservers().contains(window));

    auto tree = makeTree();
    tree->setDatabase(&scene->database);
    tree->Select(tree->getItemOfNode(scene->a1), true);
    const db::Database* address = &scene->database;
    scene.reset();
    EXPECT_EQ(tree->getDatabase(), nullptr);
    EXPECT_EQ(tree->GetCount(), 0u);

    scene.emplace();
    ASSERT_EQ(&scene->database, address) << "the new database must take the old one's place for this test";
    EXPECT_TRUE(tree->getSelectedNodes().empty());
    viewstest::addNode(&scene->database, L"Group", L"late");
    EXPECT_EQ(tree->GetCount(), 0u);
    tree->setDatabase(&scene->database);
    EXPECT_TRUE(mirrors(tree, scene->database)) << "binding the newcomer shows it like any database";
}

// Whether the tree's filter finds exactly the nodes whose names hold `text`,
// ignoring case.
::testing::AssertionResult findsNamesHolding(const NodeTreeControl* tree, db::Database& database, const wxString& text)
{
    struct Walk : db::Visitor
    {
        const NodeTreeControl* tree;
        wxString text;
        std::string failure;
        std::size_t found = 0;
        bool visitNodeEnter(db::Node* node) override
        {
            const bool expected = wxString(node->getName()).Lower().Contains(text.Lower());
            found += expected ? 1 : 0;
            if (tree->IsFilterMatch(tree->getItemOfNode(node)) != expected)
                failure += (expected ? " missed " : " wrongly found ") + wxString(node->getName()).ToStdString();
            return true;
        }
    } walk;
    walk.tree = tree;
    walk.text = text;
    database.accept(&walk);
    if (walk.found != tree->GetFilterMatchCount())
        walk.failure +=
            " counted " + std::to_string(tree->GetFilterMatchCount()) + " for " + std::to_string(walk.found);
    if (walk.failure.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\":" << walk.failure;
}

TEST(NodeTree, DatabaseEmptiedAtOnceLeavesTheRootItemAsItWas)
{
    for (const bool rootSelected : {true, false})
        for (const char* filter : {"", "a"})
        {
            SCOPED_TRACE(testing::Message() << "root selected " << rootSelected << ", filter \"" << filter << "\"");
            Scene scene;
            auto tree = makeTree();
            tree->setDatabase(&scene.database);
            tree->setFilterText(filter);
            TreeItem* root = tree->GetRoot();
            tree->Select(rootSelected ? root : tree->getItemOfNode(scene.a1), true);

            scene.database.clearAndForgetHistory(); // as a document closes

            EXPECT_EQ(tree->GetRoot(), root);
            EXPECT_EQ(tree->GetCount(), 1u);
            EXPECT_TRUE(mirrors(tree, scene.database));
            EXPECT_EQ(tree->getItemOfNode(scene.a1), nullptr);
            EXPECT_EQ(tree->getSelectedNodes(),
                      rootSelected ? std::vector<db::Node*>{&scene.database} : std::vector<db::Node*>{});
            EXPECT_EQ(tree->GetFilterMatchCount(), 0u);

            viewstest::addNode(&scene.database, L"Group", L"late");
            EXPECT_TRUE(mirrors(tree, scene.database));
            if (*filter)
            {
                EXPECT_TRUE(findsNamesHolding(tree, scene.database, filter));
            }
        }
}

/// Adds `count` nodes of `type` to the container `member` of `parent`, each
/// first when `reversed`, so that they arrive last first.
void addNodes(db::Node* parent, const wchar_t* member, const wchar_t* type, int count, bool reversed = false)
{
    db::NodeContainer* container = parent->findAttribute(member)->asNodeContainer();
    for (int i = 0; i < count; ++i)
    {
        db::Node* node = db::makeNode(type, type + std::to_wstring(i));
        ASSERT_TRUE(reversed ? container->insert(0, node) : container->add(node)) << "container refused the node";
    }
}

// A whole file's worth of nodes arriving in an empty tree, as a load or its
// redo brings them: in the tree's order, as a load lists them, or in orders
// that the items cannot simply follow; with and without a filter held over
// the empty tree.
TEST(NodeTree, ThousandsOfNodesAddedToAnEmptyTreeShowAsTheDatabaseHoldsThem)
{
    using Groups = std::function<void(db::Database&, int group)>;
    const std::vector<std::pair<const char*, Groups>> arrivals{
        {"in the tree's order",
         [](db::Database& database, int group) {
             addNodes(viewstest::addNode(&database, L"Group", L"g" + std::to_wstring(group)), L"children", L"Light",
                      30);
         }},
        {"children last first",
         [](db::Database& database, int group) {
             addNodes(viewstest::addNode(&database, L"Group", L"g" + std::to_wstring(group)), L"children", L"Light", 30,
                      true);
         }},
        {"nodes in two containers of their parent",
         [](db::Database& database, int group)
         {
             db::Node* library = viewstest::addNode(&database, L"MaterialLibrary", L"g" + std::to_wstring(group));
             addNodes(library, L"materials", L"Material", 12);
             addNodes(library, L"scripts", L"Script", 12);
         }},
        {"groups moved into the group before them",
         [](db::Database& database, int group)
         {
             db::Node* node = viewstest::addNode(&database, L"Group", L"g" + std::to_wstring(group));
             addNodes(node, L"children", L"Light", 30);
             if (group % 2)
                 viewstest::childrenOf(node->getPrevious())->insert(0, node);
         }},
    };
    for (const auto& [arrival, addGroup] : arrivals)
        for (const char* filter : {"", "g7"})
        {
            SCOPED_TRACE(std::string(arrival) + ", filter \"" + filter + "\"");
            db::Database database(L"Empty");
            auto tree = makeTree();
            tree->setDatabase(&database);
            tree->setFilterText(filter);
            {
                db::ChangeBlock block(database, L"Load");
                database.setName(L"Loaded");
                for (int group = 0; group < 40; ++group)
                    addGroup(database, group);
            }
            wxtest::pump();
            for (int round = 0; round < 2; ++round)
            {
                EXPECT_TRUE(mirrors(tree, database)) << round;
                if (*filter)
                {
                    EXPECT_TRUE(findsNamesHolding(tree, database, filter)) << round;
                }
                ASSERT_TRUE(database.undo());
                wxtest::pump();
                EXPECT_TRUE(mirrors(tree, database));
                ASSERT_TRUE(database.redo());
                wxtest::pump();
            }
        }
}

// Random edits, blocks of edits, whole files loaded, undos and redos; after
// every step the tree must show exactly the database's nodes, with labels
// copied or asked for.
class NodeTreeFollowsEdits : public ::testing::TestWithParam<NodeTreeControl::LabelSource>
{
};

INSTANTIATE_TEST_SUITE_P(LabelSources, NodeTreeFollowsEdits,
                         ::testing::Values(NodeTreeControl::LabelSource::Copy, NodeTreeControl::LabelSource::Node));

TEST_P(NodeTreeFollowsEdits, RandomEditsUndosAndRedosItemByItem)
{
    db::Database database;
    auto tree = makeTree();
    tree->setLabelSource(GetParam());
    tree->setDatabase(&database);

    std::mt19937 random(20261206);
    auto pick = [&random](std::size_t count)
    { return std::uniform_int_distribution<std::size_t>(0, count - 1)(random); };
    auto allNodes = [&database]()
    {
        std::vector<db::Node*> nodes;
        std::vector<db::Node*> pending{&database};
        while (!pending.empty())
        {
            db::Node* node = pending.back();
            pending.pop_back();
            nodes.push_back(node);
            for (db::Node* child : node->getChildNodes())
                pending.push_back(child);
        }
        return nodes;
    };
    auto groups = [&allNodes]()
    {
        std::vector<db::Node*> result;
        for (db::Node* node : allNodes())
            if (viewstest::childrenOf(node))
                result.push_back(node);
        return result;
    };
    int counter = 0;
    auto edit = [&]()
    {
        const std::vector<db::Node*> nodes = allNodes();
        switch (pick(5))
        {
        case 0:
        { // add somewhere
            db::Node* parent = groups()[pick(groups().size())];
            db::NodeContainer* container = viewstest::childrenOf(parent);
            db::Node* node = db::makeNode(pick(3) == 0 ? L"Light" : L"Group", L"n" + std::to_wstring(++counter));
            if (!container->insert(static_cast<unsigned int>(pick(container->getNodeCount() + 1)), node))
                delete node;
            break;
        }
        case 1: // remove
            if (nodes.size() > 1)
                nodes[1 + pick(nodes.size() - 1)]->remove();
            break;
        case 2: // rename
            nodes[pick(nodes.size())]->setName(L"r" + std::to_wstring(++counter));
            break;
        case 3:
        { // move
            if (nodes.size() < 2)
                break;
            db::Node* node = nodes[1 + pick(nodes.size() - 1)];
            const std::vector<db::Node*> targets = groups();
            db::Node* parent = targets[pick(targets.size())];
            if (parent == node || parent->isDescendantOf(node))
                break;
            db::NodeContainer* container = viewstest::childrenOf(parent);
            container->insert(static_cast<unsigned int>(pick(container->getNodeCount() + 1)), node);
            break;
        }
        case 4:
        { // siblings shuffled within their parent: undone, each comes back
          // beside one that has not moved back yet
            db::ChangeBlock block(database, L"Shuffle");
            db::NodeContainer* container = viewstest::childrenOf(groups()[pick(groups().size())]);
            for (std::size_t i = 0, n = 2 + pick(3); i < n && container->getNodeCount() > 1; ++i)
                container->insert(static_cast<unsigned int>(pick(container->getNodeCount() + 1)),
                                  container->getNode(static_cast<unsigned int>(pick(container->getNodeCount()))));
            break;
        }
        }
    };

    // Typed on, typed back and cleared while the edits go on: what a text
    // found before is recalled, and must count the edits since.
    const char* const filters[] = {"", "n", "n1", "n12", "n1", "n", "n2", "", "r", "r1", "r", "1", "12", "1"};
    // A file's worth of nodes arriving at once in the emptied tree, each the
    // child of the one before or of one of its ancestors, as a file lists
    // them: appended (the tree's order), put first (last first) or anywhere,
    // a library's materials and scripts in either order, now and then a node
    // under another and a group moved on the way: orders that the items
    // cannot simply follow.
    int loads = 0;
    auto load = [&]()
    {
        {
            db::ChangeBlock block(database, L"Close");
            for (db::Node* node : database.getChildNodes())
                node->remove();
        }
        db::ChangeBlock block(database, L"Load");
        database.setName(L"loaded" + std::to_wstring(++counter));
        const int order = loads++ % 3;
        const auto at = [&](db::NodeContainer* container)
        {
            return order == 0   ? container->getNodeCount()
                   : order == 1 ? 0u
                                : static_cast<unsigned int>(pick(container->getNodeCount() + 1));
        };
        std::vector<db::Node*> added;
        while (added.size() < 1100)
        {
            db::Node* parent = added.empty() ? &database : added.back();
            while (parent != &database && pick(3) == 0)
                parent = parent->getParentNode();
            if (order == 2 && !added.empty() && pick(8) == 0)
                parent = added[pick(added.size())];
            db::NodeContainer* into = viewstest::childrenOf(parent);
            const bool library = pick(15) == 0;
            db::Node* node = db::makeNode(library        ? L"MaterialLibrary"
                                          : pick(3) == 0 ? L"Light"
                                                         : L"Group",
                                          L"n" + std::to_wstring(++counter));
            if (!into || !into->insert(at(into), node))
            {
                delete node;
                continue;
            }
            added.push_back(node);
            for (int i = 0; library && i < 6; ++i)
            {
                const bool script = order == 0 ? i >= 3 : pick(2) == 0;
                db::NodeContainer* member = node->findAttribute(script ? L"scripts" : L"materials")->asNodeContainer();
                member->insert(at(member),
                               db::makeNode(script ? L"Script" : L"Material", L"m" + std::to_wstring(++counter)));
            }
            db::Node* moved = added[pick(added.size())];
            if (order == 2 && pick(10) == 0 && viewstest::childrenOf(node) && moved != node &&
                !node->isDescendantOf(moved))
                viewstest::childrenOf(node)->insert(0, moved);
        }
    };
    for (int step = 0; step < 400; ++step)
    {
        if (step % 4 == 0)
            tree->setFilterText(filters[(step / 4) % std::size(filters)]);
        std::map<db::Node*, TreeItem*> items;
        for (db::Node* node : allNodes())
            items[node] = tree->getItemOfNode(node);
        const std::size_t action = pick(10);
        std::string what;
        if (step % 100 == 99)
        {
            load();
            what = "load";
        }
        else if (action < 5)
        {
            edit();
            what = "edit";
        }
        else if (action < 7)
        {
            db::ChangeBlock block(database, L"Several");
            const std::size_t count = 2 + pick(4);
            for (std::size_t i = 0; i < count; ++i)
                edit();
            what = "block";
        }
        else if (action < 9)
        {
            database.undo();
            what = "undo";
        }
        else
        {
            database.redo();
            what = "redo";
        }
        ASSERT_TRUE(mirrors(tree, database)) << "after step " << step << " (" << what << ")";
        if (tree->IsFiltered())
        {
            ASSERT_TRUE(findsNamesHolding(tree, database, tree->getFilterText())) << "after step " << step;
        }
        // Item by item: a node that stays keeps its row, wherever it moved.
        for (db::Node* node : allNodes())
            if (const auto before = items.find(node); before != items.end())
            {
                ASSERT_EQ(tree->getItemOfNode(node), before->second)
                    << wxString(node->getName()) << " got a new item at step " << step << " (" << what << ")";
            }
        if (step % 50 == 49)
        {
            // A fresh fill of whatever shape the edits left must agree too.
            tree->rebuild();
            ASSERT_TRUE(mirrors(tree, database)) << "rebuilt after step " << step;
        }
    }
    while (database.canUndo())
        database.undo();
    EXPECT_TRUE(mirrors(tree, database));
    EXPECT_EQ(tree->GetCount(), 1u);
}
