#include "FilesTestSupport.h"

#include <db/DoubleArrayAttribute.h>
#include <db/FloatArrayAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/PointerAttribute.h>
#include <db/ReferenceResolver.h>
#include <db/StringAttribute.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace filestest;

namespace
{

std::string subtree(const std::string& body)
{
    return "<nodedb version=\"1\" kind=\"subtree\">" + body + "</nodedb>";
}

/// A Script node with one dynamic array `v` of that element ("doubleArray") holding `text`.
std::string arrayDocument(const char* element, const std::string& text)
{
    return subtree(std::string("<node type=\"Script\" name=\"s\"><") + element + " name=\"v\" dynamic=\"1\">" + text +
                   "</" + element + "></node>");
}

db::Node* lastTopNode(db::Database& database)
{
    return database.getRootContainer().getNode(database.getRootContainer().getNodeCount() - 1);
}

/// A hand-written list and what it reads as; `ok` false: refused.
template <class T> struct ListCase
{
    const char* text;
    std::vector<T> values;
    bool ok;
};

/// Loads each list into a dynamic array of that element; refusals name the value type.
template <class Array, class T>
void expectListsRead(const char* element, const char* type, const std::vector<ListCase<T>>& cases)
{
    for (const ListCase<T>& c : cases)
    {
        SCOPED_TRACE(c.text);
        db::Database database;
        const std::string error = loadBytes(database, arrayDocument(element, c.text), Format::Xml);
        if (!c.ok)
        {
            EXPECT_NE(error.find(std::string("bad ") + type + " value"), std::string::npos) << error;
            continue;
        }
        ASSERT_EQ(error, "");
        EXPECT_EQ(static_cast<Array*>(lastTopNode(database)->findAttribute(L"v"))->getValues(), c.values);
    }
}

class FixedResolver : public db::ReferenceResolver
{
public:
    explicit FixedResolver(db::Attribute* answer) : m_answer(answer) {}
    db::Attribute* resolve(const std::wstring& path, db::Attribute*) override
    {
        m_asked = path;
        return m_answer;
    }
    std::wstring m_asked;

private:
    db::Attribute* m_answer;
};

} // namespace

TEST(NumberText, HandWrittenNumbersReadAsWrittenAndJunkIsRefused)
{
    const double inf = std::numeric_limits<double>::infinity();
    expectListsRead<db::DoubleArrayAttribute, double>(
        "doubleArray", "double",
        {
            {"1 2.5 -3e2", {1, 2.5, -300}, true},
            {"  \n\t0.1  ", {0.1}, true},
            {"", {}, true},
            {"inf -inf", {inf, -inf}, true},
            {"1e308 4.9e-324", {1e308, 4.9e-324}, true},
            {"1e400", {}, false},
            {"0x10", {}, false},
            {"1,5", {}, false},
            {"+1", {}, false},
            {"--1", {}, false},
            {"nan(0x0)", {}, false},
            {"nan(12)", {}, false},
            {"1 two", {}, false},
            // Digit runs read eight at a time: any byte that is no digit ends one.
            {"0.123456789012345 -12.25000000 7.00000001", {0.123456789012345, -12.25, 7.00000001}, true},
            {"0.12345678:5", {}, false},
            {"0.1234567/", {}, false},
            {"2.5000000\xC3\xA9", {}, false},
        });

    db::Database database;
    ASSERT_EQ(loadBytes(database, arrayDocument("doubleArray", "nan -nan nan(0x1234)"), Format::Xml), "");
    auto* values = static_cast<db::DoubleArrayAttribute*>(lastTopNode(database)->findAttribute(L"v"));
    ASSERT_EQ(values->getSize(), 3u);
    std::uint64_t bits[3];
    for (unsigned int i = 0; i < 3; ++i)
        std::memcpy(&bits[i], &values->getValues()[i], 8);
    EXPECT_EQ(bits[0], 0x7ff8000000000000ull);
    EXPECT_EQ(bits[1], 0xfff8000000000000ull);
    EXPECT_EQ(bits[2], 0x7ff0000000001234ull);
}

TEST(NumberText, IntListsTakeEveryThirtyTwoBitValueAndRefuseTheRest)
{
    expectListsRead<db::IntArrayAttribute, int>(
        "intArray", "int",
        {
            {"0 -0 7\n\t-12 2147483647 -2147483648", {0, 0, 7, -12, 2147483647, -2147483647 - 1}, true},
            {"000000000000042 -0000000000001", {42, -1}, true},
            {"2147483648", {}, false},
            {"-2147483649", {}, false},
            {"99999999999", {}, false},
            {"1-2", {}, false},
            {"-", {}, false},
            {"+3", {}, false},
            {"4.0", {}, false},
        });
}

TEST(LoadRules, ArraysBeyondTheirLimitsInAFileAreBroughtWithinThemAndNaNPasses)
{
    const auto document = [](const char* element, const char* text)
    {
        return subtree(std::string("<node type=\"Script\" name=\"s\"><") + element +
                       " name=\"v\" dynamic=\"1\" min=\"-5\" max=\"5\">" + text + "</" + element + "></node>");
    };
    db::Database database;
    ASSERT_EQ(loadBytes(database, document("intArray", "-9 3 2147483647"), Format::Xml), "");
    EXPECT_EQ(static_cast<db::IntArrayAttribute*>(lastTopNode(database)->findAttribute(L"v"))->getValues(),
              (std::vector<int>{-5, 3, 5}));
    ASSERT_EQ(loadBytes(database, document("floatArray", "-9 nan 0.5 1e30"), Format::Xml), "");
    const std::vector<float> floats =
        static_cast<db::FloatArrayAttribute*>(lastTopNode(database)->findAttribute(L"v"))->getValues();
    ASSERT_EQ(floats.size(), 4u);
    EXPECT_EQ(floats[0], -5.0f);
    EXPECT_TRUE(std::isnan(floats[1]));
    EXPECT_EQ(floats[2], 0.5f);
    EXPECT_EQ(floats[3], 5.0f);
}

