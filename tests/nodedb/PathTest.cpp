#include "NodeDbTestSupport.h"

#include <db/Visitor.h>

#include <gtest/gtest.h>

#include <memory>

using namespace nodedbtest;

namespace
{

/// A scene with awkward names: separators, duplicates, empty names.
void buildAwkwardScene(db::Database& database)
{
    db::Node* group = addNode(database, L"Group", L"a/b.c[d]\\e");
    addNode(database, L"Mesh", L"twin", group);
    addNode(database, L"Mesh", L"twin", group);
    addNode(database, L"Light", L"", group);
    addNode(database, L"Light", L"", group);
    db::Node* all = addNode(database, L"AllTypes", L"all");
    auto* entries = all->findAttribute(L"entries")->asAttributeArray();
    entries->add(false);
    entries->add(false);
    all->addDynamicString(L"odd.name[0]", L"x");
    addNode(database, L"Group", L"twin");
    db::Node* library = addNode(database, L"MaterialLibrary", L"lib");
    library->findAttribute(L"scripts")->asNodeContainer()->add(db::makeNode(L"Script", L"twin"));
    library->findAttribute(L"materials")->asNodeContainer()->add(db::makeNode(L"Material", L"twin"));
}

TEST(DatabasePaths, EveryNodeAndAttributeRoundTripsThroughItsPath)
{
    db::Database database(L"paths");
    buildAwkwardScene(database);
    Everything everything;
    database.accept(&everything);
    ASSERT_GT(everything.all.size(), 50u);
    for (db::Attribute* attribute : everything.all)
    {
        std::wstring path;
        attribute->toDatabasePath(path, nullptr, false);
        EXPECT_EQ(database.attributeFromDatabasePath(path, true), attribute) << std::string(path.begin(), path.end());
        // The same from any attribute of the tree, since the path starts at the root.
        EXPECT_EQ(attribute->attributeFromDatabasePath(path, true), attribute);
    }
}

TEST(DatabasePaths, PathsReadTheWayUsersExpect)
{
    db::Database database;
    db::Node* scene = addNode(database, L"Group", L"Scene");
    db::Node* cube = addNode(database, L"Mesh", L"Cube", scene);
    db::Node* all = addNode(database, L"AllTypes", L"all");
    all->findAttribute(L"entries")->asAttributeArray()->add(false);
    all->findAttribute(L"entries")->asAttributeArray()->add(false);

    auto pathOf = [](const db::Attribute* attribute)
    {
        std::wstring path;
        attribute->toDatabasePath(path);
        return path;
    };
    EXPECT_EQ(pathOf(&database), L"/");
    EXPECT_EQ(pathOf(&database.name), L"/.name");
    EXPECT_EQ(pathOf(cube), L"/Scene/Cube");
    EXPECT_EQ(pathOf(cube->findAttribute(L"transform")), L"/Scene/Cube.transform");
    EXPECT_EQ(pathOf(all->findAttribute(L"entries")->asAttributeArray()->getElement(1)->findAttribute(L"amount")),
              L"/all.entries[1].amount");
    EXPECT_EQ(pathOf(all->findAttribute(L"compound")->asCompositeAttribute()->findAttribute(L"inner")),
              L"/all.compound.inner");

    std::wstring appended = L"path: ";
    cube->toDatabasePath(appended, nullptr, true);
    EXPECT_EQ(appended, L"path: /Scene/Cube");
}

TEST(DatabasePaths, PathsThatNameNothingGiveNull)
{
    db::Database database;
    db::Node* scene = addNode(database, L"Group", L"Scene");
    addNode(database, L"Mesh", L"Cube", scene);
    const wchar_t* broken[] = {
        L"/Nothing",
        L"/Scene/Nothing",
        L"/Scene.nothing",
        L"/Scene/Cube.transform.x",
        L"/Scene[1]",
        L"/Scene[x]",
        L"/Scene[",
        L"/Scene/Cube.vertices[0]",
        L"/Scene\\",
        L"/Scene//Cube",
        L"/Scene/Cube]",
        L"Scene/Cube/",
        L"/Scene[99999999999]",
    };
    for (const wchar_t* path : broken)
        EXPECT_EQ(database.attributeFromDatabasePath(path, true), nullptr) << std::wstring(path).size();
    EXPECT_EQ(database.attributeFromDatabasePath(L"", true), &database);
}

TEST(DatabasePaths, RelativePathsLeaveOutTheBaseAndTheBaseItselfIsEmpty)
{
    std::unique_ptr<db::Node> root(db::makeNode(L"AllTypes", L"root"));
    db::Node* child = db::makeNode(L"AllTypes", L"child");
    ASSERT_TRUE(root->findAttribute(L"children")->asNodeContainer()->add(child));
    db::Node* grandChild = db::makeNode(L"Mesh", L"grand child");
    child->findAttribute(L"children")->asNodeContainer()->add(grandChild);

    std::wstring self = L"stale";
    root->toDatabasePath(self, root.get());
    EXPECT_EQ(self, L"");
    std::wstring relative;
    grandChild->findAttribute(L"vertices")->toDatabasePath(relative, root.get());
    EXPECT_EQ(relative, L"child/grand child.vertices");
}

} // namespace
