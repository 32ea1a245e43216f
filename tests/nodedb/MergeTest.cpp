// Diff and three-way merge: properties over random edit scripts on generated
// scenes, the cases that break line-based merges, and conflict records that
// survive a save and go away once resolved.

#include "SceneGenerator.h"

#include <db/BoolAttribute.h>
#include <db/Database.h>
#include <db/DatabaseDiff.h>
#include <db/DatabaseMerge.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/FloatAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/LoaderBinary.h>
#include <db/LoaderXML.h>
#include <db/MergeConflicts.h>
#include <db/NodeContainer.h>
#include <db/NodeDef.h>
#include <db/NodeFactory.h>
#include <db/PointerAttribute.h>
#include <db/SaverBinary.h>
#include <db/SaverXML.h>
#include <db/StringArrayAttribute.h>
#include <db/TypeRegistry.h>
#include <db/Visitor.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <set>

namespace
{

using Edit = std::function<void(db::Database&)>;

std::string saveText(const db::Database& database, bool binary = false)
{
    std::string bytes;
    db::FileOutputStream stream(db::FileOutputStream::ToMemory{bytes},
                                binary ? db::OutputStreamEncoding::Raw : db::OutputStreamEncoding::Utf8);
    if (binary)
        db::SaverBinary(stream).save(database);
    else
        db::SaverXML(stream).save(database);
    return bytes;
}

std::unique_ptr<db::Database> load(const std::string& bytes)
{
    auto database = std::make_unique<db::Database>();
    auto stream = db::FileInputStream::fromMemory(bytes.data(), bytes.size());
    const bool ok = db::LoaderBinary::isBinaryFile(stream) ? db::LoaderBinary(stream).load(*database)
                                                           : db::LoaderXML(stream).load(*database);
    EXPECT_TRUE(ok);
    database->clearUndoHistory();
    return database;
}

struct Merged
{
    std::string bytes;
    std::vector<db::MergeConflict> conflicts;
};

Merged merge(const std::string& base, const std::string& ours, const std::string& theirs)
{
    auto b = load(base);
    auto o = load(ours);
    auto t = load(theirs);
    db::DatabaseMerge merger;
    merger.merge(*b, *o, *t);
    return {saveText(*o), merger.getConflicts()};
}

/// Equal documents, or the first line where they part.
::testing::AssertionResult sameDocument(const std::string& a, const std::string& b)
{
    if (a == b)
        return ::testing::AssertionSuccess();
    std::size_t line = 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()) && a[i] == b[i]; ++i)
        if (a[i] == '\n')
        {
            ++line;
            start = i + 1;
        }
    return ::testing::AssertionFailure() << "line " << line << ":\n"
                                         << a.substr(start, a.find('\n', start) - start) << "\n"
                                         << b.substr(start, b.find('\n', start) - start);
}

std::vector<db::Node*> nodesOf(const db::Node& root)
{
    std::vector<db::Node*> all;
    for (db::Node* child : root.getChildNodes())
    {
        all.push_back(child);
        for (db::Node* below : nodesOf(*child))
            all.push_back(below);
    }
    return all;
}

db::Node* find(db::Database& database, const std::wstring& path)
{
    db::Attribute* found = database.attributeFromDatabasePath(path);
    return found ? found->asNode() : nullptr;
}

// ---------------------------------------------------------------------------
// Random edit scripts
// ---------------------------------------------------------------------------

