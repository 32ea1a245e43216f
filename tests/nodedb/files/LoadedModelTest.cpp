// What the fast paths of loading must keep: pointers found by name (first of a
// name, occurrences, escapes, attributes), one undo step per load, line numbers
// in messages although the text is parsed in place, and nodes whose members
// share one block with their child list.

#include "FilesTestSupport.h"
#include "NodeDbTestSupport.h"

#include <db/AttributeArray.h>
#include <db/AttributeDef.h>
#include <db/ChildList.h>
#include <db/FloatArrayAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/StringAttribute.h>
#include <db/Vector3Attribute.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace filestest;

namespace
{

db::Node* add(db::Database& database, db::Node* parent, const wchar_t* container, const wchar_t* type,
              const std::wstring& name)
{
    db::Node* node = db::makeNode(type, name, &database.getTypeRegistry());
    db::NodeContainer* target =
        parent ? parent->findAttribute(container)->asNodeContainer() : &database.getRootContainer();
    EXPECT_TRUE(target->add(node));
    return node;
}

db::Attribute* pointee(db::Node* node, const wchar_t* name)
{
    return node->findAttribute(name)->asPointerAttribute()->getValue();
}

/// A scene whose pointers need every way of finding a target by path.
void fillLinked(db::Database& database)
{
    db::Node* library = add(database, nullptr, nullptr, L"MaterialLibrary", L"Library");
    db::Node* steel = add(database, library, L"materials", L"Material", L"Steel");
    db::Node* twinA = add(database, library, L"materials", L"Material", L"Twin");
    db::Node* twinB = add(database, library, L"materials", L"Material", L"Twin");
    db::Node* dotted = add(database, library, L"materials", L"Material", L"dot.ted");
    static_cast<db::Vector3Attribute*>(twinB->findAttribute(L"diffuse"))->setValue(OrkP::Vector3(0.25f, 0.5f, 1));
    db::Node* script = add(database, library, L"scripts", L"Script", L"S");

    db::Node* world = add(database, nullptr, nullptr, L"Group", L"World");
    db::Node* first = add(database, world, L"children", L"Mesh", L"M1");
    db::Node* second = add(database, world, L"children", L"Mesh", L"M2");
    db::Node* camera = add(database, world, L"children", L"Camera", L"C");
    db::Node* every = add(database, nullptr, nullptr, L"AllTypes", L"Every");

    first->findAttribute(L"material")->asPointerAttribute()->setValue(twinA);
    second->findAttribute(L"material")->asPointerAttribute()->setValue(twinB);
    camera->findAttribute(L"target")->asPointerAttribute()->setValue(second);
    script->findAttribute(L"targets")
        ->asPointerArrayAttribute()
        ->setValues({twinB, dotted, steel->findAttribute(L"diffuse"), nullptr, world});
    // Pointers to and from the database's own attributes are placed again after the nodes arrive.
    every->findAttribute(L"pointer")->asPointerAttribute()->setValue(&database.name);
    auto focus = std::make_unique<db::AttributeDef>(L"focus", db::Pointer);
    database.addDynamicAttribute(std::move(focus))->asPointerAttribute()->setValue(camera);
}

} // namespace

// That loaded pointers find their targets (first of a name, numbered,
// escaped, attributes), arrive in one undo step and are edited like any other
// is the random edit test's, which loads copies and reads both files back.
TEST(LoadedPointers, APointerGivenTwiceKeepsTheLastTargetWhichClearsItWhenItGoes)
{
    const std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<nodedb version=\"1\" kind=\"database\">\n"
                             "<node type=\"Database\" name=\"D\"><container name=\"nodes\">\n"
                             "<node type=\"Camera\" name=\"c\"><pointer name=\"target\" local=\"1\">a</pointer>"
                             "<pointer name=\"target\" local=\"1\">b</pointer></node>\n"
                             "<node type=\"Light\" name=\"a\"/><node type=\"Light\" name=\"b\"/>\n"
                             "</container></node>\n</nodedb>\n";
    db::Database database;
    ASSERT_EQ(loadBytes(database, text, Format::Xml), "");
    db::NodeContainer& nodes = database.getRootContainer();
    db::Node* camera = nodes.getNode(0);
    db::Node* b = nodes.getNode(2);
    ASSERT_TRUE(nodes.getNode(1)->remove());
    database.clearUndoHistory();
    EXPECT_EQ(pointee(camera, L"target"), b);
    ASSERT_TRUE(b->remove());
    database.clearUndoHistory();
    EXPECT_EQ(pointee(camera, L"target"), nullptr);
}

