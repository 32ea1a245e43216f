// Editor hints in schema files, and the words a schema author got wrong: both
// are read past with a warning naming the attribute, and the schema still loads.

#include <db/AttributeArrayDef.h>
#include <db/NodeDef.h>
#include <db/SchemaLoaderXML.h>
#include <db/TypeRegistry.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

struct HintCase
{
    const char* type;    ///< the <type .../> element, with its attributes
    const char* warning; ///< the one warning expected, or "" for none
    const wchar_t* hint; ///< the hint that attribute "a" keeps
};

class SchemaHints : public ::testing::TestWithParam<HintCase>
{
};

TEST_P(SchemaHints, MisfitHintsAndUnknownWordsAreReportedWithTheAttributesNameAndTheLine)
{
    const HintCase& row = GetParam();
    const std::string text = std::string("<schema version=\"1\">\n") + row.type + "\n</schema>\n";
    db::FileInputStream stream = db::FileInputStream::fromMemory(text.data(), text.size(), "h.xml");
    db::SchemaLoaderXML loader(stream);
    loader.addHostEditorHint("curve");
    db::TypeRegistry registry;
    ASSERT_TRUE(loader.load(registry)) << loader.getError().toString();
    std::string warnings;
    for (const db::LoadError& warning : loader.getWarnings())
        warnings += warning.toString();
    EXPECT_EQ(warnings, *row.warning ? std::string("h.xml: line 2: ") + row.warning : "");

    db::AttributeDef* a = registry.findNodeDef(L"T")->findAttributeDef(L"a");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->getEditorHint(), row.hint);
    std::unique_ptr<db::AttributeDef> copy(a->makeCopy());
    EXPECT_EQ(copy->getEditorHint() + L"|" + copy->getFileFilter(), a->getEditorHint() + L"|" + a->getFileFilter());
}

#define TYPE(attribute) "<type name=\"T\" id=\"300\"><attribute name=\"a\" " attribute "</type>"

INSTANTIATE_TEST_SUITE_P(
    Table, SchemaHints,
    ::testing::Values(HintCase{TYPE(R"(type="vector3" editor="colour"/>)"), "", L"colour"},
                      HintCase{TYPE(R"(type="float" min="0" max="1" editor="slider"/>)"), "", L"slider"},
                      HintCase{TYPE(R"(type="string" editor="file" filter="*.png;*.jpg"/>)"), "", L"file"},

                      HintCase{TYPE(R"(type="matrix34" editor="curve"/>)"), "", L"curve"},
                      HintCase{TYPE(R"(type="float" editor="colour"/>)"),
                               "attribute \"a\": editor \"colour\" fits only vector3 attributes", L"colour"},
                      HintCase{TYPE(R"(type="int" editor="slider"/>)"),
                               "attribute \"a\": editor \"slider\" needs both min and max", L"slider"},
                      HintCase{TYPE(R"(type="bool" editor="file"/>)"),
                               "attribute \"a\": editor \"file\" fits only string attributes", L"file"},
                      HintCase{TYPE(R"(type="string" editor="sldier"/>)"),
                               "attribute \"a\": editor \"sldier\" is unknown", L"sldier"},
                      HintCase{TYPE(R"(type="string" filter="*.png"/>)"),
                               "attribute \"a\": filter applies only to editor=\"file\"", L""},
                      HintCase{TYPE(R"(type="int" defualt="3"/>)"), "attribute \"a\": unknown word \"defualt\"", L""},
                      HintCase{TYPE(R"(type="compound" default="3"></attribute>)"),
                               "attribute \"a\": unknown word \"default\"", L""},
                      HintCase{TYPE(R"(type="enum"><option valeu="2">X</option></attribute>)"),
                               "attribute \"a\" option: unknown word \"valeu\"", L""},
                      HintCase{"<type name=\"T\" id=\"300\" icn=\"mesh\">\n<attribute name=\"a\" type=\"int\"/></type>",
                               "type \"T\": unknown word \"icn\"", L""}));

#undef TYPE

/// "Type.member: hint filter" for every hint among `def`'s members, depth first.
void collectHints(const db::CompoundAttributeDef& def, const std::wstring& path, std::vector<std::wstring>& hints)
{
    for (unsigned int i = 0; i < def.getAttributeDefCount(); ++i)
    {
        const db::AttributeDef& member = def.getAttributeDef(i);
        const std::wstring at = path + L"." + member.getName();
        if (!member.getEditorHint().empty())
            hints.push_back(at + L": " + member.getEditorHint() + L" " + member.getFileFilter());
        if (const db::AttributeArrayDef* array = member.asAttributeArrayDef())
            collectHints(array->getElementDef(), at, hints);
    }
}

TEST(SchemaHintsExample, TheShippedSchemaLoadsWithoutWarningsAndAsksForTheBuiltInSchemasEditors)
{
    const char* text = db::SchemaLoaderXML::getExampleSchemaText();
    db::FileInputStream stream = db::FileInputStream::fromMemory(text, std::strlen(text), "scene-schema.xml");
    db::SchemaLoaderXML loader(stream);
    db::TypeRegistry fromFile;
    ASSERT_TRUE(loader.load(fromFile));
    EXPECT_TRUE(loader.getWarnings().empty()) << loader.getWarnings().front().toString();

    db::TypeRegistry fromCode;
    db::registerExampleSchema(fromCode);
    std::vector<std::wstring> fileHints;
    std::vector<std::wstring> codeHints;
    for (const wchar_t* type : {L"Material", L"Light"})
    {
        collectHints(*fromFile.findNodeDef(type), type, fileHints);
        collectHints(*fromCode.findNodeDef(type), type, codeHints);
    }
    EXPECT_EQ(fileHints, codeHints);
    EXPECT_EQ(fileHints.size(), 6u) << "three colours, a cone angle and two textures";
}

} // namespace
