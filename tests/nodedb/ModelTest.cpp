#include "NodeDbTestSupport.h"

#include <db/AttributeArrayDef.h>
#include <db/BoolAttribute.h>
#include <db/ChangeBlock.h>
#include <db/DoubleArrayAttribute.h>
#include <db/EnumAttributeDef.h>
#include <db/FloatArrayAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/NodeContainerDef.h>
#include <db/NodeDef.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/TypeRegistry.h>
#include <db/Vector3Attribute.h>
#include <db/Visitor.h>

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

using namespace nodedbtest;

namespace
{

TEST(NodeModel, EveryAttributeTypeGetsItsClassKindAndDefaultFromTheSchema)
{
    std::unique_ptr<db::Node> node(db::makeNode(L"AllTypes", L"all"));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->getName(), L"all");
    EXPECT_EQ(node->getClassID(), L"AllTypes");

    const struct
    {
        const wchar_t* name;
        db::AttributeType type;
    } expected[] = {
        {L"int", db::Int},
        {L"bool", db::Bool},
        {L"enum", db::Enum},
        {L"float", db::Float},
        {L"double", db::Double},
        {L"string", db::String},
        {L"vector3", db::Vector3},
        {L"matrix34", db::Matrix34},
        {L"pointer", db::Pointer},
        {L"intArray", db::IntArray},
        {L"boolArray", db::BoolArray},
        {L"enumArray", db::EnumArray},
        {L"floatArray", db::FloatArray},
        {L"doubleArray", db::DoubleArray},
        {L"stringArray", db::StringArray},
        {L"vector3Array", db::Vector3Array},
        {L"matrix34Array", db::Matrix34Array},
        {L"pointerArray", db::PointerArray},
        {L"children", db::NodeContainerType},
        {L"entries", db::AttributeArrayType},
        {L"compound", db::Compound},
    };
    for (const auto& row : expected)
    {
        db::Attribute* attribute = node->findAttribute(row.name);
        ASSERT_NE(attribute, nullptr) << row.name;
        EXPECT_EQ(attribute->getAttributeType(), row.type) << row.name;
        EXPECT_EQ(attribute->getParentAttribute(), node.get());
    }
    EXPECT_EQ(node->findAttribute(L"int")->asIntAttribute()->getValue(), 7);
    EXPECT_EQ(node->findAttribute(L"enum")->asEnumAttribute()->getValueAsString(), L"Green");
    EXPECT_FLOAT_EQ(node->findAttribute(L"float")->asFloatAttribute()->getValue(), 0.5f);
    EXPECT_EQ(node->findAttribute(L"string")->asStringAttribute()->getValue(), L"text");
    EXPECT_EQ(node->findAttribute(L"vector3")->asVector3Attribute()->getValue(), OrkP::Vector3(1, 2, 3));
    EXPECT_EQ(node->findAttribute(L"script")->getDef().getUnits(), 1);
    EXPECT_EQ(node->findAttribute(L"nothing"), nullptr);

    // Typed views answer only for their own type; kind queries tell containers, arrays and compounds apart.
    EXPECT_EQ(node->findAttribute(L"int")->asFloatAttribute(), nullptr);
    EXPECT_NE(node->findAttribute(L"floatArray")->asArrayAttribute(), nullptr);
    EXPECT_EQ(node->findAttribute(L"children")->asArrayAttribute(), nullptr);
    db::Attribute* container = node->findAttribute(L"children");
    db::Attribute* entries = node->findAttribute(L"entries");
    db::Attribute* compound = node->findAttribute(L"compound");
    db::Attribute* floats = node->findAttribute(L"floatArray");
    db::Attribute* scalar = node->findAttribute(L"float");