TEST(LoadedPointers, SubtreeFilesResolveTheirOwnPathsByNameToo)
{
    ScratchFolder folder;
    db::Database source;
    fillLinked(source);
    db::Node* library = source.getRootContainer().getNode(0);
    const std::string file = folder.file("library.xml");
    ASSERT_TRUE(save(*library, file, Format::Xml));

    db::Database target;
    ASSERT_EQ(load(target, file, Format::Xml), "");
    ASSERT_EQ(load(target, file, Format::Xml), "");
    ASSERT_EQ(target.getRootContainer().getNodeCount(), 2u);
    for (unsigned int i = 0; i < 2; ++i)
    {
        db::Node* copy = target.getRootContainer().getNode(i);
        db::NodeContainer& materials = *copy->findAttribute(L"materials")->asNodeContainer();
        db::Node* script = copy->findAttribute(L"scripts")->asNodeContainer()->getNode(0);
        const auto& targets = script->findAttribute(L"targets")->asPointerArrayAttribute()->getValues();
        EXPECT_EQ(targets[0], materials.getNode(2));
        EXPECT_EQ(targets[1], materials.getNode(3));
        EXPECT_EQ(targets[2], materials.getNode(0)->findAttribute(L"diffuse"));
    }
    EXPECT_EQ(target.getUndoStackSize(), 2u);
}

TEST(LoadedPointers, PathsThatShareTheirFirstStepsStillEachFindTheirOwnTarget)
{
    // Each case: the paths of cameras' targets, in file order, and where each
    // lands; no targets when the load must fail for a path that names nothing.
    struct Case
    {
        std::vector<std::string> paths;
        std::vector<std::wstring> targets;
    };
    const Case cases[] = {
        {{"G/A", "G/AB", "G/A", "G/Sub/L", "G/Sub"}, {L"/G/A", L"/G/AB", L"/G/A", L"/G/Sub/L", L"/G/Sub"}},
        {{"G/Sub/L", "G/Sub/L.kind", "G/Sub/L", "G"}, {L"/G/Sub/L", L"/G/Sub/L.kind", L"/G/Sub/L", L"/G"}},
        {{"G/Sub/L", "G/Sub/"}, {}},
        {{"G/Sub/L", "G/Sub/L/"}, {}},
        {{"G/Sub/L", "G/Sub/Lamp"}, {}},
        {{"G/AB", "G/A/"}, {}},
    };
    for (const Case& test : cases)
    {
        std::string cameras;
        for (std::size_t i = 0; i < test.paths.size(); ++i)
            cameras += "<node type=\"Camera\" name=\"c" + std::to_string(i) +
                       "\"><pointer name=\"target\" local=\"1\">" + test.paths[i] + "</pointer></node>\n";
        const std::string text =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<nodedb version=\"1\" kind=\"database\">\n"
            "<node type=\"Database\" name=\"D\"><container name=\"nodes\">\n"
            "<node type=\"Group\" name=\"G\"><container name=\"children\"><node type=\"Light\" name=\"A\"/>"
            "<node type=\"Light\" name=\"AB\"/><node type=\"Group\" name=\"Sub\"><container name=\"children\">"
            "<node type=\"Light\" name=\"L\"/></container></node></container></node>\n" +
            cameras + "</container></node>\n</nodedb>\n";
        SCOPED_TRACE(text);
        db::Database fromXml;
        const std::string error = loadBytes(fromXml, text, Format::Xml);
        if (test.targets.empty())
        {
            EXPECT_NE(error.find("names nothing"), std::string::npos) << error;
            continue;
        }
        ASSERT_EQ(error, "");
        ScratchFolder folder;
        ASSERT_TRUE(save(fromXml, folder.file("d.dbb"), Format::Binary));
        db::Database fromBinary;
        ASSERT_EQ(load(fromBinary, folder.file("d.dbb"), Format::Binary), "");
        for (db::Database* loaded : {&fromXml, &fromBinary})
            for (std::size_t i = 0; i < test.targets.size(); ++i)
                EXPECT_EQ(pointee(loaded->getRootContainer().getNode(static_cast<unsigned int>(i + 1)), L"target"),
                          loaded->attributeFromDatabasePath(test.targets[i]))
                    << "camera " << i;
    }
}

