// Big XML files are read in pieces and built on several threads; anything
// unusual, and every error, sends the loader back to reading the file whole.
// Both roads must give the same database, or the same message.

#include "FilesTestSupport.h"
#include "NodeDbTestSupport.h"
#include "SceneGenerator.h"

#include <db/NodeContainer.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <tuple>

using namespace filestest;

namespace
{

const char* const s_header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string sceneFile(const std::string& nodes)
{
    return std::string(s_header) +
           "<nodedb version=\"1\" kind=\"database\">\n<node type=\"Database\" name=\"D\">\n<container "
           "name=\"nodes\">\n" +
           nodes + "</container>\n</node>\n</nodedb>\n";
}

/// What loading gives: the error, or the database as XML.
std::string outcome(const std::string& text, const ScratchFolder& folder)
{
    db::Database database;
    const std::string error = loadBytes(database, text, Format::Xml);
    return error.empty() ? xmlOf(database, folder) : error;
}

/// Counts how the pieces of the loads made meanwhile were built.
class PieceCount
{
public:
    PieceCount()
    {
        db::LoaderXML::setPieceHook([this](bool direct) { ++(direct ? m_direct : m_parsed); });
    }
    ~PieceCount() { db::LoaderXML::setPieceHook({}); }
    /// True when there were pieces and every one was built straight from its text.
    bool allDirect() const { return m_direct > 0 && m_parsed == 0; }
    bool anyParsed() const { return m_parsed > 0; }

private:
    std::atomic<int> m_direct{0};
    std::atomic<int> m_parsed{0};
};

/// The generated test scene as XML, the same in every test.
const std::string& bigScene()
{
    static const std::string s_text = []
    {
        ScratchFolder folder;
        db::Database database(L"Scene");
        nodedb_tool::generateScene(database, 12000, 3);
        save(database, folder.file("scene.xml"), Format::Xml);
        return readAll(folder.file("scene.xml"));
    }();
    return s_text;
}

/// The line (from 1) at which `needle` first occurs in `text`.
int lineOf(const std::string& text, const std::string& needle)
{
    const std::size_t at = text.find(needle);
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
}

} // namespace

