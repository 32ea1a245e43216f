#include "VersionCommands.h"
#include "ToolFiles.h"

#include <db/Database.h>
#include <db/DatabaseDiff.h>
#include <db/DatabaseMerge.h>
#include <db/FileOutputStream.h>
#include <db/MergeConflicts.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace nodedb_tool
{

namespace
{

constexpr int s_exitTrouble = 2;

/// Loads each file into a database of its own; null, with the error printed, when one does not load.
std::unique_ptr<db::Database> load(db::TypeRegistry& registry, const std::string& file, Loaded* loaded = nullptr)
{
    auto database = std::make_unique<db::Database>(L"Database", &registry);
    Loaded result = loadFile(*database, file);
    if (!result.ok)
    {
        std::cerr << result.error << "\n";
        return nullptr;
    }
    // The comparison and the merge never undo: the load's step would only hold memory.
    database->clearUndoHistory();
    if (loaded)
        *loaded = result;
    return database;
}

/// `text` quoted for sh.
std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string thisProgram()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string("nodedb");
}

bool gitConfig(const std::string& key, const std::string& value)
{
    const std::string command = "git config " + quoted(key) + " " + quoted(value);
    if (std::system(command.c_str()) == 0)
        return true;
    std::cerr << "git-setup: " << command << " failed\n";
    return false;
}

/// The exit status of an sh command; -1 when it did not run to its end.
int run(const std::string& command)
{
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool anyOther(const std::vector<std::string>& files)
{
    for (const std::string& file : files)
        if (!isNodeDatabaseFile(file))
            return true;
    return false;
}

bool isEmptyFile(const std::string& file)
{
    std::error_code error;
    return std::filesystem::file_size(file, error) == 0 && !error;
}

/// git's line merge of text files, into `out` (ours when empty): 0 clean, 1 conflicts, 2 trouble.
int mergeAsText(const std::string& base, const std::string& ours, const std::string& theirs, const std::string& out)
{
    std::error_code error;
    if (!out.empty() && out != ours &&
        !std::filesystem::copy_file(ours, out, std::filesystem::copy_options::overwrite_existing, error))
    {
        std::cerr << out << ": " << error.message() << "\n";
        return s_exitTrouble;
    }
    const int status = run("git merge-file -L ours -L base -L theirs " + quoted(out.empty() ? ours : out) + " " +
                           quoted(base) + " " + quoted(theirs));
    std::cout << "merged as text: not a node database\n";
    return status == 0 ? 0 : status > 0 && status < 128 ? 1 : s_exitTrouble;
}

} // namespace

int diffFiles(db::TypeRegistry& registry, const std::string& older, const std::string& newer, bool statOnly,
              Others others)
{
    if (others == Others::AsText && anyOther({older, newer}))
    {
        const int status = run("diff -u " + quoted(older) + " " + quoted(newer));
        return status >= 0 && status <= 1 ? status : s_exitTrouble;
    }
    std::unique_ptr<db::Database> before = load(registry, older);
    std::unique_ptr<db::Database> after = before ? load(registry, newer) : nullptr;
    if (!after)
        return s_exitTrouble;
    db::DatabaseDiff diff;
    diff.compare(*before, *after);
    if (statOnly)
        std::cout << toUtf8(diff.getStat()) << "\n";
    else
        for (const db::DatabaseDiff::Entry& entry : diff.getEntries())
            std::cout << toUtf8(db::DatabaseDiff::format(entry)) << "\n";
    return diff.isEmpty() ? 0 : 1;
}

int mergeFiles(db::TypeRegistry& registry, const std::string& base, const std::string& ours, const std::string& theirs,
               const std::string& out, Others others)
{
    const bool baseEmpty = isEmptyFile(base);
    if (others == Others::AsText && anyOther(baseEmpty ? std::vector{ours, theirs} : std::vector{base, ours, theirs}))
        return mergeAsText(base, ours, theirs, out);
    Loaded oursLoaded;
    std::unique_ptr<db::Database> baseDb =
        baseEmpty ? std::make_unique<db::Database>(L"Database", &registry) : load(registry, base);
    std::unique_ptr<db::Database> oursDb = baseDb ? load(registry, ours, &oursLoaded) : nullptr;
    std::unique_ptr<db::Database> theirsDb = oursDb ? load(registry, theirs) : nullptr;
    if (!theirsDb)
        return s_exitTrouble;
    db::DatabaseMerge merge;
    const bool clean = merge.merge(*baseDb, *oursDb, *theirsDb);
    std::string error;
    if (!saveFile(savedRoot(*oursDb, oursLoaded), out.empty() ? ours : out, error,
                  oursLoaded.binary ? FileFormat::Binary : FileFormat::Xml))
    {
        std::cerr << error << "\n";
        return s_exitTrouble;
    }
    for (const db::MergeConflict& conflict : merge.getConflicts())
        std::cout << "CONFLICT " << toUtf8(db::MergeConflicts::format(conflict)) << "\n";
    std::cout << "merged " << toUtf8(merge.getSummaryText());
    if (!clean)
        std::cout << "; " << merge.getConflicts().size() << " conflicts (ours kept)";
    std::cout << "\n";
    return clean ? 0 : 1;
}

int gitSetup(const std::vector<std::string>& patterns, const std::string& schemaFile)
{
    std::string program = quoted(thisProgram()) + " --others-as-text";
    if (!schemaFile.empty())
    {
        char resolved[PATH_MAX];
        program += " --schema " + quoted(::realpath(schemaFile.c_str(), resolved) ? resolved : schemaFile);
    }
    // Git runs these through sh, appending the file names as "$@" where the
    // command is not one plain word: hence the functions.
    if (!gitConfig("merge.nodedb.name", "nodedb: three-way merge of node databases") ||
        !gitConfig("merge.nodedb.driver", program + " merge %O %A %B") ||
        !gitConfig("diff.nodedb.textconv", "f() { " + program + " convert \"$1\" -; }; f") ||
        !gitConfig("difftool.nodedb.cmd", program + " diff \"$LOCAL\" \"$REMOTE\"; test $? -le 1"))
        return s_exitTrouble;

    std::string text;
    {
        std::ifstream in(".gitattributes");
        std::stringstream existing;
        existing << in.rdbuf();
        text = existing.str();
    }
    if (!text.empty() && text.back() != '\n')
        text += "\n";
    for (const std::string& pattern : patterns)
    {
        const std::string line = pattern + (endsWith(pattern, ".dbb") ? " -text" : "") + " merge=nodedb diff=nodedb\n";
        if (text.find(line) == std::string::npos)
            text += line;
    }
    db::FileOutputStream out(std::string(".gitattributes"), db::FileOpenMode::Text, db::OutputStreamEncoding::Raw);
    if (!out.write(text.data(), text.size()) || !out.commit())
    {
        std::cerr << "git-setup: .gitattributes: " << out.getError() << "\n";
        return s_exitTrouble;
    }
    return 0;
}

} // namespace nodedb_tool
