// The exact text the savers write: pointer paths, float digits, escaped and
// encoded strings. Each is checked against an independent reference (the
// database's own paths, std::to_chars, a plain escaper), so a faster writer
// cannot drift from the format files already hold.

#include "FilesTestSupport.h"
#include "NodeDbTestSupport.h"

#include <db/AttributeDef.h>
#include <db/BoolArrayAttribute.h>
#include <db/BoolAttribute.h>
#include <db/DoubleArrayAttribute.h>
#include <db/DoubleAttribute.h>
#include <db/EnumAttributeDef.h>
#include <db/FloatArrayAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/Matrix34Attribute.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/ValueText.h>
#include <db/Vector3ArrayAttribute.h>
#include <db/Vector3Attribute.h>
#include <db/Visitor.h>

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>

using namespace filestest;
using nodedbtest::addNode;
using nodedbtest::Everything;

namespace
{

void appendUtf8(std::string& out, unsigned long c)
{
    if (c < 0x80)
        out += static_cast<char>(c);
    else if (c < 0x800)
    {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else if (c < 0x10000)
    {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

/// What a saver should write for `text`, one character at a time: U+0000
/// dropped, non-characters as U+FFFD, markup and control characters as references.
std::string escaped(const std::wstring& text, bool inAttribute)
{
    std::string out;
    for (wchar_t wide : text)
    {
        auto c = static_cast<unsigned long>(wide);
        if (c == 0)
            continue;
        if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF)
            c = 0xFFFD;
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"' && inAttribute)
            out += "&quot;";
        else if (c < 0x20 && (inAttribute || (c != '\n' && c != '\t')))
            out += "&#" + std::to_string(c) + ";";
        else
            appendUtf8(out, c);
    }
    return out;
}

/// Empty when equal; else where the texts part and a little of each from there
/// (the texts are too long to print whole).
std::string difference(const std::string& actual, const std::string& expected)
{
    if (actual == expected)
        return "";
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    std::size_t from = at < 20 ? 0 : at - 20;
    return "at byte " + std::to_string(at) + ": written \"" + actual.substr(from, 60) + "\", expected \"" +
           expected.substr(from, 60) + "\"";
}

/// The text between the end of the first tag that starts with `start` and the following `end`.
std::string contentAfter(const std::string& xml, const std::string& start, const std::string& end)
{
    std::size_t at = xml.find(start);
    if (at == std::string::npos)
        return "<missing " + start + ">";
    at = xml.find('>', at) + 1;
    return xml.substr(at, xml.find(end, at) - at);
}

/// Names that need counting and escaping: twins within one container and
/// across containers of one parent, unnamed nodes, separators, markup, Unicode.
db::Node* buildAwkwardScene(db::Database& database)
{
    db::Node* group = addNode(database, L"Group", L"a/b.c[d]\\e & <f>");
    addNode(database, L"Mesh", L"twin", group);
    db::Node* twin = addNode(database, L"Mesh", L"twin", group);
    addNode(database, L"Light", L"", group);
    addNode(database, L"Light", L"", twin);
    addNode(database, L"Light", L"", twin);
    addNode(database, L"Mesh", L"\u00e9t\u00e9 \U0001F600", group);
    for (int i = 0; i < 40; ++i)
        addNode(database, L"Light", i % 3 == 0 ? L"many" : L"light " + std::to_wstring(i), group);
    db::Node* all = addNode(database, L"AllTypes", L"all");
    auto* entries = all->findAttribute(L"entries")->asAttributeArray();
    entries->add(false);
    entries->add(false);
    all->addDynamicString(L"odd.name[0]", L"x");
    addNode(database, L"Group", L"twin");
    db::Node* library = addNode(database, L"MaterialLibrary", L"twin");
    library->findAttribute(L"scripts")->asNodeContainer()->add(db::makeNode(L"Script", L"twin"));
    library->findAttribute(L"materials")->asNodeContainer()->add(db::makeNode(L"Material", L"twin"));
    library->findAttribute(L"scripts")->asNodeContainer()->add(db::makeNode(L"Script", L"twin"));
    return group;
}

/// The path a saver writes for `target` in a file whose top node is `savedRoot`, as an <e> element.
std::string expectedElement(const db::Attribute* target, const db::Attribute* savedRoot)
{
    std::wstring path;
    bool local = target == savedRoot || target->isDescendantOf(savedRoot);
    if (target != savedRoot)
    {
        target->toDatabasePath(path, local ? savedRoot : nullptr);
        if (local && !path.empty() && path[0] == L'[')
            path.insert(path.begin(), L'/');
    }
    std::string element = local ? "<e local=\"1\"" : "<e";
    return path.empty() ? element + "/>" : element + ">" + escaped(path, false) + "</e>";
}

/// The <e> elements of the pointer array named `name`, one string each.
std::vector<std::string> pointerElements(const std::string& xml, const std::string& name)
{
    std::string body = contentAfter(xml, "<pointerArray name=\"" + name + "\"", "</pointerArray>");
    std::vector<std::string> elements;
    for (std::size_t at = body.find("<e"); at != std::string::npos; at = body.find("<e", at + 1))
    {
        std::size_t end = body.find('>', at);
        if (body[end - 1] != '/')
            end = body.find("</e>", at) + 3;
        elements.push_back(body.substr(at, end + 1 - at));
    }
    return elements;
}

db::PointerArrayAttribute* addPointerArray(db::Node& node, const std::wstring& name,
                                           const std::vector<db::Attribute*>& targets)
{
    auto* pointers = static_cast<db::PointerArrayAttribute*>(
        node.addDynamicAttribute(std::make_unique<db::AttributeDef>(name, db::PointerArray)));
    pointers->setValues(targets);
    return pointers;
}

TEST(SavedText, PointerPathsAreTheDatabasePathsOfTheirTargets)
{
    ScratchFolder folder;
    db::Database database(L"paths");
    db::Node* group = buildAwkwardScene(database);
    // More targets than a writer keeps the paths of (four attributes an entry),
    // each twice: it forgets them all and works them out again.
    auto* entries = database.attributeFromDatabasePath(L"/all.entries", true)->asAttributeArray();
    while (entries->getSize() < 4200)
        entries->add(false);
    Everything everything;
    database.accept(&everything);
    std::vector<db::Attribute*> targets = everything.all;
    ASSERT_GT(targets.size(), std::size_t(1) << 14);
    targets.insert(targets.end(), everything.all.begin(), everything.all.end());
    db::Node* holder = addNode(database, L"Mesh", L"holder", group);
    addPointerArray(*holder, L"targets", targets);

    // The whole database: every target is inside the file.
    std::string xml = xmlOf(database, folder);
    std::vector<std::string> written = pointerElements(xml, "targets");
    ASSERT_EQ(written.size(), targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i)
        EXPECT_EQ(written[i], expectedElement(targets[i], &database)) << "target " << i;

    // One node: targets below it are relative, the rest absolute.
    xml = xmlOf(*group, folder);
    written = pointerElements(xml, "targets");
    ASSERT_EQ(written.size(), targets.size());
    std::size_t inside = 0;
    for (std::size_t i = 0; i < targets.size(); ++i)
    {
        EXPECT_EQ(written[i], expectedElement(targets[i], group)) << "target " << i;
        inside += targets[i]->isDescendantOf(group) ? 1 : 0;
    }
    EXPECT_GT(inside, 20u);
    EXPECT_LT(inside, targets.size() - 20);
}

float floatFromBits(std::uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

TEST(SavedText, FloatsAreWrittenInTheirShortestFormAndReadBackExactly)
{
    // Values where a shortest-digits writer goes wrong: powers of two and of
    // ten, whole numbers past 2^24 (written exactly, not rounded to zeros),
    // the plain/scientific boundary, subnormals, extremes, signed zero.
    std::vector<float> values = {
        0.0f, -0.0f, 1.0f, -1.0f, 0.1f, 0.3f, 1.0f / 3.0f, 2.0f / 3.0f, 100.0f, 1000.0f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f,
        1e9f, 1e10f, 1e13f, 1e14f, 1e15f, 1e16f, 1e20f, 1e-4f, 1e-5f, 1e-6f, 1e-7f, 123456.7f, 1234567.0f, 12345678.0f,
        123456789.0f, 16777216.0f, 16777218.0f, 33554436.0f, 33649928.0f, 99999992.0f, 4294967296.0f, FLT_MAX, -FLT_MAX,
        FLT_MIN, std::numeric_limits<float>::denorm_min(), floatFromBits(0x00000015u), floatFromBits(0x007fffffu),
        floatFromBits(0x00400000u), 0.000123f, 0.0001234567f, std::numeric_limits<float>::infinity(),
        -std::numeric_limits<float>::infinity(),
        // short decimals, carries into a new digit, the fewest and most digits around the point
        1.5f, 0.75f, 12.125f, 99999.5f, 0.0015f, 0.099999994f, 9.999999f, 99999.99f, 0.9999999f, 1.0000001f, 1234.5677f,
        0.0012345678f, 0.0010000001f, 65536.01f};
    for (int exponent = -149; exponent <= 127; ++exponent)
        values.push_back(std::ldexp(1.0f, exponent));
    for (float decade = 1e-38f; decade < 1e38f; decade *= 10.0f)
    {
        values.push_back(std::nextafter(decade, 0.0f));
        values.push_back(std::nextafter(decade, FLT_MAX));
    }
    std::mt19937 random(20261206);
    for (int i = 0; i < 30000; ++i)
    {
        float value = floatFromBits(static_cast<std::uint32_t>(random()));
        if (!std::isnan(value))
            values.push_back(value);
    }
    for (int i = 0; i < 3000; ++i)
        values.push_back(std::uniform_real_distribution<float>(-100.0f, 100.0f)(random));
    // Fractions from 0.001 to 10^5 take a road of their own: its ends, and every decade in between.
    for (float edge : {0.001f, 1e5f})
        for (float value : {std::nextafter(edge, 0.0f), edge, std::nextafter(edge, FLT_MAX)})
            values.insert(values.end(), {value, -value});
    for (int i = 0; i < 9000; ++i)
        values.push_back(std::uniform_real_distribution<float>(-1.0f, 1.0f)(random) *
                         std::pow(10.0f, float(i % 9 - 3)));

    std::string expected;
    for (float value : values)
    {
        char text[64];
        if (!expected.empty())
            expected += ' ';
        expected.append(text, std::to_chars(text, text + sizeof text, value).ptr);
    }

    ScratchFolder folder;
    db::Database database(L"floats");
    db::Node* node = addNode(database, L"Mesh", L"samples");
    auto* samples = static_cast<db::FloatArrayAttribute*>(
        node->addDynamicAttribute(std::make_unique<db::AttributeDef>(L"samples", db::FloatArray)));
    samples->setValues(values);
    const std::string file = folder.file("floats.xml");
    ASSERT_TRUE(save(database, file, Format::Xml));
    std::string written = contentAfter(readAll(file), "<floatArray name=\"samples\"", "</floatArray>");
    EXPECT_EQ(difference(written, expected), "");

    db::Database loaded(L"floats");
    ASSERT_EQ(load(loaded, file, Format::Xml), "");
    auto* read = loaded.attributeFromDatabasePath(L"/samples.samples", true);
    ASSERT_NE(read, nullptr);
    const auto& readValues = read->asFloatArrayAttribute()->getValues();
    ASSERT_EQ(readValues.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(std::memcmp(&readValues[i], &values[i], 4), 0) << "value " << i << ": " << values[i];
}

TEST(SavedText, FloatsWrittenByOtherToolsAreReadAsTheNearestFloat)
{
    // Other tools write more digits than the shortest form: the reader must
    // round each text as a whole, right next to the points half way between
    // two floats too, where a reading off by the smallest step would round
    // the other way.
    std::mt19937 random(20261207);
    std::vector<std::string> texts = {"0.100000001490116", "0.300000011920929", "16777217",         "16777217.0",
                                      "0.000000059604645", "33554434.00000",    "1.00000005960464", "99999.9960937500"};
    auto add = [&texts](double value, int digits)
    {
        char text[64];
        texts.emplace_back(text, std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, digits).ptr);
    };
    for (int i = 0; i < 20000; ++i)
    {
        const float below =
            std::uniform_real_distribution<float>(-10.0f, 10.0f)(random) * std::pow(10.0f, float(i % 12 - 7));
        const double halfWay = (double(below) + double(std::nextafter(below, FLT_MAX))) / 2;
        // Fifteen digits, the most the fast road takes: the nearest such text is a few of a double's steps away.
        const int places = 14 - std::max(0, int(std::floor(std::log10(std::fabs(halfWay)))));
        const double step = std::pow(10.0, -places);
        for (double near : {halfWay - step, halfWay, halfWay + step})
            add(near, places);
        add(std::uniform_real_distribution<double>(-1.0, 1.0)(random), 1 + i % 14);
    }

    ScratchFolder folder;
    db::Database database(L"floats");
    db::Node* node = addNode(database, L"Mesh", L"samples");
    node->addDynamicAttribute(std::make_unique<db::AttributeDef>(L"samples", db::FloatArray));
    const std::string xml = xmlOf(database, folder);
    const std::size_t tagEnd = xml.find('>', xml.find("<floatArray name=\"samples\"")) + 1;
    std::string all;
    for (const std::string& text : texts)
        all += text + ' ';
    const std::string file = folder.file("other-tool.xml");
    writeAll(file, xml.substr(0, tagEnd) + all + xml.substr(xml.find('<', tagEnd)));

    db::Database loaded(L"floats");
    ASSERT_EQ(load(loaded, file, Format::Xml), "");
    const auto& read =
        loaded.attributeFromDatabasePath(L"/samples.samples", true)->asFloatArrayAttribute()->getValues();
    ASSERT_EQ(read.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
    {
        float expected = 0;
        std::from_chars(texts[i].data(), texts[i].data() + texts[i].size(), expected);
        EXPECT_EQ(std::memcmp(&read[i], &expected, 4), 0) << texts[i] << " read as " << read[i];
    }
}

TEST(SavedText, LongStringsAreEscapedAndEncodedThroughout)
{
    // Long enough that the writers work through it in pieces: markup, control
    // characters, multi-byte and astral characters land on every boundary.
    std::wstring piece = L"a&<>\"\t\n\r\x01\u00e9\u4e2d\U0001F600";
    piece += static_cast<wchar_t>(0xD800); // a lone surrogate
    piece += static_cast<wchar_t>(0);      // dropped: no file holds U+0000
    piece += static_cast<wchar_t>(0x110000);
    std::wstring text;
    for (int i = 0; i < 7001; ++i)
        text += piece.substr(0, static_cast<std::size_t>(i) % piece.size() + 1);

    ScratchFolder folder;
    db::Database database(L"strings");
    db::Node* node = addNode(database, L"Mesh", text);
    node->addDynamicString(L"note", text);

    const std::string xml = xmlOf(database, folder);
    EXPECT_EQ(difference(contentAfter(xml, "<string name=\"note\"", "</string>"), escaped(text, false)), "");
    const std::string nameStart = "<node type=\"Mesh\" name=\"";
    ASSERT_NE(xml.find(nameStart), std::string::npos);
    std::size_t name = xml.find(nameStart) + nameStart.size();
    EXPECT_EQ(difference(xml.substr(name, xml.find('"', name) - name), escaped(text, true)), "");

    // Attribute names are escaped once per definition and reused: short and
    // long ones, shared by several nodes, must all come out escaped.
    const std::wstring shortName = L"a<b";
    const std::wstring longName = L"a name long enough to need more than one piece of \"markup\" & <more>";
    db::Database names(L"names");
    for (int i = 0; i < 3; ++i)
    {
        db::Node* extra = addNode(names, L"Mesh", L"extra");
        extra->addDynamicString(shortName, L"s");
        extra->addDynamicString(longName, L"l");
    }
    const std::string named = xmlOf(names, folder);
    for (const std::wstring& attributeName : {shortName, longName})
    {
        const std::string tag = "<string name=\"" + escaped(attributeName, true) + "\" dynamic=\"1\"";
        std::size_t count = 0;
        for (std::size_t at = named.find(tag); at != std::string::npos; at = named.find(tag, at + 1))
            ++count;
        EXPECT_EQ(count, 3u) << tag;
    }

    // What reads back is the text as files can hold it.
    std::wstring held;
    for (wchar_t c : text)
    {
        auto code = static_cast<unsigned long>(c);
        if (code != 0)
            held += (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF ? L'\uFFFD' : c;
    }
    for (Format format : {Format::Xml, Format::Binary})
    {
        const std::string file = folder.file(format == Format::Xml ? "strings.xml" : "strings.dbb");
        ASSERT_TRUE(save(database, file, format));
        db::Database loaded(L"strings");
        ASSERT_EQ(load(loaded, file, format), "");
        ASSERT_EQ(loaded.getRootContainer().getNodeCount(), 1u);
        db::Node* read = loaded.getRootContainer().getNode(0);
        EXPECT_TRUE(read->getName() == held);
        auto* note = read->findAttribute(L"note");
        ASSERT_NE(note, nullptr);
        EXPECT_TRUE(note->asStringAttribute()->getValue() == held);
    }
}

} // namespace

namespace
{

/// The text of the element `<type name="name">` in `xml`; "(none)" when there is none.
std::string elementText(const std::string& xml, const std::string& type, const std::wstring& name)
{
    const std::string open = "<" + type + " name=\"" + std::string(name.begin(), name.end()) + "\">";
    const std::size_t begin = xml.find(open);
    if (begin == std::string::npos)
        return "(none)";
    const std::size_t textBegin = begin + open.size();
    return xml.substr(textBegin, xml.find('<', textBegin) - textBegin);
}

std::wstring textOf(const db::Attribute& attribute)
{
    std::wstring text;
    EXPECT_TRUE(db::valueToText(attribute, text));
    return text;
}

std::string utf8Of(const std::wstring& text)
{
    std::string utf8;
    for (wchar_t c : text)
        appendUtf8(utf8, static_cast<unsigned long>(c));
    return utf8;
}

} // namespace

TEST(SavedText, AValueAsTextIsWhatFilesHoldAndReadsBackAsTheSameValue)
{
    ScratchFolder folder;
    db::Database database(L"values");
    db::Node* source = addNode(database, L"AllTypes", L"source");
    db::Node* copy = addNode(database, L"AllTypes", L"copy");
    const auto at = [source](const wchar_t* name) { return source->findAttribute(name); };
    at(L"int")->asIntAttribute()->setValue(-42);
    at(L"bool")->asBoolAttribute()->setValue(true);
    at(L"enum")->asEnumAttribute()->setValue(2);
    at(L"float")->asFloatAttribute()->setValue(0.1f);
    at(L"double")->asDoubleAttribute()->setValue(-1.0e-300);
    at(L"string")->asStringAttribute()->setValue(L"two w\u00f6rds");
    at(L"vector3")->asVector3Attribute()->setValue(OrkP::Vector3(0.5f, -1.0f, 3.0e-7f));
    at(L"matrix34")->asMatrix34Attribute()->setValue(OrkP::Matrix34::identity());
    at(L"pointer")->asPointerAttribute()->setValue(copy);
    at(L"intArray")->asIntArrayAttribute()->setValues({1, -2, 3});
    at(L"boolArray")->asBoolArrayAttribute()->setValues({true, false});
    at(L"floatArray")->asFloatArrayAttribute()->setValues({0.25f, 1.0e10f});
    at(L"doubleArray")->asDoubleArrayAttribute()->setValues({});
    at(L"vector3Array")->asVector3ArrayAttribute()->setValues({OrkP::Vector3(1, 2, 3), OrkP::Vector3(-4, 5.5f, 6)});
    at(L"matrix34Array")->asMatrix34ArrayAttribute()->setValues({OrkP::Matrix34::identity()});
    const std::string xml = xmlOf(*source, folder);

    struct Case
    {
        const wchar_t* name;
        const char* element;
    };
    const Case cases[] = {{L"int", "int"},
                          {L"bool", "bool"},
                          {L"enum", "enum"},
                          {L"float", "float"},
                          {L"double", "double"},
                          {L"string", "string"},
                          {L"vector3", "vector3"},
                          {L"matrix34", "matrix34"},
                          {L"intArray", "intArray"},
                          {L"boolArray", "boolArray"},
                          {L"floatArray", "floatArray"},
                          {L"vector3Array", "vector3Array"},
                          {L"matrix34Array", "matrix34Array"}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.element));
        const std::wstring text = textOf(*at(c.name));
        EXPECT_EQ(utf8Of(text), elementText(xml, c.element, c.name));
        std::wstring why;
        EXPECT_TRUE(db::setValueFromText(*copy->findAttribute(c.name), text, why));
        EXPECT_TRUE(copy->findAttribute(c.name)->hasSameValue(*at(c.name)));
    }
    // What a user reads and types: names, words and paths.
    EXPECT_EQ(textOf(*at(L"enum")), L"Blue");
    EXPECT_EQ(textOf(*at(L"bool")), L"true");
    EXPECT_EQ(textOf(*at(L"doubleArray")), L"");
    EXPECT_EQ(textOf(*at(L"pointer")), L"/copy");
    std::wstring why;
    EXPECT_TRUE(db::setValueFromText(*copy->findAttribute(L"pointer"), L"/source", why));
    EXPECT_EQ(copy->findAttribute(L"pointer")->asPointerAttribute()->getValue(), source);
    EXPECT_TRUE(db::setValueFromText(*copy->findAttribute(L"pointer"), L"", why));
    EXPECT_EQ(copy->findAttribute(L"pointer")->asPointerAttribute()->getValue(), nullptr);
    // Limits apply as they do to typing; space around a number is no fault.
    EXPECT_TRUE(db::setValueFromText(*copy->findAttribute(L"int"), L" 5000\n", why));
    EXPECT_EQ(copy->findAttribute(L"int")->asIntAttribute()->getValue(), 1000);

    // Kinds that files spread over elements have no text of their own.
    for (const wchar_t* name : {L"stringArray", L"enumArray", L"pointerArray", L"entries", L"compound"})
    {
        std::wstring text = L"left over";
        EXPECT_FALSE(db::valueToText(*at(name), text));
        EXPECT_EQ(text, L"");
        EXPECT_FALSE(db::setValueFromText(*at(name), L"", why));
        EXPECT_FALSE(why.empty());
    }
}

TEST(SavedText, TextThatIsNoValueOfTheTypeChangesNothingAndSaysWhy)
{
    db::Database database(L"values");
    db::Node* node = addNode(database, L"AllTypes", L"node");
    database.clearUndoHistory();
    const std::string before = nodedbtest::describe(*node);
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"int", L"12abc"},      {L"int", L"99999999999"},  {L"int", L""},           {L"bool", L"yes"},
        {L"enum", L"Purple"},    {L"float", L"1.5.2"},      {L"double", L"1e999"},   {L"vector3", L"1 2"},
        {L"matrix34", L"1 2 3"}, {L"pointer", L"/nowhere"}, {L"intArray", L"1 x 3"}, {L"vector3Array", L"1 2 3 4"},
    };
    for (const auto& [name, text] : cases)
    {
        std::wstring why;
        EXPECT_FALSE(db::setValueFromText(*node->findAttribute(name), text, why)) << utf8Of(text);
        EXPECT_FALSE(why.empty());
    }
    EXPECT_EQ(nodedbtest::describe(*node), before);
    EXPECT_EQ(database.getUndoStackSize(), 0u);
}

namespace
{

struct TopNodesText
{
    std::string xml;
    /// The last progress report, done and total.
    std::pair<std::size_t, std::size_t> progress;
};

/// `nodes` written as the top-level nodes of a database: through copies of
/// them in a database of their own, the reference, or from the nodes themselves.
TopNodesText savedAsTopNodes(const std::vector<const db::Node*>& nodes, int flags, bool throughCopies)
{
    db::Database* source = nodes.front()->getDatabase();
    db::Database holder(source ? source->getName() : L"Clipboard", source ? &source->getTypeRegistry() : nullptr);
    TopNodesText text;
    db::FileOutputStream stream(db::FileOutputStream::ToMemory{text.xml});
    db::SaverXML saver(stream, flags);
    saver.setProgress(
        [&text](std::size_t done, std::size_t total)
        {
            text.progress = {done, total};
            return true;
        });
    bool saved = false;
    if (throughCopies)
    {
        for (std::unique_ptr<db::Node>& copy : db::Node::makeCopies(nodes))
            if (holder.getRootContainer().add(copy.get()))
                copy.release();
        saved = saver.save(holder);
    }
    else
        saved = saver.saveAsTopNodes(holder, nodes);
    if (!saved)
        text.xml = "<save failed: " + saver.getError() + ">";
    return text;
}

db::Node* childAt(const db::Node* node, std::size_t index)
{
    return node->getChildNodes().at(index);
}

} // namespace

TEST(SavedText, NodesWrittenAsTopNodesAreTheTextOfCopiesOfThem)
{
    db::Database database(L"source <of> \"copies\" & more");
    db::Node* group = buildAwkwardScene(database);
    db::Node* all = database.getChildNodes()[1];
    db::Node* twinGroup = database.getChildNodes()[2];
    db::Node* library = database.getChildNodes()[3];
    db::Node* twinMesh = childAt(group, 0);
    db::Node* twinWithLights = childAt(group, 1);
    db::Node* unnamedLight = childAt(group, 2);
    db::Node* summerMesh = childAt(group, 3);
    db::Node* script = childAt(library, 1);
    auto* entries = all->findAttribute(L"entries")->asAttributeArray();
    db::Attribute* amount = entries->getAttribute(1)->asCompositeAttribute()->getAttribute(1);
    db::Attribute* gone = addNode(database, L"Light", L"gone", twinWithLights);
    gone->remove();
    db::Attribute* removedLabel = entries->add(false)->getAttribute(0);
    entries->removeElement(entries->getSize() - 1);
    const auto point = [](db::Node* node, const wchar_t* name, db::Attribute* target)
    { node->findAttribute(name)->asPointerAttribute()->setValue(target); };
    point(twinMesh, L"material", twinWithLights);
    point(summerMesh, L"material", amount);
    point(twinWithLights, L"material", twinGroup);
    point(all, L"pointer", summerMesh);
    all->findAttribute(L"pointerArray")
        ->asPointerArrayAttribute()
        ->setValues({nullptr, group, unnamedLight, childAt(twinWithLights, 1), &database, script,
                     all->findAttribute(L"odd.name[0]"), gone, removedLabel, all, twinGroup, childAt(group, 10),
                     all->findAttribute(L"compound")->asCompositeAttribute()->getAttribute(2)});
    script->findAttribute(L"targets")->asPointerArrayAttribute()->setValues({all, twinMesh, script, library});
    childAt(library, 2)
        ->findAttribute(L"targets")
        ->asPointerArrayAttribute()
        ->setValues({twinGroup, childAt(library, 0)});
    point(addNode(database, L"Camera", L"eye", twinGroup), L"target", script);
    // Dynamic attributes write their definitions: options, units, limits, defaults.
    auto colours = std::make_unique<db::EnumAttributeDef>(L"shade <&>", db::Enum, 2);
    colours->addString(L"Dark \"one\"", 4);
    colours->addString(L"Light", 9);
    colours->setDefaultNumber(9);
    all->addDynamicAttribute(std::move(colours));
    twinMesh->addDynamicFloat(L"weight", 0.25f, -1, 1);
    twinMesh->addDynamicIntArray(L"counts", 3, 0, 10)->setValues({1, 2});
    auto* dynamicPointer = static_cast<db::PointerAttribute*>(
        twinMesh->addDynamicAttribute(std::make_unique<db::AttributeDef>(L"also", db::Pointer)));
    dynamicPointer->setValue(twinMesh->findAttribute(L"weight"));
    addPointerArray(*summerMesh, L"around", {twinMesh, nullptr, group, all});

    // Enough nodes for helpers to write pieces of them, with names repeated among the top nodes.
    db::Node* bulk = addNode(database, L"Group", L"bulk");
    for (int i = 0; i < 1500; ++i)
        addNode(database, L"Mesh", i % 7 == 0 ? L"" : L"m" + std::to_wstring(i % 5), bulk);
    const std::vector<db::Node*> meshes = bulk->getChildNodes();
    for (std::size_t i = 0; i < meshes.size(); ++i)
        point(meshes[i], L"material", i % 3 == 0 ? static_cast<db::Attribute*>(all) : meshes[i * 7 % meshes.size()]);

    // A tree in no database, with a pointer inside it.
    std::unique_ptr<db::Node> loose(db::makeNode(L"Group", L"loose"));
    db::Node* looseMesh = db::makeNode(L"Mesh", L"inside");
    loose->findAttribute(L"children")->asNodeContainer()->add(looseMesh);
    point(looseMesh, L"material", loose.get());
    loose->addDynamicString(L"note", L"x");
    db::Node* looseCamera = db::makeNode(L"Camera", L"");
    loose->findAttribute(L"children")->asNodeContainer()->add(looseCamera);
    point(looseCamera, L"target", loose->findAttribute(L"note"));
    addPointerArray(*loose, L"inside", {looseMesh, looseCamera});

    struct Case
    {
        const char* what;
        std::vector<const db::Node*> nodes;
    };
    const Case cases[] = {
        {"one node, pointers inside it and out", {group}},
        {"two top nodes pointing at each other, in reverse order", {all, group}},
        {"pointers out of the copied node", {all}},
        {"like-named nodes from different places", {twinMesh, twinGroup, childAt(library, 0), childAt(library, 2)}},
        {"unnamed nodes", {unnamedLight, childAt(twinWithLights, 0), childAt(twinWithLights, 1)}},
        {"a script pointing at what was copied with it", {script, summerMesh, twinMesh}},
        {"a group big enough to be written in pieces", {bulk}},
        {"many top nodes with repeated names", {meshes.begin(), meshes.end()}},
        {"a tree in no database", {loose.get()}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        for (int flags : {0, db::SaverXML::s_compact, db::SaverXML::s_oneThread})
        {
            SCOPED_TRACE("flags " + std::to_string(flags));
            const TopNodesText expected = savedAsTopNodes(c.nodes, flags, true);
            const TopNodesText written = savedAsTopNodes(c.nodes, flags, false);
            EXPECT_EQ(difference(written.xml, expected.xml), "");
            EXPECT_EQ(written.progress, expected.progress);
        }
    }
    // The reference holds paths of both kinds, so that the texts compared them.
    const std::string reference = savedAsTopNodes({all, group}, 0, true).xml;
    EXPECT_NE(reference.find("<pointer name=\"pointer\" local=\"1\">a\\/b"), std::string::npos) << reference;
    EXPECT_NE(reference.find("<e>/twin[1]/"), std::string::npos) << reference;
}
