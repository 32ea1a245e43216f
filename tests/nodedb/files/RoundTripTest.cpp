#include "FilesTestSupport.h"

#include <db/AttributeDef.h>
#include <db/DoubleArrayAttribute.h>
#include <db/FloatArrayAttribute.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/PointerAttribute.h>

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

// That every attribute type, dynamic ones with their definitions, odd values
// (NaN payloads, signed zeros, infinities, markup and astral characters) and
// pointers to nodes and attributes read back identically in either format, in
// one undo step, is the random edit test's, which reads every file it saves
// back in the other format.

using namespace filestest;

namespace
{

class FileRoundTrip : public ::testing::TestWithParam<Format>
{
};

/// A light, and a group holding a mesh whose material is the light.
db::Node* fillScene(db::Database& database)
{
    db::Node* light = db::makeNode(L"Light", L"Outside", &database.getTypeRegistry());
    database.getRootContainer().add(light);
    db::Node* group = db::makeNode(L"Group", L"Group", &database.getTypeRegistry());
    database.getRootContainer().add(group);
    db::Node* mesh = db::makeNode(L"Mesh", L"Mesh", &database.getTypeRegistry());
    group->findAttribute(L"children")->asNodeContainer()->add(mesh);
    mesh->findAttribute(L"material")->asPointerAttribute()->setValue(light);
    return group;
}

} // namespace

// Values the random edit test seldom makes, or makes where limits take their signs.
TEST_P(FileRoundTrip, SignedZerosAndInfinitiesKeepTheirSigns)
{
    ScratchFolder folder;
    db::Database original;
    db::Node* node = db::makeNode(L"Mesh", L"m", &original.getTypeRegistry());
    original.getRootContainer().add(node);
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> floats = {-0.0f, inf, -inf};
    const std::vector<double> doubles = {-0.0, double(inf), -double(inf)};
    static_cast<db::FloatArrayAttribute*>(
        node->addDynamicAttribute(std::make_unique<db::AttributeDef>(L"floats", db::FloatArray)))
        ->setValues(floats);
    static_cast<db::DoubleArrayAttribute*>(
        node->addDynamicAttribute(std::make_unique<db::AttributeDef>(L"doubles", db::DoubleArray)))
        ->setValues(doubles);
    const std::string file = folder.file(GetParam() == Format::Xml ? "signs.xml" : "signs.dbb");
    ASSERT_TRUE(save(original, file, GetParam()));
    db::Database copy;
    ASSERT_EQ(load(copy, file, GetParam()), "");
    db::Node* read = copy.getRootContainer().getNode(0);
    const std::vector<float> readFloats = read->findAttribute(L"floats")->asFloatArrayAttribute()->getValues();
    const std::vector<double> readDoubles = read->findAttribute(L"doubles")->asDoubleArrayAttribute()->getValues();
    ASSERT_EQ(readFloats.size(), floats.size());
    ASSERT_EQ(readDoubles.size(), doubles.size());
    EXPECT_EQ(std::memcmp(readFloats.data(), floats.data(), sizeof(float) * floats.size()), 0);
    EXPECT_EQ(std::memcmp(readDoubles.data(), doubles.data(), sizeof(double) * doubles.size()), 0);
}

TEST_P(FileRoundTrip, SavedSubtreeLoadsUnderTheRootOfAnotherDatabase)
{
    ScratchFolder folder;
    db::Database original;
    db::Node* group = fillScene(original);
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

// Found by path when the target has them: the random edit test, which loads
// copies beside their originals.
TEST_P(FileRoundTrip, PointersLeavingASubtreeAreLeftNullWhereNothingHasTheirPath)
{
    ScratchFolder folder;
    db::Database original;
    db::Node* mesh = fillScene(original)->getChildNodes().at(0);
    std::string file = folder.file(GetParam() == Format::Xml ? "mesh.xml" : "mesh.dbb");
    ASSERT_TRUE(save(*mesh, file,
                     GetParam())); // its material points outside, at the light
    db::Database empty;
    ASSERT_EQ(load(empty, file, GetParam()), "");
    EXPECT_EQ(empty.getRootContainer().getNode(0)->findAttribute(L"material")->asPointerAttribute()->getValue(),
              nullptr);
}

INSTANTIATE_TEST_SUITE_P(Formats, FileRoundTrip, ::testing::Values(Format::Xml, Format::Binary),
                         [](const auto& info) { return info.param == Format::Xml ? "Xml" : "Binary"; });