TEST(LoadedNodes, AreCountedAndReportedParentsFirstInMemberOrderWhateverOrderTheFileGivesThem)
{
    // The library's containers come in the other order than its members.
    const std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<nodedb version=\"1\" kind=\"database\"><node type=\"Database\" name=\"D\">"
                             "<container name=\"nodes\"><node type=\"MaterialLibrary\" name=\"Library\">"
                             "<container name=\"scripts\"><node type=\"Script\" name=\"S\"/></container>"
                             "<container name=\"materials\"><node type=\"Material\" name=\"M\"/>"
                             "<node type=\"Material\" name=\"N\"/></container></node>"
                             "<node type=\"Group\" name=\"G\"><container name=\"children\">"
                             "<node type=\"Light\" name=\"L\"/></container></node>"
                             "</container></node></nodedb>\n";
    ScratchFolder folder;
    db::Database first;
    ASSERT_EQ(loadBytes(first, text, Format::Xml), "");
    ASSERT_TRUE(save(first, folder.file("d.dbb"), Format::Binary));
    ASSERT_TRUE(save(*first.getRootContainer().getNode(0), folder.file("library.xml"), Format::Xml));
    ASSERT_TRUE(save(*first.getRootContainer().getNode(0), folder.file("library.dbb"), Format::Binary));

    const std::pair<std::string, std::string> cases[] = {
        {"XML", text},
        {"binary", readAll(folder.file("d.dbb"))},
        {"XML subtree", readAll(folder.file("library.xml"))},
        {"binary subtree", readAll(folder.file("library.dbb"))},
    };
    for (const auto& [name, bytes] : cases)
    {
        SCOPED_TRACE(name);
        db::Database database;
        db::Node* kept = db::makeNode(L"Light", L"Kept", &database.getTypeRegistry());
        ASSERT_TRUE(database.getRootContainer().add(kept));
        database.clearUndoHistory();
        nodedbtest::RecordingObserver observer(database);
        ASSERT_EQ(loadBytes(database, bytes, name.find("XML") == 0 ? Format::Xml : Format::Binary), "");
        std::vector<db::Node*> expected;
        nodesInOrder(database, expected);
        expected.erase(expected.begin()); // the node that was there before
        ASSERT_EQ(observer.reports.size(), 1u);
        EXPECT_EQ(observer.last().AddedNodes(), expected);
        EXPECT_EQ(expected.size(), name.find("subtree") == std::string::npos ? 6u : 4u);
        EXPECT_TRUE(countedRight(database));
        ASSERT_TRUE(database.undo());
        EXPECT_TRUE(countedRight(database));
        EXPECT_EQ(database.getTotalNodeCount(), 2u);
        ASSERT_TRUE(database.redo());
        EXPECT_TRUE(countedRight(database));
    }
}

TEST(XmlLines, MessagesCountLinesOfTheTextAsWrittenThoughItIsParsedInPlace)
{
    // Carriage returns, a line break inside an attribute value and escapes
    // are all rewritten by the parser before the bad value is found.
    const std::string text = "<?xml version=\"1.0\"?>\r\n"
                             "<nodedb version=\"1\" kind=\"subtree\">\r\n"
                             "<node type=\"Script\" name=\"two\r\nlines &amp; more\">\r\n"
                             "<string name=\"source\">a &lt; b\r\nc &gt; d\r\n\r\n</string>\r\n"
                             "<bool name=\"enabled\">maybe</bool>\r\n"
                             "</node>\r\n</nodedb>\r\n";
    const auto badAt = text.find("<bool");
    const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(badAt), '\n');
    db::Database database;
    const std::string error = loadBytes(database, text, Format::Xml);
    EXPECT_NE(error.find("mem: line " + std::to_string(line) + ":"), std::string::npos) << error;
    EXPECT_NE(error.find("bad bool value"), std::string::npos) << error;
    EXPECT_EQ(database.getRootContainer().getNodeCount(), 0u);

    // A well-formed break after the same kind of text still reports the parser's line.
    const std::string broken = text.substr(0, badAt) + "<bool name=\"enabled\">true</bol>\r\n</node></nodedb>";
    const std::string parseError = loadBytes(database, broken, Format::Xml);
    EXPECT_NE(parseError.find("mem: line " + std::to_string(line) + ":"), std::string::npos) << parseError;
}

