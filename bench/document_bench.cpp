// The 300,000-node scene as a document. Prints FIGURE lines:
//   editor_open_300k_vs_load  the time from starting `dbui-editor --quit-when-ready`
//                             on the scene's file to its window being ready
//                             (painted, tree bound, status bar filled) / loading
//                             the same file into a database alone, also in a
//                             fresh process with the heap set as the editor sets it
//   autosave_pause_300k_ms    the longest single turn of the event loop (one event
//                             or one idle round) during three autosaves, in ms
//   close_300k_vs_load        closing the opened scene through its document, with
//                             a browser bound as the editor binds it, until the
//                             window is free again / the load alone (as above)
// and, as comments, the absolute times and what a plain save takes on the spot.
// Run under an X server: xvfb-run -a build/<dir>/bench/document_bench

#include "BenchSupport.h"
#include "SceneGenerator.h"
#include "WindowBench.h"

#include <dbui/CrashRecovery.h>
#include <dbui/Document.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>

#include <db/ChangeBlock.h>
#include <db/Database.h>

#include <db/FileInputStream.h>
#include <db/LoaderXML.h>

#include <wx/frame.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{

constexpr std::size_t s_nodes = 300000;
constexpr int s_autosaves = 3;

/// Runs the event loop until `done`, one event or idle round at a time; the longest of them in ms.
template <class Done> double longestTurnUntil(Done done)
{
    double longest = 0;
    while (!done())
    {
        if (wxTheApp->Pending())
            longest = std::max(longest, bench::millisecondsOf([] { wxTheApp->Dispatch(); }));
        else
            longest = std::max(longest, bench::millisecondsOf([] { wxTheApp->ProcessIdle(); }));
    }
    return longest;
}

/// What a child program printed, and when it first printed `word` (ms from its start).
struct ChildOutput
{
    std::string said;
    double saidWordAtMs = -1;
};

