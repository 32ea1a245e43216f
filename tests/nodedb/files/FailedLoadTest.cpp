#include "FilesTestSupport.h"

#include <db/FloatAttribute.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/PointerAttribute.h>

#include <gtest/gtest.h>

using namespace filestest;

namespace
{

const char* const s_header = "<?xml version=\"1.0\"?>\n";

std::string databaseFile(const std::string& nodes)
{
    return std::string(s_header) +
           "<nodedb version=\"1\" kind=\"database\">\n<node type=\"Database\" name=\"D\">\n<container "
           "name=\"nodes\">\n" +
           nodes + "</container>\n</node>\n</nodedb>\n";
}

/// A database with one node, to show that failed loads change nothing.
void fillSmall(db::Database& database)
{
    db::Node* light = db::makeNode(L"Light", L"Lamp", &database.getTypeRegistry());
    database.getRootContainer().add(light);
    static_cast<db::FloatAttribute*>(light->findAttribute(L"intensity"))->setValue(4.0f);
}

/// Groups nested `depth` deep.
std::string nested(int depth)
{
    std::string nodes;
    for (int i = 0; i < depth; ++i)
        nodes += "<node type=\"Group\" name=\"g\"><container name=\"children\">";
    for (int i = 0; i < depth; ++i)
        nodes += "</container></node>";
    return nodes;
}

struct BadXml
{
    const char* name;
    std::string text;
    const char* expected; ///< part of the message
    int line;             ///< where the problem is; 0 to skip the check
};

} // namespace

TEST(FailedLoads, BadXmlIsReportedWithItsLineAndLeavesTheDatabaseAlone)
{
    const BadXml cases[] = {
        {"unknown type", databaseFile("<node type=\"Teapot\" name=\"t\"/>\n"), "unknown node type \"Teapot\"", 5},
        {"bad float",
         databaseFile("<node type=\"Light\" name=\"l\">\n<float name=\"intensity\">bright</float>\n</node>\n"),
         "bad float value", 6},
        {"float with junk", databaseFile("<node type=\"Light\" name=\"l\"><float name=\"range\">1.5x</float></node>\n"),
         "bad float value", 5},
        {"int out of range",
         databaseFile("<node type=\"Group\" name=\"g\"><int name=\"layer\">99999999999</int></node>\n"),
         "bad int value", 5},
        {"unknown attribute",
         databaseFile("<node type=\"Light\" name=\"l\"><float name=\"wattage\">1</float></node>\n"),
         "no attribute \"wattage\"", 5},
        {"wrong element type", databaseFile("<node type=\"Light\" name=\"l\"><int name=\"intensity\">1</int></node>\n"),
         "is a float, not a int", 5},
        {"short vector",
         databaseFile("<node type=\"Light\" name=\"l\"><vector3 name=\"colour\">1 2</vector3></node>\n"),
         "bad vector3 value", 5},
        {"bad word in a list",
         databaseFile("<node type=\"Light\" name=\"l\"><boolArray name=\"b\" dynamic=\"1\">true maybe"
                      "</boolArray></node>\n"),
         "bad bool value \"maybe\"", 5},
        {"bad number in a vector list",
         databaseFile("<node type=\"Light\" name=\"l\"><vector3Array name=\"v\" dynamic=\"1\">1 2 3 4 x 6"
                      "</vector3Array></node>\n"),
         "bad vector3 value \"x\"", 5},
        {"bad enum", databaseFile("<node type=\"Light\" name=\"l\"><enum name=\"kind\">Laser</enum></node>\n"),
         "bad enum value \"Laser\"", 5},
        {"material in scene",
         databaseFile("<node type=\"Group\" name=\"g\"><container name=\"children\">"
                      "<node type=\"Material\" name=\"m\"/></container></node>\n"),
         "cannot go into \"children\"", 5},
        {"dangling local pointer",
         databaseFile(
             "<node type=\"Camera\" name=\"c\"><pointer name=\"target\" local=\"1\">Nowhere</pointer></node>\n"),
         "names nothing in the file", 5},
        {"pointer path not UTF-8",
         databaseFile("<node type=\"Light\" name=\"l\"/>\n<node type=\"Camera\" name=\"c\">"
                      "<pointer name=\"target\" local=\"1\">l\xff</pointer></node>\n"),
         "bad UTF-8 in pointer path", 6},
        {"malformed", databaseFile("<node type=\"Light\" name=\"l\">\n<float name=\"range\">1</floot>\n</node>\n"),
         "malformed XML", 6},
        {"not ours", std::string(s_header) + "<html/>", "not a node database file", 0},
        {"future version", std::string(s_header) + "<nodedb version=\"7\" kind=\"database\"/>",
         "unsupported file version", 0},
        {"empty file", "", "malformed XML", 0},
        {"entity bomb",
         std::string(s_header) + "<!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>\n" +
             "<nodedb version=\"1\" kind=\"subtree\"><node type=\"Script\" name=\"&b;\"/></nodedb>",
         "DTDs are not allowed", 2},
        {"nested too deeply", databaseFile(nested(300)), "nested too deeply", 0},
    };
    for (const BadXml& bad : cases)
    {
        SCOPED_TRACE(bad.name);
        ScratchFolder folder;
        db::Database database;
        fillSmall(database);
        std::string before = xmlOf(database, folder);
        unsigned int steps = database.getUndoStackSize();

        std::string error = loadBytes(database, bad.text, Format::Xml);
        EXPECT_FALSE(error.empty()) << "loaded";
        EXPECT_NE(error.find(bad.expected), std::string::npos) << error;
        if (bad.line > 0)
        {
            EXPECT_NE(error.find("mem: line " + std::to_string(bad.line) + ":"), std::string::npos) << error;
        }
        EXPECT_EQ(xmlOf(database, folder), before);
        EXPECT_EQ(database.getUndoStackSize(), steps);
    }
}