TEST(PiecewiseReading, UnusualTextGivesWhatReadingItWholeGives)
{
    // A comment after the top element makes the loader read the file whole;
    // it changes no line of what comes before.
    const std::string light = "<node type=\"Light\" name=\"l\"><float name=\"range\">2</float></node>\n";
    const std::string group = "<node type=\"Group\" name=\"g\"><container name=\"children\">\n" + light + light +
                              "</container><int name=\"layer\">3</int></node>\n";
    const std::pair<const char*, std::string> cases[] = {
        {"leaves and groups", sceneFile(light + group + light + group)},
        {"empty tags", sceneFile("<node type=\"Light\" name=\"a\"/>\n<node type=\"Light\" name=\"b\" />\n")},
        {"quotes and markup in values",
         sceneFile("<node type='Light' name='a&apos;&lt;/node&gt;'><float name=\"range\" >1</float ></node >\n")},
        {"markup in an attribute value", sceneFile("<node type=\"Light\" name=\"</node>\"/>\n" + light)},
        {"node text in a value", sceneFile("<node type=\"Script\" name=\"s\"><string name=\"source\">"
                                           "&lt;node type=&quot;x&quot;&gt;</string></node>\n")},
        {"comment in a leaf", sceneFile("<node type=\"Light\" name=\"a\"><!-- </node> --></node>\n" + light)},
        {"comment after members", sceneFile("<node type=\"Light\" name=\"a\"><float name=\"range\">2</float>"
                                            "<float name=\"intensity\">3</float><!-- x --></node>\n" +
                                            light)},
        {"instruction after members", sceneFile("<node type=\"Light\" name=\"a\"><float name=\"range\">2</float>"
                                                "<float name=\"intensity\">3</float><?pi x?></node>\n" +
                                                light)},
        {"CDATA in a leaf", sceneFile("<node type=\"Script\" name=\"s\"><string name=\"source\"><![CDATA[</node>]]>"
                                      "</string></node>\n")},
        {"no declaration", sceneFile(light).substr(std::strlen(s_header))},
        {"another encoding", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" +
                                 sceneFile("<node type=\"Light\" name=\"caf\xe9\"/>").substr(std::strlen(s_header))},
        {"text between nodes", sceneFile(light + "stray\n" + light)},
        {"text after the last node", sceneFile(light + "stray")},
        {"the placeholder's name", sceneFile(light + "<_unit/>" + light)},
        {"an unknown type in a run", sceneFile(light + "<node type=\"Teapot\" name=\"t\"/>\n" + light)},
        {"a mismatched end tag", sceneFile("<node type=\"Light\" name=\"l\"><float name=\"range\">2</int></node>\n")},
        {"a node that never ends", sceneFile("<node type=\"Light\" name=\"l\">")},
        {"a second top element", sceneFile(light) + "<nodedb/>"},
        {"nodes in a compound",
         sceneFile("<node type=\"AllTypes\" name=\"a\"><compound name=\"compound\">" + light + "</compound></node>\n")},
        // Where text may and may not stand in the elements of a unit.
        {"text before members", sceneFile("<node type=\"Light\" name=\"a\">x<float name=\"range\">2</float></node>\n")},
        {"text after members", sceneFile("<node type=\"Light\" name=\"a\"><float name=\"range\">2</float>x</node>\n")},
        {"an element in a value",
         sceneFile("<node type=\"Light\" name=\"a\"><float name=\"range\">2<b/></float></node>\n")},
        {"a value in pieces",
         sceneFile("<node type=\"Light\" name=\"a\"><float name=\"range\">2<b/>3</float></node>\n")},
        {"an element then a value",
         sceneFile("<node type=\"Light\" name=\"a\"><float name=\"range\"><b/>2</float></node>\n")},
        {"spaces as a value",
         sceneFile("<node type=\"Script\" name=\"s\"><string name=\"source\"> \t </string></node>\n")},
        {"text in a container", sceneFile("<node type=\"Group\" name=\"g\"><container name=\"children\">x</container>"
                                          "</node>\n")},
        {"text in a compound", sceneFile("<node type=\"AllTypes\" name=\"a\"><compound name=\"compound\">x"
                                         "<float name=\"width\">2</float></compound></node>\n")},
        {"text among items", sceneFile("<node type=\"Script\" name=\"s\"><stringArray name=\"parameters\">x<e>a</e>"
                                       "</stringArray></node>\n")},
        {"items with spaces", sceneFile("<node type=\"Script\" name=\"s\"><stringArray name=\"parameters\"><e> </e>"
                                        "<e></e><e>b</e></stringArray></node>\n")},
        {"text in a dynamic enum", sceneFile("<node type=\"Script\" name=\"s\"><enum name=\"k\" dynamic=\"1\">x"
                                             "<option>A</option><e>A</e></enum></node>\n")},
    };
    ScratchFolder folder;
    for (const auto& [name, text] : cases)
    {
        SCOPED_TRACE(name);
        EXPECT_EQ(outcome(text, folder), outcome(text + "<!---->", folder));
    }
}

