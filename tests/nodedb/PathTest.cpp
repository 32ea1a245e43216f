#include "NodeDbTestSupport.h"

#include <db/Visitor.h>

#include <gtest/gtest.h>

#include <memory>

using namespace nodedbtest;

namespace
{

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
