// The XML examples of docs/file-format.md and of the README, loaded as they are
// written, so that the documentation cannot drift from what the loaders do.
// A fenced block "```xml schema" declares the types of the blocks after it,
// "```xml document" and "```xml subtree" must load, and "```xml refused: WHY"
// must be refused with a message containing WHY.

#include "FilesTestSupport.h"

#include <db/NodeContainer.h>
#include <db/SchemaLoaderXML.h>
#include <db/TypeRegistry.h>

#include <gtest/gtest.h>

#include <sstream>

namespace
{

struct Example
{
    std::string role; ///< the info string after "xml "
    std::string text;
    std::size_t line; ///< of the opening fence, for messages
};

std::vector<Example> xmlExamples(const std::string& markdown)
{
    std::vector<Example> examples;
    std::istringstream in(markdown);
    std::string line;
    std::size_t number = 0;
    bool inside = false;
    while (std::getline(in, line))
    {
        ++number;
        if (inside && line == "```")
            inside = false;
        else if (inside)
            examples.back().text += line + "\n";
        else if (line.rfind("```xml ", 0) == 0)
        {
            examples.push_back({line.substr(7), "", number});
            inside = true;
        }
    }
    return examples;
}

} // namespace

TEST(Documentation, ExamplesLoadAndRefusedOnesGiveTheDocumentedMessage)
{
    const std::string refused = "refused: ";
    for (const char* file : {"docs/file-format.md", "README.md"})
    {
        const std::vector<Example> examples =
            xmlExamples(filestest::readAll((filestest::sourceRoot() / file).string()));
        db::TypeRegistry registry;
        int loaded = 0;
        for (const Example& example : examples)
        {
            SCOPED_TRACE(std::string(file) + ":" + std::to_string(example.line));
            if (example.role == "schema")
            {
                db::FileInputStream stream =
                    db::FileInputStream::fromMemory(example.text.data(), example.text.size(), "schema.xml");
                db::SchemaLoaderXML loader(stream);
                ASSERT_TRUE(loader.load(registry)) << loader.getError().toString();
                continue;
            }
            db::Database database(L"Documented", &registry);
            const std::string error = filestest::loadBytes(database, example.text, filestest::Format::Xml);
            if (example.role.rfind(refused, 0) == 0)
            {
                EXPECT_NE(error.find(example.role.substr(refused.size())), std::string::npos) << error;
                EXPECT_EQ(database.getRootContainer().getNodeCount(), 0u);
            }
            else
            {
                ASSERT_TRUE(example.role == "document" || example.role == "subtree") << "unknown role " << example.role;
                EXPECT_EQ(error, "");
                EXPECT_GT(database.getRootContainer().getNodeCount(), 0u);
                ++loaded;
            }
        }
        EXPECT_GT(loaded, 0) << file << " shows no document that loads";
    }
}