TEST(FailedLoads, DamagedBinaryFilesNeverLoadHalfway)
{
    ScratchFolder folder;
    db::Database source;
    fillSmall(source);
    db::Node* group = db::makeNode(L"Group", L"G", &source.getTypeRegistry());
    source.getRootContainer().add(group);
    db::Node* camera = db::makeNode(L"Camera", L"C", &source.getTypeRegistry());
    source.getRootContainer().add(camera);
    camera->findAttribute(L"target")->asPointerAttribute()->setValue(source.getRootContainer().getNode(0));
    ASSERT_TRUE(save(source, folder.file("good.dbb"), Format::Binary));
    const std::string good = readAll(folder.file("good.dbb"));

    db::Database target;
    fillSmall(target);
    const std::string before = xmlOf(target, folder);

    // Every truncation and every single flipped byte must fail cleanly.
    for (std::size_t length = 0; length < good.size(); ++length)
        ASSERT_FALSE(loadBytes(target, good.substr(0, length), Format::Binary).empty()) << "length " << length;
    for (std::size_t i = 0; i < good.size(); ++i)
    {
        std::string bad = good;
        bad[i] = static_cast<char>(bad[i] ^ 0x5A);
        ASSERT_FALSE(loadBytes(target, bad, Format::Binary).empty()) << "byte " << i;
    }
    EXPECT_EQ(xmlOf(target, folder), before);

    std::string flipped = good;
    flipped.back() = static_cast<char>(flipped.back() ^ 1);
    EXPECT_NE(loadBytes(target, flipped, Format::Binary).find("byte 12: checksum mismatch"), std::string::npos);
    EXPECT_NE(loadBytes(target, good.substr(0, 30), Format::Binary).find("truncated file"), std::string::npos);
    EXPECT_NE(loadBytes(target, "<nodedb/>", Format::Binary).find("not a binary node database file"),
              std::string::npos);
    // Damage the checksum does not see is told for what it is, also where
    // the nodes around it were built apart first.
    std::string renamed = good;
    renamed[renamed.find("Light") + 1] = 'x';
    sealBinary(renamed);
    EXPECT_NE(loadBytes(target, renamed, Format::Binary).find("unknown node type \"Lxght\""), std::string::npos);
    std::string badPath = good;
    badPath[badPath.rfind("Lamp")] = '\xff';
    sealBinary(badPath);
    EXPECT_NE(loadBytes(target, badPath, Format::Binary).find("bad pointer path"), std::string::npos);
    EXPECT_EQ(loadBytes(target, good, Format::Binary), "");
}