TEST(PiecewiseReading, PiecesReadStraightFromTheirTextGiveWhatParsingGives)
{
    // Members of a node of every kind, as the savers write them; each spelling
    // below that the direct reader leaves to the parser stands after a
    // neighbour that it reads. Either way a load gives what reading the file whole gives.
    const std::string every =
        "<int name=\"int\">-12</int>\n  <bool name=\"bool\">true</bool>\n  <enum name=\"enum\">Blue</enum>"
        "<float name=\"float\">0.33333334</float><double name=\"double\">1e+12</double>"
        "<string name=\"string\">caf\xc3\xa9 &lt;&amp;&gt;&quot;&apos; \"q\" &#233;&#x1F600;&#65;</string>"
        "<string name=\"script\">-- a\n\tb\n</string><vector3 name=\"vector3\">1 2 3</vector3>"
        "<matrix34 name=\"matrix34\">1 0 0 0 1 0 0 0 1 4 5 6</matrix34><pointer name=\"pointer\" "
        "local=\"1\">l</pointer>"
        "<intArray name=\"intArray\">-2147483648 0 2147483647</intArray>"
        "<boolArray name=\"boolArray\">\n true\tfalse 1 0 </boolArray>"
        "<enumArray name=\"enumArray\">\n <e>Low</e>\n <e>2</e>\n</enumArray>"
        "<floatArray name=\"floatArray\">-1.5 nan -0 1e-45</floatArray><doubleArray name=\"doubleArray\">0.1 "
        "5e-324</doubleArray>"
        "<stringArray name=\"stringArray\"><e></e><e/><e>  spaced  </e><e>\xc3\xbc</e></stringArray>"
        "<vector3Array name=\"vector3Array\"/><matrix34Array name=\"matrix34Array\"></matrix34Array>"
        "<pointerArray name=\"pointerArray\"><e local=\"1\">a.float</e><e/><e local=\"1\"/></pointerArray>"
        "<container name=\"children\"/><attributeArray name=\"entries\"><compound><string name=\"label\">x</string>"
        "<float name=\"amount\">2</float></compound><compound/></attributeArray><compound name=\"compound\">"
        "<float name=\"width\">3</float><compound name=\"inner\"><bool name=\"flag\">1</bool></compound></compound>";
    const std::tuple<const char*, std::string, bool> cases[] = {
        {"every kind", every, true},
        {"members in another order, some left out", "<double name=\"double\">2</double><int name=\"int\">3</int>",
         true},
        {"spacing and quotes of other writers", "<float  name = 'float' >2</float >\n<string\tname=\"string\" />",
         true},
        {"a carriage return", "<string name=\"string\">a\r\nb</string>", false},
        {"an unknown reference", "<string name=\"string\">&nbsp;</string>", false},
        {"a reference with a capital X", "<string name=\"string\">&#X41;</string>", false},
        {"a reference to U+0000", "<string name=\"string\">&#0;</string>", false},
        {"a reference to a surrogate", "<string name=\"string\">&#xD800;</string>", false},
        {"a reference past the last code point", "<string name=\"string\">&#x110000;</string>", false},
        {"a reference in a pointer path", "<pointer name=\"pointer\" local=\"1\">&#108;</pointer>", false},
        {"a tab in an attribute value", "<float name=\"fl\toat\">2</float>", false},
        {"spaces alone as a value", "<string name=\"string\">  </string>", false},
        {"spaces alone in a compound", "<compound name=\"compound\"> </compound>", false},
        {"a dynamic attribute", "<int name=\"extra\" dynamic=\"1\" default=\"0\"><e>3</e></int>", false},
        {"an attribute of no meaning here", "<float name=\"float\" unit=\"m\">2</float>", false},
        {"attributes run together", "<float name=\"float\"unit=\"m\">2</float>", false},
        {"options among items", "<enumArray name=\"enumArray\"><option>x</option><e>Low</e></enumArray>", false},
        {"the wrong type for a member", "<int name=\"float\">1</int>", false},
        {"a number that does not read", "<float name=\"float\">1.5x</float>", false},
        {"a list that does not read", "<floatArray name=\"floatArray\">1 &#50;</floatArray>", false},
        {"bad UTF-8", "<string name=\"string\">\xff</string>", false},
        {"text among members", "x<int name=\"int\">3</int>", false},
    };
    ScratchFolder folder;
    for (const auto& [name, members, direct] : cases)
    {
        SCOPED_TRACE(name);
        const std::string text =
            sceneFile("<node type=\"AllTypes\" name=\"a\">" + members + "</node>\n<node type=\"Light\" name=\"l\"/>\n");
        PieceCount pieces;
        const std::string result = outcome(text, folder);
        EXPECT_EQ(pieces.allDirect(), direct);
        EXPECT_EQ(pieces.anyParsed(), !direct);
        EXPECT_EQ(result, outcome(text + "<!---->", folder));
    }
}