/// Runs `arguments` to its end with a home of its own, reading what it prints.
ChildOutput runChild(const std::vector<std::string>& arguments, const std::filesystem::path& home, const char* word)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    // Settings and recent files go to a home of its own, not the user's.
    const std::string homeVariable = "HOME=" + home.string();
    std::vector<char*> environment{const_cast<char*>(homeVariable.c_str())};
    for (char** variable = environ; *variable; ++variable)
        if (std::string(*variable).rfind("HOME=", 0) != 0 && std::string(*variable).rfind("XDG_", 0) != 0)
            environment.push_back(*variable);
    environment.push_back(nullptr);
    std::vector<char*> argumentList;
    for (const std::string& argument : arguments)
        argumentList.push_back(const_cast<char*>(argument.c_str()));
    argumentList.push_back(nullptr);
    pid_t child = 0;
    const auto start = std::chrono::steady_clock::now();
    if (posix_spawn(&child, argumentList[0], &actions, nullptr, argumentList.data(), environment.data()) != 0)
        std::abort();
    ::close(pipeEnds[1]);
    ChildOutput output;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    {
        output.said.append(buffer, static_cast<std::size_t>(n));
        if (output.saidWordAtMs < 0 && output.said.find(word) != std::string::npos)
            output.saidWordAtMs =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    if (output.saidWordAtMs < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    {
        std::fprintf(stderr, "document_bench: %s did not say \"%s\"\n", arguments[0].c_str(), word);
        std::abort();
    }
    return output;
}

/// In a child: loads `file` into a database, prints "loaded MS" and leaves
/// without tearing the database down, as the editor is timed to being ready.
int loadInChild(const std::string& file)
{
    // The heap as the editor sets it, so that the figure tells what the editor
    // adds to a load that any program could have as fast.
    ::mallopt(M_TOP_PAD, 64 << 20);
    auto* database = new db::Database(L"Database");
    const double ms = bench::millisecondsOf(
        [&]
        {
            db::FileInputStream stream(file);
            if (!db::LoaderXML(stream).load(*database))
                std::abort();
        });
    std::printf("loaded %.3f\n", ms);
    std::fflush(stdout);
    std::_Exit(0);
}

/// In a child, as the editor would: opens `file` as a document shown in a
/// browser, waits for the window to settle, closes the document and prints
/// "closed MS".
int closeInChild(char** argv, const std::string& file)
{
    ::mallopt(M_TOP_PAD, 64 << 20);
    return bench::runWithWindows(
        argv, "document_bench",
        [&]
        {
            db::Database database(L"Database");
            dbui::Document document(database, "xml");
            auto* frame = new wxFrame(nullptr, wxID_ANY, "document_bench", wxDefaultPosition, wxSize(800, 600));
            auto* browser = new dbui::NodeBrowser(frame, wxID_ANY);
            browser->getTreeControl()->setLabelSource(dbui::NodeTreeControl::LabelSource::Node);
            browser->getTreeControl()->setOptions(dbui::NodeBrowserTreeControl::SubtreeCounts);
            browser->setDatabase(&database);
            frame->Show();
            if (document.open(wxString(file)) != dbui::Document::Success)
                std::abort();
            bench::showOnScreen(frame);
            const double ms = bench::millisecondsOf(
                [&]
                {
                    document.close();
                    frame->Update();
                });
            std::printf("closed %.3f\n", ms);
            std::fflush(stdout);
            frame->Destroy();
        });
}

/// The least of three runs of the child `mode` on `file`, each in a fresh process: the number after `word`.
double bestInChild(const char* mode, const std::string& file, const std::filesystem::path& home, const char* word)
{
    return bench::bestResult(
        [&]
        {
            const ChildOutput output = runChild({"/proc/self/exe", mode, file}, home, word);
            return std::stod(output.said.substr(output.said.find(word) + std::strlen(word)));
        },
        3);
}

void measureEditorOpen(const std::filesystem::path& folder, const std::string& file)
{
    const std::filesystem::path home = folder / "home";
    std::filesystem::create_directories(home);
    double editor = 1e300;
    double load = 1e300;
    for (int i = 0; i < 3; ++i)
    {
        // Both in a fresh process: a process that loaded before finds its
        // memory already mapped, which the editor, just started, does not.
        const ChildOutput loaded = runChild({"/proc/self/exe", "--load-in-child", file}, home, "loaded");
        load = std::min(load, std::stod(loaded.said.substr(loaded.said.find("loaded") + 6)));
        editor =
            std::min(editor, runChild({DBUI_EDITOR_PROGRAM, "--quit-when-ready", file}, home, "ready").saidWordAtMs);
    }
    std::printf("# the editor is ready after %.1f ms; the load alone, in a fresh process, takes %.1f ms\n", editor,
                load);
    bench::figure("editor_open_300k_vs_load", editor / load);

    const double close = bestInChild("--close-in-child", file, home, "closed");
    std::printf("# closing the opened document takes %.1f ms\n", close);
    bench::figure("close_300k_vs_load", close / load);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--load-in-child") == 0)
        return loadInChild(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--close-in-child") == 0)
        return closeInChild(argv, argv[2]);
    return bench::runWithWindows(
        argv, "document_bench",
        []
        {
            // A folder of this run's own: runs at once must not write over each other's files.
            const std::filesystem::path folder =
                std::filesystem::temp_directory_path() / ("dbui-document-bench-" + std::to_string(::getpid()));
            std::filesystem::create_directories(folder);
            const wxString file = wxString((folder / "scene.xml").string());

            db::Database database(L"Bench");
            nodedb_tool::generateScene(database, s_nodes, 7);
            std::printf("database: %zu nodes, %zu attributes\n", database.getTotalNodeCount(),
                        database.getTotalAttributeCount());
            dbui::Document document(database, "xml");
            const double saveMs = bench::millisecondsOf(
                [&]
                {
                    if (document.save(file) != dbui::Document::Success)
                        std::abort();
                });
            std::printf("# a plain save takes %.1f ms\n", saveMs);

            dbui::CrashRecovery recovery(document, 0);
            int autosaves = 0;
            recovery.setAutosaveListener(
                [&]
                {
                    if (!recovery.getLastAutosaveError().empty())
                        std::abort();
                    ++autosaves;
                });
            recovery.setAutosave(std::chrono::milliseconds(1), std::chrono::milliseconds(0));
            double longest = 0;
            for (int i = 0; i < s_autosaves; ++i)
            {
                {
                    db::ChangeBlock block(database, L"Rename");
                    database.setName(i % 2 ? L"Bench" : L"Bench edited");
                }
                const int before = autosaves;
                const double ms = bench::millisecondsOf(
                    [&] { longest = std::max(longest, longestTurnUntil([&] { return autosaves > before; })); });
                std::printf("# autosave %d done in %.1f ms\n", i + 1, ms);
            }
            bench::figure("autosave_pause_300k_ms", longest);
            recovery.discardRecoveryFiles();
            document.close();
            // Last: the loads it measures leave the process's memory otherwise than they found it.
            measureEditorOpen(folder, file.ToStdString());
            std::filesystem::remove_all(folder);
        });
}