TEST(FailedLoads, MissingFileAndWrongTargetsSayWhy)
{
    ScratchFolder folder;
    db::Database database;
    fillSmall(database);
    std::string error = load(database, folder.file("absent.xml"), Format::Xml);
    EXPECT_NE(error.find("absent.xml"), std::string::npos);
    EXPECT_NE(error.find("cannot open"), std::string::npos);

    // A material subtree has no place in a light.
    db::Database other;
    db::Node* material = db::makeNode(L"Material", L"M", &other.getTypeRegistry());
    other.getRootContainer().add(material);
    ASSERT_TRUE(save(*material, folder.file("material.xml"), Format::Xml));
    db::Node* light = database.getRootContainer().getNode(0);
    std::string before = xmlOf(database, folder);
    EXPECT_NE(load(*light, folder.file("material.xml"), Format::Xml).find("takes no node of type \"Material\""),
              std::string::npos);
    EXPECT_NE(
        load(*light->findAttribute(L"intensity"), folder.file("material.xml"), Format::Xml).find("cannot load into"),
        std::string::npos);
    EXPECT_EQ(xmlOf(database, folder), before);
}

/// A host told the load is done goes on at once on another thread: it must
/// hear so only after a success, once, with the nodes already in place.
TEST(FailedLoads, OnlyASuccessTellsTheHostThatTheNodesAreInPlace)
{
    ScratchFolder folder;
    db::Database source;
    fillSmall(source);
    for (const Format format : {Format::Xml, Format::Binary})
    {
        const std::string name = folder.file(format == Format::Xml ? "doc.xml" : "doc.dbb");
        ASSERT_TRUE(save(source, name, format));
        const std::string good = readAll(name);
        for (const bool damaged : {false, true})
        {
            const std::string bytes = damaged ? good.substr(0, good.size() - 40) : good;
            db::Database target;
            int told = 0;
            std::size_t nodesWhenTold = 0;
            const auto run = [&](auto& loader)
            {
                loader.setAfterAttach(
                    [&]
                    {
                        ++told;
                        nodesWhenTold = target.getRootContainer().getNodeCount();
                    });
                return loader.load(&target);
            };
            db::FileInputStream stream = db::FileInputStream::fromMemory(bytes.data(), bytes.size(), "mem");
            bool loaded = false;
            if (format == Format::Xml)
            {
                db::LoaderXML loader(stream, 0, nullptr);
                loaded = run(loader);
            }
            else
            {
                db::LoaderBinary loader(stream, 0, nullptr);
                loaded = run(loader);
            }
            EXPECT_EQ(loaded, !damaged);
            EXPECT_EQ(told, damaged ? 0 : 1) << name << (damaged ? " damaged" : "");
            EXPECT_EQ(nodesWhenTold, damaged ? 0u : 1u) << name;
        }
    }
}

TEST(FailedSaves, WriteErrorsKeepTheOldDocument)
{
    for (auto step : {db::FileOutputStream::Step::Open, db::FileOutputStream::Step::Write,
                      db::FileOutputStream::Step::Sync, db::FileOutputStream::Step::Rename})
    {
        for (Format format : {Format::Xml, Format::Binary})
        {
            ScratchFolder folder;
            db::Database database;
            fillSmall(database);
            std::string file = folder.file("doc");
            ASSERT_TRUE(save(database, file, format));
            const std::string old = readAll(file);

            database.getRootContainer().getNode(0)->setName(L"Renamed");
            db::FileOutputStream::setFailureHook([step](db::FileOutputStream::Step s) { return s == step; });
            bool saved = save(database, file, format);
            db::FileOutputStream::setFailureHook({});
            EXPECT_FALSE(saved);
            EXPECT_EQ(readAll(file), old);
            EXPECT_EQ(folder.entries(), std::vector<std::string>{"doc"});
        }
    }
}
