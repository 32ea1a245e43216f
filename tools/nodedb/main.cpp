// nodedb: validate, convert, inspect, generate, compare and merge node database files.
// Exit codes: 0 success, 1 a file failed, 2 wrong usage; diff and merge
// follow diff(1) instead: 0 same or clean, 1 different or conflicts, 2 trouble.

#include "SceneGenerator.h"
#include "ToolFiles.h"
#include "VersionCommands.h"

#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/LoaderBinary.h>
#include <db/LoaderXML.h>
#include <db/NodeContainer.h>
#include <db/SaverBinary.h>
#include <db/SaverXML.h>
#include <db/SchemaLoaderXML.h>
#include <db/TypeRegistry.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <malloc.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

using namespace nodedb_tool;

constexpr int s_exitFailed = 1;
constexpr int s_exitUsage = 2;

/// Files from this size on show a progress bar while they load and save.
constexpr std::size_t s_progressFrom = std::size_t(4) << 20;

/// A progress bar on the terminal (standard error) for long loads and saves;
/// nothing at all when standard error is not a terminal or the file is small.
class TerminalProgress
{
public:
    TerminalProgress(const std::string& fileName, std::size_t bytes)
        : m_label(fileName), m_shown(bytes >= s_progressFrom && ::isatty(STDERR_FILENO) == 1)
    {
        winsize size{};
        if (m_shown && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
            m_columns = size.ws_col;
    }
    ~TerminalProgress() { erase(); }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    /// A callback for a loader or saver that is doing `what` ("reading", "writing").
    db::Progress phase(const char* what)
    {
        if (!m_shown)
            return {};
        return [this, what](std::size_t done, std::size_t total)
        {
            draw(what,
                 total > 0 ? static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(total)) : 0);
            return true;
        };
    }

    /// Takes the bar off the line, so that messages start on a clean one.
    void erase()
    {
        if (m_drawn)
            std::cerr << "\r\033[K" << std::flush;
        m_drawn = false;
    }

private:
    void draw(const char* what, int percent)
    {
        percent = std::clamp(percent, 0, 100);
        if (m_drawn && percent == m_percent && what == m_phase)
            return;
        m_percent = percent;
        m_phase = what;
        std::string text = m_label + " " + what + " ";
        const std::string tail = " " + std::to_string(percent) + "%";
        const int width = std::max(10, m_columns - static_cast<int>(text.size() + tail.size()) - 3);
        const int filled = width * percent / 100;
        text += "[" + std::string(static_cast<std::size_t>(filled), '#') +
                std::string(static_cast<std::size_t>(width - filled), '.') + "]" + tail;
        std::cerr << "\r" << text.substr(0, static_cast<std::size_t>(std::max(0, m_columns - 1))) << std::flush;
        m_drawn = true;
    }

    std::string m_label;
    bool m_shown;
    int m_columns = 80;
    bool m_drawn = false;
    int m_percent = -1;
    const char* m_phase = nullptr;
};

/// The size of a file, for deciding on a progress bar; 0 when it cannot be told.
std::size_t fileSize(const std::string& fileName)
{
    struct stat info
    {
    };
    return ::stat(fileName.c_str(), &info) == 0 ? static_cast<std::size_t>(info.st_size) : 0;
}

bool knownExtension(const std::string& fileName)
{
    return endsWith(fileName, ".dbb") || endsWith(fileName, ".xml");
}

int validate(db::TypeRegistry& registry, const std::vector<std::string>& files)
{
    int exitCode = 0;
    for (const std::string& file : files)
    {
        db::Database database(L"Database", &registry);
        TerminalProgress bar(file, fileSize(file));
        Loaded loaded = loadFile(database, file, bar.phase("reading"));
        bar.erase();
        if (!loaded.ok)
        {
            std::cerr << loaded.error << "\n";
            exitCode = s_exitFailed;
        }
    }
    return exitCode;
}