/// One random edit of the kinds users make: values, nodes added, removed,
/// renamed, moved and reordered, pointers retargeted, array elements.
void randomEdit(db::Database& database, std::mt19937& random, const std::wstring& tag)
{
    std::vector<db::Node*> nodes = nodesOf(database);
    auto pick = [&](const std::vector<db::Node*>& from)
    { return from.empty() ? nullptr : from[random() % from.size()]; };
    auto ofType = [&](const wchar_t* type)
    {
        std::vector<db::Node*> found;
        for (db::Node* node : nodes)
            if (node->getClassID() == type)
                found.push_back(node);
        return found;
    };
    db::Node* node = pick(nodes);
    db::Node* group = pick(ofType(L"Group"));
    db::Node* mesh = pick(ofType(L"Mesh"));
    const bool topLevel = node->getParentNode() == &database;
    switch (random() % 8)
    {
    case 0:
        if (auto* shininess = mesh ? nullptr : node->findAttribute(L"shininess"))
            shininess->asFloatAttribute()->setValue(static_cast<float>(random() % 100));
        else if (auto* visible = node->findAttribute(L"visible"))
            visible->asBoolAttribute()->setValue(!visible->asBoolAttribute()->getValue());
        break;
    case 1:
        if (group)
            group->findAttribute(L"children")
                ->asNodeContainer()
                ->insert(static_cast<unsigned int>(random() % (group->findAttribute(L"children")->getSize() + 1)),
                         db::makeNode(random() % 2 ? L"Group" : L"Light", L"New" + tag));
        break;
    case 2:
        if (!topLevel)
            node->remove();
        break;
    case 3:
        node->setName(L"Renamed" + tag);
        break;
    case 4:
        if (group && !topLevel && group != node && !group->isDescendantOf(node) &&
            node->getNodeDef().isKindOf(database.getTypeRegistry().findNodeDef(L"SceneObject")))
            group->findAttribute(L"children")->asNodeContainer()->add(node);
        break;
    case 5:
        if (!topLevel)
            node->getParentAttribute()->insertAttribute(
                static_cast<unsigned int>(random() % node->getParentAttribute()->getAttributeCount()), node);
        break;
    case 6:
        if (mesh)
            mesh->findAttribute(L"material")->asPointerAttribute()->setValue(pick(ofType(L"Material")));
        break;
    default:
        if (mesh)
        {
            auto* indices = mesh->findAttribute(L"indices")->asIntArrayAttribute();
            if (random() % 2 && indices->getSize() > 0)
                indices->removeElement(static_cast<unsigned int>(random() % indices->getSize()));
            else
                indices->insert(static_cast<unsigned int>(random() % (indices->getSize() + 1)),
                                static_cast<int>(random() % 9));
        }
    }
}

std::string edited(const std::string& base, std::mt19937& random, const std::wstring& side)
{
    auto database = load(base);
    const int edits = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < edits; ++i)
        randomEdit(*database, random, side + std::to_wstring(i));
    // Removed nodes die here, and pointers to them become null, as when a document is reopened.
    database->clearUndoHistory();
    return saveText(*database);
}

/// The names of every node: in the generated scenes and the edits, names are unique.
std::multiset<std::wstring> namesIn(const std::string& bytes)
{
    std::multiset<std::wstring> names;
    auto database = load(bytes);
    for (db::Node* node : nodesOf(*database))
        names.insert(node->getName());
    return names;
}

void expectPointersResolve(db::Database& database)
{
    struct Check : db::Visitor
    {
        explicit Check(db::Database& d) : db::Visitor(VisitAttributes), database(d) {}
        bool visitAttributeEnter(db::Attribute* attribute) override
        {
            if (db::PointerAttribute* pointer = attribute->asPointerAttribute())
            {
                EXPECT_TRUE(!pointer->getValue() || pointer->getValue()->getDatabase() == &database);
            }
            return true;
        }
        db::Database& database;
    } check(database);
    database.accept(&check);
}

TEST(MergeProperties, RandomEditScriptsMergeByTheRules)
{
    for (unsigned int seed = 1; seed <= 40; ++seed)
    {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        db::Database scene(L"Scene");
        ASSERT_TRUE(nodedb_tool::generateScene(scene, 20 + seed % 15, seed));
        const std::string base = saveText(scene);
        const std::string x = edited(base, random, L"X");
        const std::string y = edited(base, random, L"Y");

        EXPECT_TRUE(sameDocument(merge(base, x, x).bytes, x));
        EXPECT_TRUE(sameDocument(merge(base, base, x).bytes, x));
        EXPECT_TRUE(sameDocument(merge(base, x, base).bytes, x));

        const Merged xy = merge(base, x, y);
        const Merged yx = merge(base, y, x);
        std::multiset<std::wstring> names = namesIn(xy.bytes);
        EXPECT_EQ(std::set<std::wstring>(names.begin(), names.end()).size(), names.size()) << "a node twice";
        if (xy.conflicts.empty())
        {
            EXPECT_TRUE(yx.conflicts.empty());
            EXPECT_TRUE(sameDocument(xy.bytes, yx.bytes));
            // Every node either side kept is there, under its newest name.
            std::multiset<std::wstring> expected;
            const auto b = namesIn(base), bx = namesIn(x), by = namesIn(y);
            for (const auto* side : {&bx, &by})
                for (const std::wstring& name : *side)
                    if ((b.count(name) == 0 || (bx.count(name) && by.count(name))) && !expected.count(name))
                        expected.insert(name);
            EXPECT_EQ(names, expected);
        }
        else
            EXPECT_EQ(xy.conflicts.size(), yx.conflicts.size());

        auto result = load(xy.bytes);
        expectPointersResolve(*result);
        EXPECT_TRUE(sameDocument(saveText(*result), xy.bytes));
        EXPECT_EQ(saveText(*load(saveText(*result, true)), true), saveText(*result, true));
        EXPECT_EQ(db::MergeConflicts::read(*result), xy.conflicts);
    }
}

