// Editor hints in schema files, and the words a schema author got wrong: both
// are read past with a warning naming the attribute, and the schema still loads.
// That the shipped schema asks for the built-in types' editors is checked with its other contents.

#include <db/NodeDef.h>
#include <db/SchemaLoaderXML.h>
#include <db/TypeRegistry.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

struct HintCase
{
    const char* type;    ///< the <type .../> element, with its attributes
    const char* subject; ///< what the one warning names first, or "" for none
    const char* word;    ///< the word the warning quotes
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
    ASSERT_EQ(loader.getWarnings().size(), *row.subject ? 1u : 0u);
    if (*row.subject)
    {
        const std::string warning = loader.getWarnings().front().toString();
        EXPECT_EQ(warning.rfind(std::string("h.xml: line 2: ") + row.subject + ":", 0), 0u) << warning;
        EXPECT_NE(warning.find(std::string("\"") + row.word + "\""), std::string::npos) << warning;
    }
    // Read from a copy, as dynamic attributes take their definitions.
    const db::AttributeDef& def = *registry.findNodeDef(L"T")->findAttributeDef(L"a");
    const std::unique_ptr<db::AttributeDef> copy(def.makeCopy());
    EXPECT_EQ(copy->getEditorHint(), row.hint);
    EXPECT_EQ(copy->getFileFilter(), def.getFileFilter());
}

#define TYPE(attribute) "<type name=\"T\" id=\"300\"><attribute name=\"a\" " attribute "</type>"

INSTANTIATE_TEST_SUITE_P(
    Table, SchemaHints,
    ::testing::Values(HintCase{TYPE(R"(type="matrix34" editor="curve"/>)"), "", "", L"curve"},
                      HintCase{TYPE(R"(type="float" editor="colour"/>)"), "attribute \"a\"", "colour", L"colour"},
                      HintCase{TYPE(R"(type="int" editor="slider"/>)"), "attribute \"a\"", "slider", L"slider"},
                      HintCase{TYPE(R"(type="bool" editor="file"/>)"), "attribute \"a\"", "file", L"file"},
                      HintCase{TYPE(R"(type="string" editor="sldier"/>)"), "attribute \"a\"", "sldier", L"sldier"},
                      HintCase{TYPE(R"(type="string" filter="*.png"/>)"), "attribute \"a\"", "file", L""},
                      HintCase{TYPE(R"(type="int" defualt="3"/>)"), "attribute \"a\"", "defualt", L""},
                      HintCase{TYPE(R"(type="compound" default="3"></attribute>)"), "attribute \"a\"", "default", L""},
                      HintCase{TYPE(R"(type="enum"><option valeu="2">X</option></attribute>)"),
                               "attribute \"a\" option", "valeu", L""},
                      HintCase{"<type name=\"T\" id=\"300\" icn=\"mesh\">\n<attribute name=\"a\" type=\"int\"/></type>",
                               "type \"T\"", "icn", L""}));

#undef TYPE

} // namespace