int convert(db::TypeRegistry& registry, const std::string& in, const std::string& out, nodedb_tool::Others others)
{
    // As a textconv, a file that is not a node database shows as it is.
    if (others == nodedb_tool::Others::AsText && out == "-" && !isNodeDatabaseFile(in))
    {
        std::ifstream file(in, std::ios::binary);
        std::cout << file.rdbuf();
        return file ? 0 : s_exitFailed;
    }
    if (!knownExtension(out) && out != "-")
    {
        std::cerr << out << ": unknown output format (use .xml, .dbb or - for XML on standard output)\n";
        return s_exitUsage;
    }
    db::Database database(L"Database", &registry);
    TerminalProgress bar(in, fileSize(in));
    Loaded loaded = loadFile(database, in, bar.phase("reading"));
    if (!loaded.ok)
    {
        bar.erase();
        std::cerr << loaded.error << "\n";
        return s_exitFailed;
    }
    std::string error;
    const bool saved = saveFile(savedRoot(database, loaded), out, error, FileFormat::ByName, bar.phase("writing"));
    bar.erase();
    if (!saved)
    {
        std::cerr << error << "\n";
        return s_exitFailed;
    }
    return 0;
}

void count(db::Attribute& attribute, std::map<std::wstring, std::size_t>& nodes,
           std::map<std::wstring, std::size_t>& attributes)
{
    if (db::Node* node = attribute.asNode())
        ++nodes[node->getClassID()];
    else
        ++attributes[db::attributeTypeName(attribute.getAttributeType())];
    if (db::CompositeAttribute* composite = attribute.asCompositeAttribute())
        for (unsigned int i = 0; i < composite->getAttributeCount(); ++i)
            count(*composite->getAttribute(i), nodes, attributes);
}

void printTable(const char* title, const std::map<std::wstring, std::size_t>& counts)
{
    std::size_t total = 0;
    for (const auto& entry : counts)
        total += entry.second;
    std::cout << title << ": " << total << "\n";
    for (const auto& entry : counts)
        std::cout << "  " << std::left << std::setw(16) << std::string(entry.first.begin(), entry.first.end())
                  << std::right << std::setw(10) << entry.second << "\n";
}

int stats(db::TypeRegistry& registry, const std::string& file)
{
    db::Database database(L"Database", &registry);
    auto start = std::chrono::steady_clock::now();
    Loaded loaded = loadFile(database, file);
    auto elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!loaded.ok)
    {
        std::cerr << loaded.error << "\n";
        return s_exitFailed;
    }
    std::map<std::wstring, std::size_t> nodes;
    std::map<std::wstring, std::size_t> attributes;
    count(database, nodes, attributes);
    std::cout << "file: " << file << (loaded.subtree ? " (subtree)" : "") << "\n"
              << "size: " << loaded.bytes << " bytes\n"
              << "load time: " << std::fixed << std::setprecision(1) << elapsed << " ms\n";
    printTable("nodes", nodes);
    printTable("attributes", attributes);
    return 0;
}