TEST(PiecewiseReading, BigScenesReadBackWholeAndTheirErrorsKeepTheirLines)
{
    ScratchFolder folder;
    const std::string& text = bigScene();
    ASSERT_GT(text.size(), std::size_t(12) << 20) << "the scene must span more than one piece";
    writeAll(folder.file("scene.xml"), text);
    db::Database loaded(L"Scene");
    nodedbtest::RecordingObserver observer(loaded);
    {
        PieceCount pieces;
        ASSERT_EQ(load(loaded, folder.file("scene.xml"), Format::Xml), "");
        EXPECT_TRUE(pieces.allDirect()) << "the savers' own text is read without a parser";
    }
    EXPECT_EQ(xmlOf(loaded, folder), text);
    EXPECT_TRUE(countedRight(loaded));
    EXPECT_TRUE(placedRight(loaded));
    std::vector<db::Node*> nodes;
    nodesInOrder(loaded, nodes);
    ASSERT_EQ(observer.reports.size(), 1u);
    EXPECT_TRUE(observer.last().AddedNodes() == nodes);
    {
        // Saved by one thread, the text is the same as saved in pieces by several.
        db::FileOutputStream stream(folder.file("one.xml"));
        ASSERT_TRUE(db::SaverXML(stream, db::SaverXML::s_oneThread).save(loaded));
        EXPECT_TRUE(readAll(folder.file("one.xml")) == text);
    }
    {
        // The binary file too, whose pieces number their names on their own.
        db::FileOutputStream stream(folder.file("one.dbb"), db::FileOpenMode::Binary, db::OutputStreamEncoding::Raw);
        ASSERT_TRUE(db::SaverBinary(stream, db::SaverBinary::s_oneThread).save(loaded));
        ASSERT_TRUE(save(loaded, folder.file("pieces.dbb"), Format::Binary));
        EXPECT_TRUE(readAll(folder.file("pieces.dbb")) == readAll(folder.file("one.dbb")));
        db::Database reloaded(L"Scene");
        ASSERT_EQ(load(reloaded, folder.file("pieces.dbb"), Format::Binary), "");
        EXPECT_EQ(xmlOf(reloaded, folder), text);
    }

    // Errors far into the file, found while building a piece and while resolving pointers.
    const std::size_t late = text.size() * 3 / 4;
    const std::size_t mesh = text.find("<node type=\"Mesh\"", late);
    std::string badType = text;
    badType.replace(mesh + 12, 4, "Vase");
    std::string refused = text;
    refused.insert(text.find("<node type=\"Mesh\"", mesh + 1), "<node type=\"Material\" name=\"Stray\"/>");
    const std::size_t pointer = text.find("<pointer name=\"material\" local=\"1\">", late);
    std::string badPointer = text;
    badPointer.insert(text.find('>', pointer) + 1, "Nowhere/");
    for (const auto& [bad, needle, what] :
         {std::make_tuple(badType, std::string("\"Vase\""), std::string("unknown node type \"Vase\"")),
          std::make_tuple(refused, std::string("\"Stray\""), std::string("\"Material\" node cannot go into")),
          std::make_tuple(badPointer, std::string("Nowhere/"), std::string("names nothing in the file"))})
    {
        writeAll(folder.file("bad.xml"), bad);
        db::Database database(L"Scene");
        const std::string error = load(database, folder.file("bad.xml"), Format::Xml);
        EXPECT_NE(error.find(": line " + std::to_string(lineOf(bad, needle)) + ": "), std::string::npos) << error;
        EXPECT_NE(error.find(what), std::string::npos) << error;
        EXPECT_EQ(database.getRootContainer().getNodeCount(), 0u);
        EXPECT_EQ(database.getUndoStackSize(), 0u);
    }
}