TEST(LoadRules, DatabaseFileIntoAFilledDatabaseAddsItsNodesOnly)
{
    ScratchFolder folder;
    db::Database source(L"Source");
    source.getRootContainer().add(db::makeNode(L"Group", L"FromFile", &source.getTypeRegistry()));
    source.addDynamicString(L"author", L"someone");
    ASSERT_TRUE(save(source, folder.file("s.xml"), Format::Xml));

    db::Database target(L"Target");
    target.getRootContainer().add(db::makeNode(L"Group", L"Mine", &target.getTypeRegistry()));
    ASSERT_EQ(load(target, folder.file("s.xml"), Format::Xml), "");
    EXPECT_EQ(target.getName(), L"Target");
    EXPECT_EQ(target.getDynamicAttributeCount(), 0u);
    ASSERT_EQ(target.getRootContainer().getNodeCount(), 2u);
    EXPECT_EQ(target.getRootContainer().getNode(0)->getName(), L"Mine");
    EXPECT_EQ(target.getRootContainer().getNode(1)->getName(), L"FromFile");

    // Into an empty database the same file is restored whole.
    db::Database empty(L"Empty");
    ASSERT_EQ(load(empty, folder.file("s.xml"), Format::Xml), "");
    EXPECT_EQ(empty.getName(), L"Source");
    EXPECT_EQ(empty.getDynamicAttributeCount(), 1u);
}

TEST(LoadRules, ContainersTakeFilesDirectlyAndTheResolverFindsOutsidePointers)
{
    db::Database database;
    db::Node* group = db::makeNode(L"Group", L"Holder", &database.getTypeRegistry());
    database.getRootContainer().add(group);
    db::NodeContainer* children = group->findAttribute(L"children")->asNodeContainer();

    const std::string camera =
        subtree("<node type=\"Camera\" name=\"Cam\"><pointer name=\"target\">/Elsewhere/Thing</pointer></node>");
    FixedResolver resolver(group);
    db::FileInputStream stream = db::FileInputStream::fromMemory(camera.data(), camera.size(), "cam.xml");
    db::LoaderXML loader(stream, 0, &resolver);
    ASSERT_TRUE(loader.load(children)) << loader.getError().toString();
    EXPECT_TRUE(loader.isSubtreeFile());
    ASSERT_EQ(children->getNodeCount(), 1u);
    EXPECT_EQ(resolver.m_asked, L"/Elsewhere/Thing");
    EXPECT_EQ(static_cast<db::PointerAttribute*>(children->getNode(0)->findAttribute(L"target"))->getValue(), group);
}

TEST(LoadRules, UtfSixteenFilesLoadLikeUtfEight)
{
    const std::string text = subtree("<node type=\"Script\" name=\"\xc3\xa9t\xc3\xa9\"/>");
    std::string utf16 = "\xff\xfe"; // little-endian byte order mark
    std::wstring wide =
        L"<nodedb version=\"1\" kind=\"subtree\"><node type=\"Script\" name=\"\u00e9t\u00e9\"/></nodedb>";
    for (wchar_t c : wide)
    {
        utf16.push_back(static_cast<char>(c & 0xFF));
        utf16.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    for (const std::string& bytes : {text, utf16})
    {
        db::Database database;
        ASSERT_EQ(loadBytes(database, bytes, Format::Xml), "");
        EXPECT_EQ(lastTopNode(database)->getName(), L"\u00e9t\u00e9");
    }
}

TEST(BinaryLayout, HeaderFieldsSitWhereTheFormatPageSays)
{
    ScratchFolder folder;
    db::Database database;
    db::Node* script = db::makeNode(L"Script", L"S", &database.getTypeRegistry());
    database.getRootContainer().add(script);
    ASSERT_TRUE(save(*script, folder.file("s.dbb"), Format::Binary));
    ASSERT_TRUE(save(database, folder.file("d.dbb"), Format::Binary));
    const std::string subtreeBytes = readAll(folder.file("s.dbb"));
    const std::string databaseBytes = readAll(folder.file("d.dbb"));
    ASSERT_GT(subtreeBytes.size(), 24u);
    EXPECT_EQ(subtreeBytes.substr(0, 8), std::string("\x89"
                                                     "DBB\r\n\x1a\n",
                                                     8));
    EXPECT_EQ(subtreeBytes.substr(8, 4), std::string("\x01\x00\x01\x00", 4));  // version 1, subtree
    EXPECT_EQ(databaseBytes.substr(8, 4), std::string("\x01\x00\x00\x00", 4)); // version 1, database
    std::uint64_t length = 0;
    for (int i = 7; i >= 0; --i)
        length = (length << 8) | static_cast<unsigned char>(subtreeBytes[16 + static_cast<std::size_t>(i)]);
    EXPECT_EQ(length, subtreeBytes.size() - 24);
    EXPECT_EQ(static_cast<unsigned char>(subtreeBytes[24]), 64u); // the names record comes first
}