    EXPECT_TRUE(container->isNodeContainer() && container->isArray() && container->isComposite());
    EXPECT_TRUE(entries->isAttributeArray() && entries->isArray() && !entries->isCompound());
    EXPECT_TRUE(compound->isCompound() && !compound->isArray());
    EXPECT_TRUE(floats->isArray() && !floats->isComposite());
    EXPECT_FALSE(scalar->isArray() || scalar->isComposite() || scalar->isNode());
    EXPECT_TRUE(node->isNode());
}

TEST(NodeModel, ValuesAreClampedToTheirLimitsNaNPassesAndEnumsTakeOnlyTheirNames)
{
    std::unique_ptr<db::Node> node(db::makeNode(L"AllTypes", L"all"));
    auto* i = node->findAttribute(L"int")->asIntAttribute();
    i->setValue(5000);
    EXPECT_EQ(i->getValue(), 1000);
    i->setValue(INT_MIN);
    EXPECT_EQ(i->getValue(), -1000);

    auto* f = node->findAttribute(L"float")->asFloatAttribute();
    f->setValue(-1e30f);
    EXPECT_EQ(f->getValue(), -1000.0f);
    f->setValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(f->getValue()));

    auto* ints = node->findAttribute(L"intArray")->asIntArrayAttribute();
    ints->add(INT_MAX);
    ints->add(INT_MIN);
    EXPECT_EQ(ints->getValues(), (std::vector<int>{INT_MAX, INT_MIN}));
    EXPECT_FALSE(ints->setElement(5, 1));
    EXPECT_FALSE(ints->insert(3, 1));

    // Enum names map to values; unknown text changes nothing.
    auto* e = node->findAttribute(L"enum")->asEnumAttribute();
    EXPECT_EQ(e->getEnumDef().getStringCount(), 3u);
    EXPECT_TRUE(e->setValueAsString(L"Blue"));
    EXPECT_EQ(e->getValue(), 2);
    EXPECT_FALSE(e->setValueAsString(L"Purple"));
    EXPECT_EQ(e->getValue(), 2);
    e->setValue(42);
    EXPECT_EQ(e->getValueAsString(), L"");
}

TEST(NodeModel, HasSameValueComparesDeeplyAndExactly)
{
    std::unique_ptr<db::Node> a(db::makeNode(L"AllTypes", L"a"));
    std::unique_ptr<db::Node> b(db::makeNode(L"AllTypes", L"b"));
    EXPECT_TRUE(a->findAttribute(L"entries")->hasSameValue(*b->findAttribute(L"entries")));
    a->findAttribute(L"entries")->asAttributeArray()->add(false);
    EXPECT_FALSE(a->findAttribute(L"entries")->hasSameValue(*b->findAttribute(L"entries")));
    b->findAttribute(L"entries")->asAttributeArray()->add(false);
    EXPECT_TRUE(a->findAttribute(L"entries")->hasSameValue(*b->findAttribute(L"entries")));

    auto* fa = a->findAttribute(L"float")->asFloatAttribute();
    auto* fb = b->findAttribute(L"float")->asFloatAttribute();
    fa->setValue(std::numeric_limits<float>::quiet_NaN());
    fb->setValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_FALSE(fa->hasSameValue(*fb));
    EXPECT_FALSE(fa->hasSameValue(*a->findAttribute(L"double")));

    a->findAttribute(L"compound")->asCompositeAttribute()->findAttribute(L"width")->asFloatAttribute()->setValue(3);
    EXPECT_FALSE(a->findAttribute(L"compound")->hasSameValue(*b->findAttribute(L"compound")));
}