TEST(NodeLayout, DynamicAttributesOutgrowTheMembersBlockAndEverythingStaysInPlace)
{
    db::Database database;
    db::Node* light = db::makeNode(L"Light", L"L", &database.getTypeRegistry());
    ASSERT_TRUE(database.getRootContainer().add(light));
    auto* intensity = static_cast<db::FloatAttribute*>(light->findAttribute(L"intensity"));
    intensity->setValue(7.5f);
    const unsigned int members = light->getAttributeCount();

    for (int i = 0; i < 20; ++i)
        ASSERT_NE(light->addDynamicFloat(L"extra" + std::to_wstring(i), float(i), -100, 100), nullptr);
    ASSERT_EQ(light->getAttributeCount(), members + 20);
    ASSERT_TRUE(light->findAttribute(L"extra5")->remove());
    for (unsigned int i = 0; i < light->getAttributeCount(); ++i)
    {
        EXPECT_EQ(light->getAttribute(i)->getIndex(), i);
        EXPECT_EQ(light->getAttribute(i)->getParentAttribute(), light);
    }
    EXPECT_EQ(light->findAttribute(L"intensity"), intensity);
    EXPECT_EQ(intensity->getValue(), 7.5f);
    EXPECT_EQ(light->findAttribute(L"extra5"), nullptr);
    EXPECT_EQ(static_cast<db::FloatAttribute*>(light->findAttribute(L"extra19"))->getValue(), 19.0f);

    // Undo takes the dynamic attributes back out one by one, down to the members.
    while (light->getAttributeCount() > members && database.undo())
    {
    }
    EXPECT_EQ(light->getAttributeCount(), members);
    while (database.redo())
    {
    }
    EXPECT_EQ(light->getAttributeCount(), members + 19);

    std::unique_ptr<db::Node> copy(light->makeCopy(L""));
    ASSERT_EQ(copy->getAttributeCount(), light->getAttributeCount());
    for (unsigned int i = 0; i < copy->getAttributeCount(); ++i)
    {
        EXPECT_EQ(copy->getAttribute(i)->getName(), light->getAttribute(i)->getName());
        EXPECT_TRUE(copy->getAttribute(i)->hasSameValue(*light->getAttribute(i)));
    }
}

TEST(NodeLayout, ChildListsGrowOutOfBorrowedStorageKeepingTheirOrder)
{
    char things[8] = {};
    auto at = [&](int i) { return reinterpret_cast<db::Attribute*>(&things[i]); };
    db::Attribute* storage[2] = {};
    db::detail::ChildList list;
    list.borrow(storage, 2);
    list.push_back(at(1));
    list.push_back(at(3));
    EXPECT_EQ(list.data(), storage);
    list.insert(list.begin(), at(0)); // outgrows the storage
    EXPECT_NE(list.data(), storage);
    list.insert(list.begin() + 2, at(2));
    list.push_back(at(4));
    list.push_back(at(5));
    list.erase(list.begin() + 4);
    const std::vector<db::Attribute*> expected = {at(0), at(1), at(2), at(3), at(5)};
    EXPECT_EQ(std::vector<db::Attribute*>(list.begin(), list.end()), expected);
    list.erase(list.end() - 1);
    list.erase(list.begin());
    EXPECT_EQ(std::vector<db::Attribute*>(list.begin(), list.end()),
              std::vector<db::Attribute*>({at(1), at(2), at(3)}));
    list.clear();
    EXPECT_TRUE(list.empty());
}

TEST(ArrayValues, MovedInValuesAreClampedAndUndoneLikeCopiedOnes)
{
    db::Database database;
    db::Node* script = db::makeNode(L"Script", L"S", &database.getTypeRegistry());
    ASSERT_TRUE(database.getRootContainer().add(script));
    db::FloatArrayAttribute* weights = script->addDynamicFloatArray(L"weights", 0, 0, 1);
    db::IntArrayAttribute* counts = script->addDynamicIntArray(L"counts", 0, -5, 5);
    ASSERT_TRUE(weights && counts);
    const float nan = std::numeric_limits<float>::quiet_NaN();

    std::vector<float> values = {-1, 0.5f, 2, nan};
    weights->setValues(std::move(values));
    ASSERT_EQ(weights->getSize(), 4u);
    EXPECT_EQ(weights->getElement(0), 0.0f);
    EXPECT_EQ(weights->getElement(1), 0.5f);
    EXPECT_EQ(weights->getElement(2), 1.0f);
    EXPECT_TRUE(std::isnan(weights->getElement(3)));
    counts->setValues(std::vector<int>{-100, 3, 100});
    EXPECT_EQ(counts->getValues(), std::vector<int>({-5, 3, 5}));

    ASSERT_TRUE(database.undo());
    EXPECT_EQ(counts->getSize(), 0u);
    ASSERT_TRUE(database.undo());
    EXPECT_EQ(weights->getSize(), 0u);
    ASSERT_TRUE(database.redo());
    EXPECT_EQ(weights->getElement(2), 1.0f);
}