// ---------------------------------------------------------------------------
// The cases that break line-based merges
// ---------------------------------------------------------------------------

/// Library: Steel, Oak. World: Crate (-> Steel, indices 1 2 3), Wall, Lamp; Shed (a group).
std::string smallScene()
{
    db::Database database(L"Scene");
    db::Node* library = db::makeNode(L"MaterialLibrary", L"Library");
    database.getRootContainer().add(library);
    for (const wchar_t* name : {L"Steel", L"Oak"})
        library->findAttribute(L"materials")->asNodeContainer()->add(db::makeNode(L"Material", name));
    db::Node* world = db::makeNode(L"Group", L"World");
    database.getRootContainer().add(world);
    for (auto [type, name] :
         {std::pair{L"Mesh", L"Crate"}, {L"Mesh", L"Wall"}, {L"Light", L"Lamp"}, {L"Group", L"Shed"}})
        world->findAttribute(L"children")->asNodeContainer()->add(db::makeNode(type, name));
    db::Node* crate = find(database, L"/World/Crate");
    crate->findAttribute(L"material")->asPointerAttribute()->setValue(find(database, L"/Library/Steel"));
    crate->findAttribute(L"indices")->asIntArrayAttribute()->setValues({1, 2, 3});
    return saveText(database);
}

void setFloat(db::Database& d, const wchar_t* path, float value)
{
    d.attributeFromDatabasePath(path)->asFloatAttribute()->setValue(value);
}

void addChild(db::Database& d, const wchar_t* parent, const wchar_t* type, const wchar_t* name)
{
    find(d, parent)->findAttribute(L"children")->asNodeContainer()->add(db::makeNode(type, name));
}

void moveInto(db::Database& d, const wchar_t* node, const wchar_t* parent)
{
    find(d, parent)->findAttribute(L"children")->asNodeContainer()->add(find(d, node));
}

void toFront(db::Database& d, const wchar_t* node)
{
    find(d, node)->getParentAttribute()->insertAttribute(0, find(d, node));
}

/// Resolving the first conflict to their side is one undo step that `expected` checks, or, without
/// `expected`, is refused with a reason and changes nothing.
void expectTheirSideApplies(db::Database& merged, const std::function<void(db::Database&)>& expected)
{
    const auto theirs = db::MergeConflicts::Side::Theirs;
    const std::string before = saveText(merged);
    std::wstring why;
    EXPECT_EQ(db::MergeConflicts::canResolve(merged, 0, theirs, why), expected != nullptr) << why;
    EXPECT_EQ(db::MergeConflicts::resolve(merged, 0, theirs, why), expected != nullptr);
    if (!expected)
    {
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(saveText(merged), before);
        return;
    }
    expected(merged);
    EXPECT_TRUE(merged.undo());
    EXPECT_EQ(saveText(merged), before);
}