TEST(NodeModel, DynamicAttributesFollowTheSchemaAndGetUniqueNames)
{
    db::Database database;
    db::Node* node = addNode(database, L"Group", L"g");
    auto* first = node->addDynamicInt(L"DynamicInt", 0, INT_MIN, INT_MAX);
    auto* second = node->addDynamicInt(L"DynamicInt", 3, 0, 10);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->getName(), L"DynamicInt");
    EXPECT_EQ(second->getName(), L"DynamicInt2");
    EXPECT_EQ(second->getValue(), 3);
    EXPECT_TRUE(second->isDynamic());
    EXPECT_EQ(node->findAttribute(L"DynamicInt2"), second);
    EXPECT_EQ(node->getDynamicAttributeCount(), 2u);
    EXPECT_EQ(node->getAttribute(node->getAttributeCount() - 1), second);

    auto* floats = node->addDynamicDoubleArray(L"DynamicDoubleArray", 0.0, -DBL_MAX, DBL_MAX);
    ASSERT_NE(floats, nullptr);
    EXPECT_EQ(floats->getSize(), 0u);
    floats->addDefault();
    EXPECT_EQ(floats->getValues(), std::vector<double>{0.0});
    auto* matrices = node->addDynamicMatrix34Array(L"DynamicMatrix34Array", OrkP::Matrix34());
    matrices->addDefault();
    EXPECT_EQ(matrices->getElement(0), OrkP::Matrix34::identity());

    // Schema members cannot be removed; dynamic ones can, with their undo.
    EXPECT_FALSE(node->findAttribute(L"layer")->remove());
    EXPECT_TRUE(first->remove());
    EXPECT_EQ(node->findAttribute(L"DynamicInt"), nullptr);
    database.undo();
    EXPECT_EQ(node->findAttribute(L"DynamicInt"), first);
}

TEST(NodeModel, ContainersAcceptOnlyTheirNodeTypes)
{
    db::Database database;
    db::Node* library = addNode(database, L"MaterialLibrary", L"lib");
    auto* materials = library->findAttribute(L"materials")->asNodeContainer();
    std::unique_ptr<db::Node> light(db::makeNode(L"Light", L""));
    EXPECT_EQ(light->getName(), L"Light");
    EXPECT_FALSE(materials->add(light.get()));
    EXPECT_TRUE(light->isDetached());
    db::Node* material = db::makeNode(L"Material", L"m");
    EXPECT_TRUE(materials->add(material));
    EXPECT_EQ(material->getParentNode(), library);
    EXPECT_EQ(material->getDatabase(), &database);

    // A node cannot go below itself.
    db::Node* group = addNode(database, L"Group", L"g");
    db::Node* inner = addNode(database, L"Group", L"inner", group);
    EXPECT_FALSE(inner->findAttribute(L"children")->asNodeContainer()->add(group));
    EXPECT_EQ(group->getParentNode(), &database);

    std::vector<db::NodeDef*> types;
    db::getCreatableTypes(materials->getContainerDef().getContainedDef(), types);
    ASSERT_EQ(types.size(), 1u);
    EXPECT_EQ(types[0]->getName(), L"Material");
    db::getCreatableTypes(database.getTypeRegistry().findNodeDef(L"SceneObject"), types);
    std::vector<std::wstring> names;
    for (db::NodeDef* def : types)
        names.push_back(def->getName());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Camera", L"Group", L"Light", L"Mesh"}));
    EXPECT_EQ(db::makeNode(100, L"abstract"), nullptr);
    EXPECT_EQ(db::makeNode(99999, L"unknown"), nullptr);
}

TEST(NodeModel, DescendantQueriesFollowRemovals)
{
    db::Database database;
    db::Node* library = addNode(database, L"MaterialLibrary", L"lib");
    db::Node* m2 = db::makeNode(L"Material", L"m2");
    library->findAttribute(L"materials")->asNodeContainer()->add(m2);

    db::Attribute* diffuse = m2->findAttribute(L"diffuse");
    EXPECT_TRUE(diffuse->isDescendantOf(library));
    EXPECT_FALSE(library->isDescendantOf(diffuse));
    EXPECT_FALSE(library->isDescendantOf(library));

    auto* entries = m2->findAttribute(L"layers")->asAttributeArray();
    entries->add(false);
    db::CompositeAttribute* middle = entries->add(false);
    entries->add(false);
    EXPECT_TRUE(entries->removeAttribute(middle));
    EXPECT_EQ(entries->getOldAttributeIndex(middle), 1);
    EXPECT_EQ(middle->getParentAttribute(), entries);
    EXPECT_FALSE(middle->isDescendantOf(library));
    EXPECT_TRUE(middle->wasDescendantOf(library));
    EXPECT_EQ(middle->getDatabase(), nullptr);
    EXPECT_EQ(entries->getElement(1)->getIndex(), 1u);
}