int generate(db::TypeRegistry& registry, std::size_t nodes, unsigned int seed, const std::string& out)
{
    if (!knownExtension(out))
    {
        std::cerr << out << ": unknown output format (use .xml or .dbb)\n";
        return s_exitUsage;
    }
    db::Database database(L"Scene", &registry);
    if (!nodedb_tool::generateScene(database, nodes, seed))
    {
        std::cerr << "generate writes only the example scene, whose types this schema lacks: "
                     "leave out --schema to use the built-in example schema\n";
        return s_exitFailed;
    }
    std::string error;
    if (!saveFile(database, out, error, FileFormat::ByName))
    {
        std::cerr << error << "\n";
        return s_exitFailed;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Big files: the heap grows in steps of 64 MB instead of 128 KB, as in
    // the editor (see its main). Each step waits on the loading threads' page
    // faults, and the heaps of threads other than this one, 64 MB each, are
    // then usable whole at once. Pages are only used once touched.
    mallopt(M_TOP_PAD, 64 << 20);
    CLI::App app{"Validate, convert, inspect and generate node database files (XML or binary .dbb)."};
    app.require_subcommand(1);
    std::string schemaFile;
    app.add_option("--schema", schemaFile, "Schema file declaring the node types (default: the example scene schema)")
        ->check(CLI::ExistingFile);
    bool othersAsText = false;
    app.add_flag("--others-as-text", othersAsText,
                 "Files that are not node databases are shown, compared and merged as plain text (for git)");

    std::vector<std::string> validateFiles;
    CLI::App* validateCommand =
        app.add_subcommand("validate", "Load each file; report every failure as FILE: WHERE: WHAT");
    validateCommand->add_option("files", validateFiles, "Files to check")->required();

    std::string convertIn;
    std::string convertOut;
    CLI::App* convertCommand =
        app.add_subcommand("convert", "Convert between XML and binary, chosen by OUT's extension");
    convertCommand->add_option("in", convertIn, "File to read")->required();
    convertCommand->add_option("out", convertOut, "File to write (.xml or .dbb; - for XML on standard output)")
        ->required();

    std::string statsFile;
    CLI::App* statsCommand = app.add_subcommand("stats", "Node and attribute counts by type, file size and load time");
    statsCommand->add_option("file", statsFile, "File to inspect")->required();

    std::size_t generateNodes = 0;
    unsigned int generateSeed = 1;
    std::string generateOut;
    CLI::App* generateCommand = app.add_subcommand("generate", "Write a synthetic scene of the example schema");
    generateCommand->add_option("--nodes", generateNodes, "About how many nodes")
        ->required()
        ->check(CLI::Range(1, 100000000));
    generateCommand->add_option("--seed", generateSeed, "Random seed (same seed, same file)");
    generateCommand->add_option("out", generateOut, "File to write (.xml or .dbb)")->required();

    std::vector<std::string> diffFiles;
    bool diffStat = false;
    CLI::App* diffCommand =
        app.add_subcommand("diff", "What changed from OLD to NEW, node by node (exit 0 same, 1 different, 2 trouble)");
    diffCommand->add_option("files", diffFiles, "OLD NEW (either format)")->required()->expected(2);
    diffCommand->add_flag("--stat", diffStat, "Counts only");

    std::vector<std::string> mergeFiles;
    std::string mergeOut;
    CLI::App* mergeCommand = app.add_subcommand(
        "merge", "Three-way merge, as a git merge driver: BASE OURS THEIRS, the result written to OURS or -o OUT "
                 "(exit 0 clean, 1 conflicts, 2 trouble)");
    mergeCommand->add_option("files", mergeFiles, "BASE OURS THEIRS")->required()->expected(3);
    mergeCommand->add_option("-o,--output", mergeOut, "Where the result goes (default: OURS), in the format of OURS");

    std::vector<std::string> setupPatterns{"*.dbb", "*.xml"};
    CLI::App* setupCommand = app.add_subcommand(
        "git-setup", "Installs the merge driver, the textconv and the difftool in the current git repository");
    setupCommand->add_option("--pattern", setupPatterns, "Files the driver serves (default: *.dbb *.xml)");

    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::CallForHelp& help)
    {
        return app.exit(help);
    }
    catch (const CLI::ParseError& error)
    {
        app.exit(error);
        return s_exitUsage;
    }

    db::TypeRegistry registry;
    if (!schemaFile.empty())
    {
        db::FileInputStream stream(schemaFile, db::FileOpenMode::Text);
        db::SchemaLoaderXML schema(stream);
        if (!schema.load(registry))
        {
            std::cerr << schema.getError().toString() << "\n";
            return s_exitFailed;
        }
        // The schema still loads: what it reads past is the author's to fix.
        for (const db::LoadError& warning : schema.getWarnings())
            std::cerr << "warning: " << warning.toString() << "\n";
    }
    else if (!db::SchemaLoaderXML::loadExampleSchema(registry))
    {
        std::cerr << "the built-in example schema does not load\n";
        return s_exitFailed;
    }

    if (setupCommand->parsed())
        return gitSetup(setupPatterns, schemaFile);
    const nodedb_tool::Others others = othersAsText ? nodedb_tool::Others::AsText : nodedb_tool::Others::Refused;
    if (diffCommand->parsed())
        return nodedb_tool::diffFiles(registry, diffFiles[0], diffFiles[1], diffStat, others);
    if (mergeCommand->parsed())
        return nodedb_tool::mergeFiles(registry, mergeFiles[0], mergeFiles[1], mergeFiles[2], mergeOut, others);
    if (validateCommand->parsed())
        return validate(registry, validateFiles);
    if (convertCommand->parsed())
        return convert(registry, convertIn, convertOut, others);
    if (statsCommand->parsed())
        return stats(registry, statsFile);
    return generate(registry, generateNodes, generateSeed, generateOut);
}
