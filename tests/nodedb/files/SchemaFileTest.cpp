#include "FilesTestSupport.h"

#include <db/AttributeArrayDef.h>
#include <db/EnumAttributeDef.h>
#include <db/NodeContainerDef.h>
#include <db/SchemaLoaderXML.h>
#include <db/TypeRegistry.h>

#include <gtest/gtest.h>

#include <cstring>

namespace
{

std::string describe(const db::AttributeDef& def);

std::string describeMembers(const db::CompoundAttributeDef& def)
{
    std::string text = "{";
    for (unsigned int i = 0; i < def.getAttributeDefCount(); ++i)
        text += describe(def.getAttributeDef(i)) + ";";
    return text + "}";
}

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

/// Everything a definition says, as text, so that differences show in the failure message.
std::string describe(const db::AttributeDef& def)
{
    std::string text = narrow(def.getName()) + ":" + std::to_string(def.getAttributeType()) + " units " +
                       std::to_string(def.getUnits());
    if (def.hasLimits())
        text += " limits " + std::to_string(def.getMinimum()) + ".." + std::to_string(def.getMaximum()) +
                (def.getMinimum() == -def.getMaximum() ? " symmetric" : "");
    text += " default " + std::to_string(def.getDefaultDouble()) + " '" + narrow(def.getDefaultString()) + "' " +
            std::to_string(def.getDefaultVector3().x) + "," + std::to_string(def.getDefaultVector3().y) + "," +
            std::to_string(def.getDefaultVector3().z);
    if (def.getDefaultMatrix34() != OrkP::Matrix34())
        text += " matrix";
    text += " editor '" + narrow(def.getEditorHint()) + "' filter '" + narrow(def.getFileFilter()) + "'";
    if (const db::EnumAttributeDef* enumDef = def.asEnumAttributeDef())
        for (unsigned int i = 0; i < enumDef->getStringCount(); ++i)
            text += " " + narrow(enumDef->getString(i)) + "=" + std::to_string(enumDef->getStringValue(i));
    if (const db::NodeContainerDef* container = def.asNodeContainerDef())
        text += " holds " + (container->getContainedDef() ? narrow(container->getContainedDef()->getName()) : "any");
    if (const db::AttributeArrayDef* array = def.asAttributeArrayDef())
        text += " of " + narrow(array->getElementDef().getName()) + describeMembers(array->getElementDef());
    if (def.getAttributeType() == db::Compound)
        text += describeMembers(*def.asCompoundAttributeDef());
    if (const db::NodeDef* node = def.asNodeDef())
        text += " id " + std::to_string(node->getTypeId()) + " base " +
                (node->getBaseDef() ? narrow(node->getBaseDef()->getName()) : "-") +
                (node->isCreatable() ? " creatable" : " abstract") + describeMembers(*node);
    return text;
}

std::vector<std::string> describeAll(const db::TypeRegistry& registry)
{
    std::vector<std::string> types;
    for (const db::NodeDef* def : registry.getNodeDefs())
        types.push_back(describe(*def));
    return types;
}

bool loadSchema(const std::string& text, db::TypeRegistry& registry, std::string& error)
{
    db::FileInputStream stream = db::FileInputStream::fromMemory(text.data(), text.size(), "schema.xml");
    db::SchemaLoaderXML loader(stream);
    bool ok = loader.load(registry);
    error = loader.getError().toString();
    return ok;
}

} // namespace

TEST(SchemaFiles, ShippedSchemaFileDeclaresExactlyTheBuiltInSceneTypes)
{
    db::TypeRegistry fromCode;
    db::registerExampleSchema(fromCode);
    const char* text = db::SchemaLoaderXML::getExampleSchemaText();
    db::FileInputStream stream = db::FileInputStream::fromMemory(text, std::strlen(text), "scene-schema.xml");
    db::SchemaLoaderXML loader(stream);
    db::TypeRegistry fromFile;
    ASSERT_TRUE(loader.load(fromFile));
    EXPECT_TRUE(loader.getWarnings().empty()) << loader.getWarnings().front().toString();
    EXPECT_EQ(describeAll(fromFile), describeAll(fromCode));

    // The embedded text is the file under samples/.
    std::string shipped = filestest::readAll((filestest::sourceRoot() / "samples" / "scene-schema.xml").string());
    EXPECT_EQ(shipped, db::SchemaLoaderXML::getExampleSchemaText());
}

TEST(SchemaFiles, UserSchemaDescribesADatabaseWithoutCode)
{
    const std::string schema = R"(<schema version="1">
      <type name="Shape" id="500" creatable="false">
        <attribute name="size" type="double" default="2.5" min="0" max="10" units="3"/>
      </type>
      <type name="Box" id="501" base="Shape">
        <attribute name="colour" type="enum" default="Blue"><option value="4">Red</option><option value="8">Blue</option></attribute>
        <attribute name="tags" type="stringArray" default="none"/>
        <attribute name="parts" type="attributeArray" element="part">
          <attribute name="label" type="string"/>
        </attribute>
        <attribute name="inside" type="container" holds="Shape"/>
      </type>
    </schema>)";
    db::TypeRegistry registry;
    std::string error;
    ASSERT_TRUE(loadSchema(schema, registry, error)) << error;
    db::NodeDef* box = registry.findNodeDef(L"Box");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->getTypeId(), 501);
    EXPECT_TRUE(box->isKindOf(registry.findNodeDef(L"Shape")));
    EXPECT_FALSE(registry.findNodeDef(L"Shape")->isCreatable());
    EXPECT_EQ(box->findAttributeDef(L"size")->getUnits(), 3);
    EXPECT_EQ(box->findAttributeDef(L"size")->getMaximum(), 10.0);
    EXPECT_EQ(box->findAttributeDef(L"colour")->getDefaultInt(), 8);
    EXPECT_EQ(box->findAttributeDef(L"tags")->getDefaultString(), L"none");
    EXPECT_EQ(box->findAttributeDef(L"inside")->asNodeContainerDef()->getContainedDef()->getName(), L"Shape");

    // Documents of the user's types load and save like any other.
    filestest::ScratchFolder folder;
    db::Database database(L"Shapes", &registry);
    const std::string document = R"(<nodedb version="1" kind="subtree"><node type="Box" name="b">
        <double name="size">4</double><enum name="colour">Red</enum>
        <attributeArray name="parts"><compound><string name="label">lid</string></compound></attributeArray>
        </node></nodedb>)";
    ASSERT_EQ(filestest::loadBytes(database, document, filestest::Format::Xml), "");
    EXPECT_NE(filestest::xmlOf(database, folder).find("<enum name=\"colour\">Red</enum>"), std::string::npos);
}