TEST(NodeModel, IndicesStayRightThroughManyEditsOfABigContainer)
{
    // Later siblings' indices are corrected lazily; check every one after
    // edits near the front, runs of removals and undo, and a shift so large
    // that the nearby search gives up and renumbers.
    db::Database database;
    db::NodeContainer& root = database.getRootContainer();
    std::vector<db::Node*> nodes;
    for (int i = 0; i < 6000; ++i)
    {
        nodes.push_back(db::makeNode(L"Group", L"g" + std::to_wstring(i)));
        root.add(nodes.back());
    }
    auto expectIndicesRight = [&root]
    {
        for (unsigned int i = 0; i < root.getNodeCount(); ++i)
            ASSERT_EQ(root.getNode(i)->getIndex(), i);
        for (unsigned int i = 0; i + 1 < root.getNodeCount(); ++i)
            ASSERT_EQ(root.getNode(i)->getNext(), root.getNode(i + 1));
    };

    {
        db::ChangeBlock block(database, L"Remove a run");
        for (int i = 10; i < 1010; ++i)
            nodes[i]->remove();
    }
    EXPECT_EQ(nodes[1010]->getPrevious(), nodes[9]);
    EXPECT_EQ(nodes[500]->getIndex(), 10u) << "a removed node tells where it was when it went";
    expectIndicesRight();

    database.undo();
    EXPECT_EQ(root.getNodeCount(), 6000u);
    expectIndicesRight();

    for (int i = 0; i < 5000; ++i)
        root.insert(0, db::makeNode(L"Group", L"front" + std::to_wstring(i)));
    EXPECT_EQ(nodes[5999]->getIndex(), 10999u);
    EXPECT_EQ(nodes[0]->getPrevious()->getName(), L"front0");
    expectIndicesRight();
}

// That copies are deep and point inside themselves is the random edit test's,
// which copies nodes and reads them back; here how they are named.
TEST(NodeModel, CopiesAreDetachedAndNamedAfterTheirOriginals)
{
    db::Database database;
    db::Node* group = addNode(database, L"Group", L"Group");
    addNode(database, L"Group", L"Group1");
    std::unique_ptr<db::Node> copy(group->makeCopy(db::EmptyString()));
    EXPECT_EQ(copy->getName(), L"Group2");
    EXPECT_TRUE(copy->isDetached());
    EXPECT_EQ(std::unique_ptr<db::Node>(group->makeCopy(L"named"))->getName(), L"named");
}

TEST(NodeModel, NamesNumberedInARowAreTheLowestFreeAsIfEachWereAskedAfresh)
{
    // Taken names, then names to number one after the other; each result is taken from then on.
    const struct
    {
        std::vector<std::wstring> taken;
        std::vector<std::wstring> asked;
    } cases[] = {
        {{L"Lamp1", L"Lamp2"}, {L"Lamp", L"Lamp1", L"Lamp7", L"Lamp"}},
        {{L"a", L"a1", L"a3", L"b2"}, {L"a", L"b", L"a3", L"a", L"b2", L"b"}},
        {{}, {L"", L"", L"9", L"x9", L"x"}},
    };
    for (const auto& c : cases)
    {
        std::unordered_set<std::wstring> afresh(c.taken.begin(), c.taken.end());
        db::Node::TakenNames inARow{afresh, {}};
        for (const std::wstring& name : c.asked)
        {
            const std::wstring expected = db::Node::numberedName(name, afresh);
            EXPECT_EQ(db::Node::numberedName(name, inARow), expected) << "numbering \"" << name << "\"";
            afresh.insert(expected);
            inARow.names.insert(expected);
        }
    }
}

