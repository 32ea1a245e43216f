// Comparing and merging versions of the 300,000-node scene, against loading
// the files they come from, in the same run. Each side makes 1,000 random
// edits of the kinds users make (values, renames, moves, reorders, nodes
// added and removed, pointers retargeted, array elements inserted and removed).
// Prints FIGURE lines:
//   merge_300k_1000_edits_each_vs_load_3  DatabaseMerge::merge(base, ours, theirs) / loading the three files
//   diff_300k_1000_edits_vs_load_2        DatabaseDiff::compare(base, ours) / loading the two files
// The files are binary (.dbb), the faster format to load; the XML loads are
// printed as comment lines. Run: build/<dir>/bench/merge_bench

#include "BenchSupport.h"
#include "SceneGenerator.h"

#include <db/BoolAttribute.h>
#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/DatabaseDiff.h>
#include <db/DatabaseMerge.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/FloatAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/LoaderBinary.h>
#include <db/LoaderXML.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/PointerAttribute.h>
#include <db/SaverBinary.h>
#include <db/SaverXML.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr std::size_t s_nodes = 300000;
constexpr int s_edits = 1000;
constexpr int s_repeats = 3;

using Databases = std::vector<std::unique_ptr<db::Database>>;

std::unique_ptr<db::Database> load(const std::string& file)
{
    auto database = std::make_unique<db::Database>();
    db::FileInputStream stream(file, db::FileOpenMode::Binary);
    const bool ok = db::LoaderBinary::isBinaryFile(stream) ? db::LoaderBinary(stream).load(*database)
                                                           : db::LoaderXML(stream).load(*database);
    if (!ok)
        std::fprintf(stderr, "%s does not load\n", file.c_str());
    database->clearUndoHistory();
    return database;
}

void save(const db::Database& database, const std::string& file)
{
    const bool binary = file.size() > 4 && file.compare(file.size() - 4, 4, ".dbb") == 0;
    db::FileOutputStream stream(file, binary ? db::FileOpenMode::Binary : db::FileOpenMode::Text,
                                binary ? db::OutputStreamEncoding::Raw : db::OutputStreamEncoding::Utf8);
    if (binary)
        db::SaverBinary(stream).save(database);
    else
        db::SaverXML(stream).save(database);
}

void collect(db::Node& node, std::vector<db::Node*>& nodes)
{
    for (db::Node* child : node.getChildNodes())
    {
        nodes.push_back(child);
        collect(*child, nodes);
    }
}

void edit(db::Database& database, unsigned int seed)
{
    std::mt19937 random(seed);
    std::vector<db::Node*> nodes;
    collect(database, nodes);
    std::vector<db::Node*> groups, meshes, materials;
    for (db::Node* node : nodes)
    {
        const std::wstring& type = node->getClassID();
        if (type == L"Group")
            groups.push_back(node);
        else if (type == L"Mesh")
            meshes.push_back(node);
        else if (type == L"Material")
            materials.push_back(node);
    }
    auto pick = [&random](const std::vector<db::Node*>& from)
    {
        for (;;)
            if (db::Node* node = from[random() % from.size()]; node->getDatabase())
                return node;
    };
    db::ChangeBlock block(database, L"Edits");
    for (int i = 0; i < s_edits; ++i)
    {
        const std::wstring tag = std::to_wstring(seed) + L"_" + std::to_wstring(i);
        db::Node* mesh = pick(meshes);
        db::Node* group = pick(groups);
        switch (random() % 8)
        {
        case 0:
            mesh->findAttribute(L"visible")->asBoolAttribute()->setValue(random() % 2 == 0);
            break;
        case 1:
            group->findAttribute(L"children")->asNodeContainer()->add(db::makeNode(L"Light", L"New" + tag));
            break;
        case 2:
            mesh->remove();
            break;
        case 3:
            mesh->setName(L"Renamed" + tag);
            break;
        case 4:
            group->findAttribute(L"children")->asNodeContainer()->add(mesh);
            break;
        case 5:
            mesh->getParentAttribute()->insertAttribute(0, mesh);
            break;
        case 6:
            mesh->findAttribute(L"material")->asPointerAttribute()->setValue(pick(materials));
            break;
        default:
            mesh->findAttribute(L"indices")->asIntArrayAttribute()->insert(0, static_cast<int>(random() % 9));
        }
    }
}

double loadAll(const std::vector<std::string>& files, Databases& into)
{
    into.clear();
    return bench::millisecondsOf(
        [&]
        {
            for (const std::string& file : files)
                into.push_back(load(file));
        });
}

} // namespace

int main()
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "dbui-merge-bench";
    std::filesystem::create_directories(folder);
    const std::vector<std::string> names = {"base", "ours", "theirs"};
    std::vector<std::string> binary;
    std::vector<std::string> xml;
    {
        db::Database scene(L"Scene");
        nodedb_tool::generateScene(scene, s_nodes, 7);
        scene.clearUndoHistory();
        for (std::size_t i = 0; i < names.size(); ++i)
        {
            binary.push_back((folder / (names[i] + ".dbb")).string());
            xml.push_back((folder / (names[i] + ".xml")).string());
            auto version = i == 0 ? nullptr : load((folder / "base.dbb").string());
            if (version)
                edit(*version, static_cast<unsigned int>(i));
            save(version ? *version : scene, binary.back());
            save(version ? *version : scene, xml.back());
        }
    }

    Databases databases;
    double load3 = 1e300;
    double xmlLoad3 = 1e300;
    double merge = 1e300;
    double diff = 1e300;
    for (int run = 0; run < s_repeats; ++run)
    {
        xmlLoad3 = std::min(xmlLoad3, loadAll(xml, databases));
        load3 = std::min(load3, loadAll(binary, databases));
        db::DatabaseDiff differ;
        diff = std::min(diff, bench::millisecondsOf([&] { differ.compare(*databases[0], *databases[1]); }));
        db::DatabaseMerge merger;
        merge =
            std::min(merge, bench::millisecondsOf([&] { merger.merge(*databases[0], *databases[1], *databases[2]); }));
        if (run == 0)
        {
            const std::wstring summary = merger.getSummaryText();
            std::printf("# %zu changes in the diff; merge %s, %zu conflicts\n", differ.getEntries().size(),
                        std::string(summary.begin(), summary.end()).c_str(), merger.getConflicts().size());
        }
    }
    std::printf("# loading the three XML files: %.1f ms\n", xmlLoad3);
    bench::figure("merge_300k_1000_edits_each_vs_load_3", merge / 1000, load3 / 1000);
    // Loading two files: two thirds of loading the three, which are the same size give or take the edits.
    bench::figure("diff_300k_1000_edits_vs_load_2", diff / 1000, load3 * 2 / 3 / 1000);
    std::filesystem::remove_all(folder);
    return 0;
}