TEST(MergeCases, HardCasesMergeOrConflictAsUsersExpect)
{
    struct Case
    {
        const char* name;
        Edit ours;
        Edit theirs;
        std::vector<std::wstring> conflicts; // kinds, in order
        std::function<void(db::Database&)> check;
        // The document once the first conflict is resolved to their side; none when it cannot be.
        std::function<void(db::Database&)> afterTheirs = nullptr;
    };
    auto intensity = [](db::Database& d)
    { return d.attributeFromDatabasePath(L"/World/Lamp.intensity")->asFloatAttribute()->getValue(); };
    const Case cases[] = {
        {"both add the same child",
         [](auto& d) { addChild(d, L"/World/Shed", L"Light", L"Bulb"); },
         [](auto& d) { addChild(d, L"/World/Shed", L"Light", L"Bulb"); },
         {},
         [](auto& d) { EXPECT_EQ(find(d, L"/World/Shed")->getChildNodes().size(), 1u); }},
        {"both add a like-named child with other contents",
         [](auto& d) { addChild(d, L"/World/Shed", L"Light", L"Bulb"); },
         [](auto& d) { addChild(d, L"/World/Shed", L"Group", L"Bulb"); },
         {L"both added"},
         [](auto& d) { EXPECT_EQ(find(d, L"/World/Shed/Bulb")->getClassID(), L"Light"); }},
        {"both append to one array",
         [](auto& d) { d.attributeFromDatabasePath(L"/World/Crate.indices")->asIntArrayAttribute()->add(7); },
         [](auto& d) { d.attributeFromDatabasePath(L"/World/Crate.indices")->asIntArrayAttribute()->add(4); },
         {},
         [](auto& d)
         {
             EXPECT_EQ(d.attributeFromDatabasePath(L"/World/Crate.indices")->asIntArrayAttribute()->getValues(),
                       (std::vector<int>{1, 2, 3, 4, 7}));
         }},
        {"rename on one side, edit on the other",
         [](auto& d) { find(d, L"/World/Lamp")->setName(L"Torch"); },
         [](auto& d) { setFloat(d, L"/World/Lamp.intensity", 5); },
         {},
         [](auto& d)
         { EXPECT_EQ(d.attributeFromDatabasePath(L"/World/Torch.intensity")->asFloatAttribute()->getValue(), 5); }},
        {"move on one side, edit on the other",
         [](auto& d) { moveInto(d, L"/World/Lamp", L"/World/Shed"); },
         [](auto& d) { setFloat(d, L"/World/Lamp.intensity", 5); },
         {},
         [](auto& d)
         { EXPECT_EQ(d.attributeFromDatabasePath(L"/World/Shed/Lamp.intensity")->asFloatAttribute()->getValue(), 5); }},
        {"pointer follows a rename",
         [](auto& d) { find(d, L"/Library/Steel")->setName(L"Iron"); },
         [](auto& d) {
             find(d, L"/World/Wall")
                 ->findAttribute(L"material")
                 ->asPointerAttribute()
                 ->setValue(find(d, L"/Library/Steel"));
         },
         {},
         [](auto& d)
         {
             EXPECT_EQ(find(d, L"/World/Wall")->findAttribute(L"material")->asPointerAttribute()->getValue(),
                       find(d, L"/Library/Iron"));
         }},
        {"delete a node the other side points at",
         [](auto& d) {
             find(d, L"/World/Wall")
                 ->findAttribute(L"material")
                 ->asPointerAttribute()
                 ->setValue(find(d, L"/Library/Oak"));
         },
         [](auto& d) { find(d, L"/Library/Oak")->remove(); },
         {L"removed/pointed at"},
         [](auto& d) { EXPECT_NE(find(d, L"/Library/Oak"), nullptr); },
         [](auto& d) { EXPECT_EQ(find(d, L"/Library/Oak"), nullptr); }},
        {"point at a node the other side deleted",
         [](auto& d) { find(d, L"/Library/Oak")->remove(); },
         [](auto& d) {
             find(d, L"/World/Wall")
                 ->findAttribute(L"material")
                 ->asPointerAttribute()
                 ->setValue(find(d, L"/Library/Oak"));
         },
         {L"pointer to removed"},
         [](auto& d) { EXPECT_EQ(find(d, L"/Library/Oak"), nullptr); }},
        {"reorder different siblings on both sides",
         [](auto& d) { toFront(d, L"/World/Lamp"); },
         [](auto& d) { toFront(d, L"/World/Shed"); },
         {},
         [](auto& d)
         {
             const auto children = find(d, L"/World")->getChildNodes();
             EXPECT_EQ(children.back()->getName(), L"Wall");
             EXPECT_EQ(children.size(), 4u);
         }},
        {"reorder one sibling two ways",
         [](auto& d) { toFront(d, L"/World/Lamp"); },
         [](auto& d)
         { find(d, L"/World")->findAttribute(L"children")->asNodeContainer()->insert(1, find(d, L"/World/Lamp")); },
         {L"order"},
         [](auto& d) { EXPECT_EQ(find(d, L"/World")->getChildNodes()[0]->getName(), L"Lamp"); }},
        {"same value changed two ways",
         [](auto& d) { setFloat(d, L"/World/Lamp.intensity", 2); },
         [](auto& d) { setFloat(d, L"/World/Lamp.intensity", 3); },
         {L"value"},
         [intensity](auto& d) { EXPECT_EQ(intensity(d), 2); },
         [intensity](auto& d) { EXPECT_EQ(intensity(d), 3); }},
        {"delete against edit",
         [](auto& d) { find(d, L"/World/Lamp")->remove(); },
         [](auto& d) { setFloat(d, L"/World/Lamp.intensity", 3); },
         {L"removed/changed"},
         [](auto& d) { EXPECT_EQ(find(d, L"/World/Lamp"), nullptr); }},
        {"move into a subtree the other side removed",
         [](auto& d) { find(d, L"/World/Shed")->remove(); },
         [](auto& d) { moveInto(d, L"/World/Lamp", L"/World/Shed"); },
         {L"move into removed"},
         [](auto& d) { EXPECT_NE(find(d, L"/World/Lamp"), nullptr); }},
        {"moves that make a cycle",
         [](auto& d) { moveInto(d, L"/World/Lamp", L"/World/Shed"); },
         [](auto& d) { moveInto(d, L"/World/Shed", L"/World/Lamp"); },
         {L"move cycle"},
         [](auto& d) { EXPECT_NE(find(d, L"/World/Shed/Lamp"), nullptr); }},
        {"an attribute added to the root on one side",
         [](auto&) {},
         [](auto& d) { d.addDynamicString(L"note", L"hi"); },
         {},
         [](auto& d) { EXPECT_NE(d.findAttribute(L"note"), nullptr); }},
        {"one element changed two ways",
         [](auto& d) { d.attributeFromDatabasePath(L"/World/Crate.indices")->asIntArrayAttribute()->setElement(0, 8); },
         [](auto& d) { d.attributeFromDatabasePath(L"/World/Crate.indices")->asIntArrayAttribute()->setElement(0, 9); },
         {L"element"},
         [](auto& d)
         { EXPECT_EQ(d.attributeFromDatabasePath(L"/World/Crate.indices")->asIntArrayAttribute()->getElement(0), 8); },
         [](auto& d)
         {
             EXPECT_EQ(d.attributeFromDatabasePath(L"/World/Crate.indices")->asIntArrayAttribute()->getValues(),
                       (std::vector<int>{9, 2, 3}));
         }},
        {"moved to two places",
         [](auto& d) { moveInto(d, L"/World/Lamp", L"/World/Shed"); },
         [](auto& d) { d.getRootContainer().add(find(d, L"/World/Lamp")); },
         {L"move"},
         [](auto& d) { EXPECT_NE(find(d, L"/World/Shed/Lamp"), nullptr); },
         [](auto& d) { EXPECT_NE(find(d, L"/Lamp"), nullptr); }},
        {"both add one list two ways",
         [](auto& d) { d.addDynamicStringArray(L"tags", L"")->setValues({L"a"}); },
         [](auto& d) {
             d.addDynamicStringArray(L"tags", L"")->setValues({L"b \"q\", r", L""});
         },
         {L"both added"},
         [](auto& d) { EXPECT_EQ(d.findAttribute(L"tags")->asStringArrayAttribute()->getValues().size(), 1u); },
         [](auto& d)
         {
             EXPECT_EQ(d.findAttribute(L"tags")->asStringArrayAttribute()->getValues(),
                       (std::vector<std::wstring>{L"b \"q\", r", L""}));
         }},
        {"renamed two ways",
         [](auto& d) { find(d, L"/World/Lamp")->setName(L"A"); },
         [](auto& d) { find(d, L"/World/Lamp")->setName(L"B"); },
         {L"rename"},
         [](auto& d) { EXPECT_NE(find(d, L"/World/A"), nullptr); },
         [](auto& d) { EXPECT_NE(find(d, L"/World/B"), nullptr); }},
    };
    const std::string base = smallScene();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        auto ours = load(base);
        auto theirs = load(base);
        c.ours(*ours);
        c.theirs(*theirs);
        db::DatabaseMerge merger;
        merger.merge(*load(base), *ours, *theirs);
        std::vector<std::wstring> kinds;
        for (const db::MergeConflict& conflict : merger.getConflicts())
            kinds.push_back(conflict.what);
        EXPECT_EQ(kinds, c.conflicts);
        c.check(*ours);
        EXPECT_EQ(saveText(*load(saveText(*ours))), saveText(*ours));
        if (!c.conflicts.empty())
            expectTheirSideApplies(*ours, c.afterTheirs);
    }
}

