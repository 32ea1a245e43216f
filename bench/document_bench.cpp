// Autosave of the 300,000-node scene while the event loop runs: the recovery
// file is written in the background, and this measures how long the user can
// be kept waiting meanwhile. Prints FIGURE lines:
//   autosave_pause_300k_ms  the longest single turn of the event loop (one event
//                           or one idle round) during three autosaves, in ms
// and, as a comment, what a plain save of the same document takes on the spot.

#include "BenchSupport.h"
#include "SceneGenerator.h"
#include "WindowBench.h"

#include <dbui/CrashRecovery.h>
#include <dbui/Document.h>

#include <db/ChangeBlock.h>
#include <db/Database.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace
{

constexpr std::size_t s_nodes = 300000;
constexpr int s_autosaves = 3;

/// Runs the event loop until `done`, one event or idle round at a time; the longest of them in ms.
template <class Done>
double longestTurnUntil(Done done)
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

} // namespace

int main(int, char** argv)
{
    return bench::runWithWindows(argv, "document_bench", [] {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "dbui-document-bench";
        std::filesystem::create_directories(folder);
        const wxString file = wxString((folder / "scene.xml").string());

        db::Database database(L"Bench");
        nodedb_tool::generateScene(database, s_nodes, 7);
        std::printf("database: %zu nodes, %zu attributes\n", database.getTotalNodeCount(),
                    database.getTotalAttributeCount());
        dbui::Document document(database, "xml");
        const double saveMs = bench::millisecondsOf([&] {
            if (document.save(file) != dbui::Document::Success)
                std::abort();
        });
        std::printf("# a plain save takes %.1f ms\n", saveMs);

        dbui::CrashRecovery recovery(document, 0);
        int autosaves = 0;
        recovery.setAutosaveListener([&] {
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
        std::filesystem::remove_all(folder);
    });
}