TEST(NodeModel, PointersForgetTargetsThatAreDestroyedForGood)
{
    db::Database database;
    db::Node* camera = addNode(database, L"Camera", L"cam");
    db::Node* script = addNode(database, L"Script", L"s");
    {
        std::unique_ptr<db::Node> loose(db::makeNode(L"Mesh", L"loose"));
        camera->findAttribute(L"target")->asPointerAttribute()->setValue(loose.get());
        script->findAttribute(L"targets")->asPointerArrayAttribute()->add(loose.get());
        script->findAttribute(L"targets")->asPointerArrayAttribute()->add(camera);
    }
    EXPECT_EQ(camera->findAttribute(L"target")->asPointerAttribute()->getValue(), nullptr);
    EXPECT_EQ(script->findAttribute(L"targets")->asPointerArrayAttribute()->getValues(),
              (std::vector<db::Attribute*>{nullptr, camera}));
}

class CountingVisitor : public db::Visitor
{
public:
    using db::Visitor::Visitor;
    bool visitNodeEnter(db::Node* node) override
    {
        order.push_back(L"+" + node->getName());
        if (node->getName() == skip)
            skipChildren(true);
        return true;
    }
    bool visitNodeExit(db::Node* node) override
    {
        order.push_back(L"-" + node->getName());
        return true;
    }
    bool visitAttributeEnter(db::Attribute*) override
    {
        ++attributes;
        return true;
    }
    std::vector<std::wstring> order;
    std::wstring skip;
    int attributes = 0;
};

// Walks read ahead of the node they visit: long runs of siblings, nodes with
// two containers among them, and a visitor that removes siblings still to come.
TEST(NodeModel, WalksCanSkipAndSeeRemovals)
{
    db::Database database(L"db");
    db::Node* group = addNode(database, L"Group", L"g");
    for (int i = 0; i < 40; ++i)
    {
        db::Node* child = addNode(database, i % 5 ? L"Mesh" : L"Group", L"n" + std::to_wstring(i), group);
        if (i % 10 == 0)
            addNode(database, L"Light", L"l" + std::to_wstring(i), child);
    }
    db::Node* library = addNode(database, L"MaterialLibrary", L"lib");
    for (int i = 0; i < 20; ++i)
    {
        const bool material = i % 3 != 0;
        library->findAttribute(material ? L"materials" : L"scripts")
            ->asNodeContainer()
            ->add(db::makeNode(material ? L"Material" : L"Script", L"x" + std::to_wstring(i)));
    }
    addNode(database, L"Group", L"last");

    // The order of a walk is the random edit test's; here what a visitor can do.
    CountingVisitor visitor;
    database.accept(&visitor);
    EXPECT_EQ(visitor.attributes, 0);

    CountingVisitor skipping;
    skipping.skip = L"g";
    database.accept(&skipping);
    EXPECT_EQ(std::vector<std::wstring>(skipping.order.begin(), skipping.order.begin() + 4),
              (std::vector<std::wstring>{L"+db", L"+g", L"-g", L"+lib"}));
    CountingVisitor withAttributes(db::Visitor::VisitAttributes);
    group->accept(&withAttributes);
    EXPECT_GT(withAttributes.attributes, 40);

    struct Pruning : CountingVisitor
    {
        bool visitNodeEnter(db::Node* node) override
        {
            if (node->getName() == L"n20")
                while (node->getNext())
                    node->getNext()->remove();
            return CountingVisitor::visitNodeEnter(node);
        }
    } pruning;
    group->accept(&pruning);
    ASSERT_GE(pruning.order.size(), 2u);
    EXPECT_EQ(pruning.order[pruning.order.size() - 2], L"-n20") << "nothing removed is visited";
    EXPECT_EQ(group->getChildNodes().size(), 21u);
}

} // namespace