TEST(MergeCases, ConflictRecordsSurviveSavingAndGoWhenResolved)
{
    const std::string base = smallScene();
    auto ours = load(base);
    auto theirs = load(base);
    setFloat(*ours, L"/World/Lamp.intensity", 2);
    setFloat(*theirs, L"/World/Lamp.intensity", 3);
    find(*ours, L"/World/Wall")->setName(L"Wall\tA");
    find(*theirs, L"/World/Wall")->setName(L"Wall\nB");
    db::DatabaseMerge merger;
    EXPECT_FALSE(merger.merge(*load(base), *ours, *theirs));
    db::DatabaseMerge again;
    EXPECT_TRUE(again.merge(*load(base), *ours, *load(base)));
    EXPECT_EQ(db::MergeConflicts::read(*ours), merger.getConflicts()) << "a later merge keeps the records";
    for (bool binary : {false, true})
    {
        auto reloaded = load(saveText(*ours, binary));
        EXPECT_EQ(db::MergeConflicts::read(*reloaded), merger.getConflicts());
        std::wstring why;
        ASSERT_EQ(db::MergeConflicts::read(*reloaded)[0].what, L"rename");
        EXPECT_TRUE(db::MergeConflicts::resolve(*reloaded, 0, db::MergeConflicts::Side::Theirs, why)) << why;
        EXPECT_NE(find(*reloaded, L"/World")->findChildNode(L"Wall\nB"), nullptr);
        EXPECT_TRUE(db::MergeConflicts::resolve(*reloaded, 0, db::MergeConflicts::Side::Theirs, why)) << why;
        EXPECT_EQ(reloaded->attributeFromDatabasePath(L"/World/Lamp.intensity")->asFloatAttribute()->getValue(), 3);
        EXPECT_EQ(reloaded->findAttribute(db::MergeConflicts::attributeName()), nullptr);
        EXPECT_TRUE(reloaded->undo());
        EXPECT_EQ(db::MergeConflicts::read(*reloaded).size(), 1u);
    }
}

