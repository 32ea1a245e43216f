#include "FilesTestSupport.h"
#include "NodeDbTestSupport.h"

#include <db/ArrayAttribute.h>
#include <db/AttributeArray.h>
#include <db/AttributeDef.h>
#include <db/BoolArrayAttribute.h>
#include <db/BoolAttribute.h>
#include <db/CompoundAttributeDef.h>
#include <db/DoubleArrayAttribute.h>
#include <db/DoubleAttribute.h>
#include <db/EnumArrayAttribute.h>
#include <db/EnumAttribute.h>
#include <db/EnumAttributeDef.h>
#include <db/FloatArrayAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/IntAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/Matrix34Attribute.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/StringAttribute.h>
#include <db/Vector3ArrayAttribute.h>
#include <db/Vector3Attribute.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cstring>
#include <limits>

using namespace filestest;

namespace
{

template <typename T> T* member(db::Attribute* composite, const wchar_t* name)
{
    return static_cast<T*>(composite->asCompositeAttribute()->findAttribute(name));
}

float floatFromBits(std::uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

double doubleFromBits(std::uint64_t bits)
{
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

template <typename T, typename Bits> Bits bitsOf(T value)
{
    Bits bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void setDefaults(db::AttributeDef& def, double number, const std::wstring& text, const OrkP::Vector3& v)
{
    def.setDefaultNumber(number);
    def.setDefaultString(text);
    def.setDefaultVector3(v);
    def.setDefaultMatrix34(OrkP::Matrix34(v, v, v, v * 2.0f));
}

/// A dynamic attribute of every type that can be one (the values and arrays of
/// the table of types), with limits, holding its definition's first default
/// while the definition holds another: values and definitions must both survive.
void addEveryDynamicType(db::Node& node)
{
    db::CompoundAttributeDef kinds(L"kinds");
    for (auto type = db::Int; *db::attributeTypeName(type); type = db::AttributeType(type + 1))
    {
        const db::AttributeDef* made =
            kinds.addAttributeDef(std::wstring(L"dynamic ") + db::attributeTypeName(type), type);
        std::unique_ptr<db::AttributeDef> def(made ? made->makeCopy() : nullptr);
        if (!def)
            continue;
        setDefaults(*def, 2.5, L"d\u00e9f <&>\n", OrkP::Vector3(1, -2, 3e-9f));
        def->setLimits(-5, 5);
        db::Attribute* attribute = node.addDynamicAttribute(std::move(def));
        if (!attribute || attribute->isComposite()) // composites are only ever members
        {
            if (attribute)
                attribute->remove();
            continue;
        }
        // None, one or two elements: an empty dynamic list is written open and closed.
        if (db::ArrayAttribute* array = attribute->asArrayAttribute())
            for (int i = 0; i < static_cast<int>(type) % 3; ++i)
                array->addDefault();
        setDefaults(attribute->getDef(), -1, L"2nd", OrkP::Vector3(0, 0, 1));
    }
}

/// What a definition gives a new attribute (a new array element), as an attribute added to `scratch`.
db::Attribute* newValueOf(db::Node& scratch, const db::AttributeDef& def)
{
    db::Attribute* attribute = scratch.addDynamicAttribute(std::unique_ptr<db::AttributeDef>(def.makeCopy()));
    if (db::ArrayAttribute* array = attribute->asArrayAttribute())
        array->addDefault();
    return attribute;
}

/// A database holding every attribute type with awkward values: extremes,
/// NaNs with payloads, Unicode and markup in names and strings, pointers of
/// every reach, and dynamic attributes without limits.
void fillEveryKind(db::Database& database)
{
    db::Node* every =
        db::makeNode(L"AllTypes", L"Every <kind> & \"quotes\" / dots.and[0]", &database.getTypeRegistry());
    database.getRootContainer().add(every);
    db::Node* group = db::makeNode(L"Group", L"\u7fa4 \U0001F600", &database.getTypeRegistry());
    database.getRootContainer().add(group);
    db::Node* mesh = db::makeNode(L"Mesh", L"", &database.getTypeRegistry());
    group->findAttribute(L"children")->asNodeContainer()->add(mesh);

    member<db::IntAttribute>(every, L"int")->setValue(-1000);
    member<db::BoolAttribute>(every, L"bool")->setValue(true);
    member<db::EnumAttribute>(every, L"enum")->setValue(2);
    member<db::FloatAttribute>(every, L"float")->setValue(-0.0f);
    member<db::DoubleAttribute>(every, L"double")->setValue(0.1);
    member<db::StringAttribute>(every, L"string")->setValue(std::wstring(L"  lead\r\ntab\there\x01 <&>]]> \u00e9  "));
    member<db::StringAttribute>(every, L"script")->setValue(std::wstring(200000, L'x') + L"\n");
    member<db::Vector3Attribute>(every, L"vector3")
        ->setValue(OrkP::Vector3(-FLT_MAX, FLT_MIN, std::numeric_limits<float>::denorm_min()));
    member<db::Matrix34Attribute>(every, L"matrix34")
        ->setValue(OrkP::Matrix34(OrkP::Vector3(0.1f, 0.2f, 0.3f), OrkP::Vector3(1e-30f, 1e30f, -7),
                                  OrkP::Vector3(0, -0.0f, 1), OrkP::Vector3(3, 4, 5)));
    member<db::IntArrayAttribute>(every, L"intArray")->setValues({INT_MIN, 0, INT_MAX});
    member<db::BoolArrayAttribute>(every, L"boolArray")->setValues({true, false});
    member<db::EnumArrayAttribute>(every, L"enumArray")->setValues({2, 0, 1, 1});
    member<db::FloatArrayAttribute>(every, L"floatArray")
        ->setValues({FLT_MAX, -FLT_MAX, 1.0f / 3.0f, floatFromBits(0x7fc00001u)});
    member<db::DoubleArrayAttribute>(every, L"doubleArray")
        ->setValues({DBL_MAX, 1.0 / 3.0, std::numeric_limits<double>::denorm_min()});
    member<db::StringArrayAttribute>(every, L"stringArray")->setValues({L"", L"   ", L"a\nb", L"\u00fc"});
    member<db::Vector3ArrayAttribute>(every, L"vector3Array")
        ->setValues({OrkP::Vector3(1, 2, 3), OrkP::Vector3(-1, -2, -3)});
    member<db::Matrix34ArrayAttribute>(every, L"matrix34Array")->setValues({OrkP::Matrix34(), OrkP::Matrix34()});

    auto* entries = member<db::AttributeArray>(every, L"entries");
    for (int i = 0; i < 2; ++i)
    {
        db::CompositeAttribute* entry = entries->add();
        member<db::StringAttribute>(entry, L"label")->setValue(L"entry " + std::to_wstring(i));
        member<db::FloatAttribute>(entry, L"amount")->setValue(2.5f * static_cast<float>(i));
    }
    auto* inner = member<db::CompositeAttribute>(member<db::CompositeAttribute>(every, L"compound"), L"inner");
    member<db::StringAttribute>(inner, L"note")->setValue(L"nested");

    // Dynamic attributes without limits keep infinities and NaN payloads.
    auto floatDef = std::make_unique<db::AttributeDef>(L"free float", db::Float);
    auto* freeFloat = static_cast<db::FloatAttribute*>(every->addDynamicAttribute(std::move(floatDef)));
    freeFloat->setValue(floatFromBits(0xffa00001u)); // negative NaN with a payload
    auto doubleDef = std::make_unique<db::AttributeDef>(L"free doubles", db::DoubleArray);
    auto* freeDoubles = static_cast<db::DoubleArrayAttribute*>(every->addDynamicAttribute(std::move(doubleDef)));
    freeDoubles->setValues({std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                            doubleFromBits(0x7ff0000000000001ull), -0.0});
    auto enumDef = std::make_unique<db::EnumAttributeDef>(L"mood", db::Enum);
    enumDef->addString(L"calm", 5);
    enumDef->addString(L"wild \u2600", 9);
    every->addDynamicAttribute(std::move(enumDef))->asEnumAttribute()->setValue(9);
    addEveryDynamicType(*every);

    member<db::PointerAttribute>(every, L"pointer")->setValue(mesh);
    member<db::PointerArrayAttribute>(every, L"pointerArray")
        ->setValues({&database, nullptr, every, member<db::FloatAttribute>(entries->getElement(1), L"amount"),
                     member<db::StringAttribute>(inner, L"note"), freeFloat});
    member<db::PointerAttribute>(mesh, L"material")->setValue(every);
    database.addDynamicString(L"author", L"files test");
}

class FileRoundTrip : public ::testing::TestWithParam<Format>
{
};

} // namespace

TEST_P(FileRoundTrip, EveryAttributeTypeReadsBackIdenticallyInOneUndoStep)
{
    ScratchFolder folder;
    db::Database original(L"Original \u00e9");
    fillEveryKind(original);
    std::string file = folder.file(GetParam() == Format::Xml ? "doc.xml" : "doc.dbb");
    ASSERT_TRUE(save(original, file, GetParam()));

    db::Database copy(L"Unnamed");
    const std::string before = xmlOf(copy, folder);
    const unsigned int steps = copy.getUndoStackSize();
    ASSERT_EQ(load(copy, file, GetParam()), "");
    EXPECT_EQ(copy.getName(), L"Original \u00e9");
    EXPECT_EQ(xmlOf(copy, folder), xmlOf(original, folder));
    // Saved again, the copy gives the same bytes (so XML to binary to XML is lossless too).
    ASSERT_TRUE(save(copy, file + "2", GetParam()));
    EXPECT_EQ(readAll(file + "2"), readAll(file));

    // Every type of the table came back, so that a new type is tested here as it is added.
    nodedbtest::Everything loaded;
    copy.accept(&loaded);
    for (auto type = db::Int; *db::attributeTypeName(type); type = db::AttributeType(type + 1))
        EXPECT_TRUE(std::any_of(loaded.all.begin(), loaded.all.end(),
                                [type](db::Attribute* attribute) { return attribute->getAttributeType() == type; }))
            << db::attributeTypeName(type);
    // Their values, limits and defaults, compared apart from the savers.
    db::Node* saved = original.getRootContainer().getNode(0);
    db::Node* loadedEvery = copy.getRootContainer().getNode(0);
    std::unique_ptr<db::Node> scratch[2] = {std::unique_ptr<db::Node>(db::makeNode(L"Group", L"a")),
                                            std::unique_ptr<db::Node>(db::makeNode(L"Group", L"b"))};
    for (unsigned int i = 0; i < saved->getAttributeCount(); ++i)
    {
        const db::Attribute& before = *saved->getAttribute(i);
        const db::Attribute& after = *loadedEvery->findAttribute(before.getName());
        if (before.getName().rfind(L"dynamic ", 0) != 0)
            continue;
        EXPECT_TRUE(after.hasSameValue(before)) << after.getDef().getAttributeType();
        EXPECT_TRUE(after.getDef().hasLimits() && after.getDef().getMaximum() == before.getDef().getMaximum());
        EXPECT_TRUE(newValueOf(*scratch[0], after.getDef())->hasSameValue(*newValueOf(*scratch[1], before.getDef())))
            << after.getDef().getAttributeType();
    }

    // Bits, not just values: NaN payloads and signed zeros survive.
    db::Node* every = copy.getRootContainer().getNode(0);
    auto* freeFloat = static_cast<db::FloatAttribute*>(every->findAttribute(L"free float"));
    ASSERT_NE(freeFloat, nullptr);
    EXPECT_EQ((bitsOf<float, std::uint32_t>(freeFloat->getValue())), 0xffa00001u);
    auto* freeDoubles = static_cast<db::DoubleArrayAttribute*>(every->findAttribute(L"free doubles"));
    ASSERT_EQ(freeDoubles->getSize(), 4u);
    EXPECT_EQ((bitsOf<double, std::uint64_t>(freeDoubles->getElement(2))), 0x7ff0000000000001ull);
    EXPECT_EQ((bitsOf<double, std::uint64_t>(freeDoubles->getElement(3))), 0x8000000000000000ull);
    EXPECT_EQ((bitsOf<float, std::uint32_t>(member<db::FloatAttribute>(every, L"float")->getValue())), 0x80000000u);
    EXPECT_EQ(every->findAttribute(L"mood")->asEnumAttribute()->getValueAsString(), L"wild \u2600");

    // Pointers land on the copies, not on the originals.
    auto* pointers = member<db::PointerArrayAttribute>(every, L"pointerArray");
    ASSERT_EQ(pointers->getSize(), 6u);
    EXPECT_EQ(pointers->getElement(0), &copy);
    EXPECT_EQ(pointers->getElement(1), nullptr);
    EXPECT_EQ(pointers->getElement(2), every);
    EXPECT_EQ(pointers->getElement(5), freeFloat);
    EXPECT_EQ(member<db::PointerAttribute>(every, L"pointer")->getValue()->getDatabase(), &copy);

    // The load is one undo step that undoes cleanly.
    EXPECT_EQ(copy.getUndoStackSize(), steps + 1);
    ASSERT_TRUE(copy.undo());
    EXPECT_EQ(xmlOf(copy, folder), before);
    ASSERT_TRUE(copy.redo());
    EXPECT_EQ(xmlOf(copy, folder), xmlOf(original, folder));
}

TEST_P(FileRoundTrip, SavedSubtreeLoadsUnderTheRootOfAnotherDatabase)
{
    ScratchFolder folder;
    db::Database original;
    fillEveryKind(original);
    db::Node* group = original.getRootContainer().getNode(1);
    std::string file = folder.file(GetParam() == Format::Xml ? "part.xml" : "part.dbb");
    ASSERT_TRUE(save(*group, file, GetParam()));

    db::Database target;
    db::Node* existing = db::makeNode(L"Group", L"Existing", &target.getTypeRegistry());
    target.getRootContainer().add(existing);
    ASSERT_EQ(load(target, file, GetParam()), "");
    ASSERT_EQ(target.getRootContainer().getNodeCount(), 2u);
    db::Node* loaded = target.getRootContainer().getNode(1);
    EXPECT_EQ(loaded->getName(), group->getName());
    ASSERT_EQ(loaded->getChildNodes().size(), 1u);
    EXPECT_EQ(loaded->getChildNodes()[0]->getClassID(), L"Mesh");

    // Loading the same subtree again adds a second copy.
    ASSERT_EQ(load(target, file, GetParam()), "");
    EXPECT_EQ(target.getRootContainer().getNodeCount(), 3u);

    // Into a node: the first container that takes the type.
    ASSERT_EQ(load(*existing, file, GetParam()), "");
    EXPECT_EQ(existing->findAttribute(L"children")->asNodeContainer()->getNodeCount(), 1u);
}

// Found by path when the target has them: the random edit test, which loads copies beside their originals.
TEST_P(FileRoundTrip, PointersLeavingASubtreeAreLeftNullWhereNothingHasTheirPath)
{
    ScratchFolder folder;
    db::Database original;
    fillEveryKind(original);
    db::Node* mesh = original.getRootContainer().getNode(1)->getChildNodes().at(0);
    std::string file = folder.file(GetParam() == Format::Xml ? "mesh.xml" : "mesh.dbb");
    ASSERT_TRUE(save(*mesh, file, GetParam())); // its material points outside, at the AllTypes node
    db::Database empty;
    ASSERT_EQ(load(empty, file, GetParam()), "");
    EXPECT_EQ(member<db::PointerAttribute>(empty.getRootContainer().getNode(0), L"material")->getValue(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Formats, FileRoundTrip, ::testing::Values(Format::Xml, Format::Binary),
                         [](const auto& info) { return info.param == Format::Xml ? "Xml" : "Binary"; });