TEST(SchemaFiles, TypesMayNameTypesDeclaredFurtherDown)
{
    // Written top-down, as a newcomer would: the holder first, then what it
    // holds, and a derived type before its base.
    const std::string schema = R"(<schema version="1">
      <type name="Robot" id="700">
        <attribute name="parts" type="container" holds="Part"/>
        <attribute name="tools" type="attributeArray">
          <attribute name="spares" type="container" holds="Gripper"/>
        </attribute>
      </type>
      <type name="Gripper" id="702" base="Part"><attribute name="fingers" type="int" default="2"/></type>
      <type name="Part" id="701"><attribute name="mass" type="float" default="1"/></type>
    </schema>)";
    db::TypeRegistry registry;
    std::string error;
    ASSERT_TRUE(loadSchema(schema, registry, error)) << error;
    db::NodeDef* robot = registry.findNodeDef(L"Robot");
    db::NodeDef* part = registry.findNodeDef(L"Part");
    db::NodeDef* gripper = registry.findNodeDef(L"Gripper");
    ASSERT_TRUE(robot && part && gripper);
    EXPECT_EQ(robot->findAttributeDef(L"parts")->asNodeContainerDef()->getContainedDef(), part);
    EXPECT_EQ(gripper->getBaseDef(), part);
    // The base's members come first, though the base was declared after.
    ASSERT_EQ(gripper->getAttributeDefCount(), 2u);
    EXPECT_EQ(gripper->getAttributeDef(0).getName(), L"mass");
    EXPECT_EQ(gripper->getAttributeDef(1).getName(), L"fingers");
    // Registered in the file's order, whatever order they were built in.
    const auto& types = registry.getNodeDefs();
    ASSERT_GE(types.size(), 3u);
    EXPECT_EQ((std::vector<db::NodeDef*>(types.end() - 3, types.end())),
              (std::vector<db::NodeDef*>{robot, gripper, part}));

    db::Database database(L"Workshop", &registry);
    const std::string document = R"(<nodedb version="1" kind="subtree"><node type="Robot" name="R">
        <container name="parts"><node type="Gripper" name="G"><int name="fingers">3</int></node></container>
        </node></nodedb>)";
    EXPECT_EQ(filestest::loadBytes(database, document, filestest::Format::Xml), "");
}

TEST(SchemaFiles, BadSchemaRegistersNothingAndSaysWhere)
{
    struct Case
    {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"<schema version=\"1\">\n<type name=\"A\" id=\"600\"/>\n<type name=\"B\" id=\"601\" "
         "base=\"Nope\"/>\n</schema>",
         "schema.xml: line 3: unknown base type \"Nope\""},
        {"<schema version=\"1\">\n<type name=\"A\" id=\"600\">\n<attribute name=\"x\" type=\"float\"/>\n"
         "<attribute name=\"x\" type=\"int\"/>\n</type>\n</schema>",
         "line 4: attribute \"x\" is declared twice"},
        {"<schema version=\"1\"><type name=\"A\" id=\"1\"/></schema>", "is taken"},
        {"<schema version=\"1\"><type name=\"A\" id=\"600\"><attribute name=\"x\" "
         "type=\"quaternion\"/></type></schema>",
         "unknown attribute type \"quaternion\""},
        {"<schema version=\"1\"><type name=\"A\" id=\"600\"><attribute name=\"x\" type=\"float\" "
         "min=\"0\"/></type></schema>",
         "limits need both min and max"},
        {"<schema version=\"1\">\n<type name=\"A\" id=\"600\">\n"
         "<attribute name=\"c\" type=\"container\" holds=\"Nope\"/></type>\n</schema>",
         "schema.xml: line 3: unknown node type \"Nope\""},
        {"<schema version=\"1\"><type name=\"A\" id=\"600\" base=\"B\"/><type name=\"B\" id=\"601\" base=\"C\"/>"
         "<type name=\"C\" id=\"602\" base=\"A\"/></schema>",
         "a cycle of base types: \"A\" -> \"B\" -> \"C\" -> \"A\""},
        {"<schema version=\"1\"><type name=\"A\" id=\"600\" base=\"A\"/></schema>",
         "a cycle of base types: \"A\" -> \"A\""},
        {"<schema version=\"1\"><type name=\"A\" id=\"600\"/><type name=\"A\" id=\"601\"/></schema>",
         "type \"A\" or id 601 is taken"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        db::TypeRegistry registry;
        std::size_t before = registry.getNodeDefs().size();
        std::string error;
        EXPECT_FALSE(loadSchema(c.text, registry, error));
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(registry.getNodeDefs().size(), before);
    }
}