TEST(Diff, ReportsWhatHappenedToEachNode)
{
    const std::string base = smallScene();
    auto older = load(base);
    auto newer = load(base);
    find(*newer, L"/World/Lamp")->setName(L"Torch");
    setFloat(*newer, L"/World/Torch.intensity", 4);
    moveInto(*newer, L"/World/Wall", L"/World/Shed");
    toFront(*newer, L"/World/Shed");
    newer->attributeFromDatabasePath(L"/World/Crate.indices")->asIntArrayAttribute()->setValues({1, 5, 3, 9});
    find(*newer, L"/Library/Oak")->remove();
    addChild(*newer, L"/World", L"Camera", L"Eye");
    newer->addDynamicString(L"note", L"hi");
    db::DatabaseDiff diff;
    diff.compare(*older, *newer);
    std::vector<std::wstring> lines;
    for (const auto& entry : diff.getEntries())
        lines.push_back(db::DatabaseDiff::format(entry));
    const std::vector<std::wstring> expected = {
        L"~ /.note: added = hi",
        L"- /Library/Oak (Material)",
        L"M /World/Shed: reordered to place 0",
        L"M /World/Shed/Wall: moved from /World",
        L"~ /World/Crate.indices[1]: 2 \u2192 5",
        L"~ /World/Crate.indices[3]: inserted 9",
        L"R /World/Torch: renamed from \"Lamp\"",
        L"~ /World/Torch.intensity: 1 \u2192 4",
        L"+ /World/Eye (Camera)",
    };
    EXPECT_EQ(lines, expected);
    diff.compare(*older, *load(base));
    EXPECT_TRUE(diff.isEmpty());
}

} // namespace