TEST(PiecewiseReading, LoadsAndSavesTellTheirProgressAndStopWhenAsked)
{
    ScratchFolder folder;
    db::Database source(L"Scene");
    nodedb_tool::generateScene(source, 3000, 5);
    for (Format format : {Format::Xml, Format::Binary})
    {
        SCOPED_TRACE(format == Format::Xml ? "XML" : "binary");
        const std::string file = folder.file(format == Format::Xml ? "scene.xml" : "scene.dbb");

        // Saving: steps forward to the whole, then a cancel keeps the file there.
        std::vector<std::pair<std::size_t, std::size_t>> steps;
        auto saveWith = [&](const db::Progress& progress)
        {
            db::FileOutputStream stream(file, db::FileOpenMode::Binary, db::OutputStreamEncoding::Utf8);
            if (format == Format::Xml)
            {
                db::SaverXML saver(stream, 0);
                saver.setProgress(progress);
                return saver.save(source) ? std::string() : saver.getError();
            }
            db::SaverBinary saver(stream, 0);
            saver.setProgress(progress);
            return saver.save(source) ? std::string() : saver.getError();
        };
        auto record = [&steps](std::size_t done, std::size_t total)
        {
            steps.emplace_back(done, total);
            return true;
        };
        ASSERT_EQ(saveWith(record), "");
        const std::string saved = readAll(file);
        ASSERT_GT(steps.size(), 2u);
        EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
        EXPECT_EQ(steps.back().first, steps.back().second);
        std::size_t calls = 0;
        EXPECT_EQ(saveWith([&calls](std::size_t, std::size_t) { return ++calls < 2; }), "cancelled");
        EXPECT_EQ(readAll(file), saved);
        const auto entries = folder.entries();
        EXPECT_TRUE(
            std::none_of(entries.begin(), entries.end(), [](const std::string& name) { return name[0] == '.'; }))
            << "a temporary file was left";

        // Loading: bytes read forward to the whole, and a cancel changes nothing.
        auto loadWith = [&](db::Database& database, const db::Progress& progress)
        {
            db::FileInputStream stream(file, db::FileOpenMode::Binary);
            if (format == Format::Xml)
            {
                db::LoaderXML loader(stream, 0, nullptr);
                loader.setProgress(progress);
                return loader.load(database) ? db::LoadError() : loader.getError();
            }
            db::LoaderBinary loader(stream, 0, nullptr);
            loader.setProgress(progress);
            return loader.load(database) ? db::LoadError() : loader.getError();
        };
        steps.clear();
        db::Database loaded(L"Scene");
        nodedbtest::RecordingObserver observer(loaded);
        ASSERT_TRUE(loadWith(loaded, record).empty());
        EXPECT_EQ(xmlOf(loaded, folder), xmlOf(source, folder));
        // Built in pieces, the nodes are still placed, counted and reported as one tree.
        EXPECT_TRUE(placedRight(loaded));
        EXPECT_TRUE(countedRight(loaded));
        std::vector<db::Node*> nodes;
        nodesInOrder(loaded, nodes);
        ASSERT_EQ(observer.reports.size(), 1u);
        EXPECT_TRUE(observer.last().AddedNodes() == nodes);
        ASSERT_FALSE(steps.empty());
        EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
        EXPECT_EQ(steps.back().first, steps.back().second);

        db::Database cancelled(L"Scene");
        const db::LoadError error = loadWith(cancelled, [](std::size_t, std::size_t) { return false; });
        EXPECT_TRUE(error.cancelled);
        EXPECT_EQ(error.what, "cancelled");
        EXPECT_EQ(cancelled.getRootContainer().getNodeCount(), 0u);
        EXPECT_EQ(cancelled.getUndoStackSize(), 0u);
    }
}

TEST(FileStreams, InputIsReadLazilyInPiecesOrWhole)
{
    ScratchFolder folder;
    std::string text(3 << 20, 'x');
    text[0] = 'a';
    text.back() = 'z';
    writeAll(folder.file("a.xml"), text);
    std::vector<std::size_t> offsets;
    db::FileInputStream::setReadHook([&offsets](std::size_t offset) { offsets.push_back(offset); });
    db::FileInputStream stream(folder.file("a.xml"));
    EXPECT_TRUE(offsets.empty()) << "nothing is read before it is asked for";
    EXPECT_EQ(stream.size(), text.size());

    std::string pieces(text.size(), '\0');
    EXPECT_EQ(stream.readSome(pieces.data(), 1000), 1000u);
    EXPECT_EQ(stream.readSome(pieces.data() + 1000, text.size()), text.size() - 1000);
    EXPECT_EQ(stream.readSome(pieces.data(), 10), 0u);
    EXPECT_EQ(pieces, text);

    offsets.clear();
    std::size_t told = 0;
    EXPECT_FALSE(stream.readWhole([&told](std::size_t done, std::size_t) { return (told = done) < 1; }));
    EXPECT_GT(told, 0u);
    EXPECT_EQ(std::string(stream.data(), stream.size()), text);
    EXPECT_EQ(offsets.size(), 4u) << "one call per megabyte, after the cancelled first one";
    db::FileInputStream::setReadHook({});
}
