// The editor under random input: seeded lists of user actions, done through
// real events on the editor's window, with what must hold checked after each.
//
// Settings, from the environment:
//   DBUI_RANDOM_SECONDS  how long to keep drawing seeds (default 170)
//   DBUI_RANDOM_SEED     the first seed (default 1; the next ones follow)
//   DBUI_RANDOM_ACTIONS  actions per seed (default 80)
//   DBUI_RANDOM_REPLAY   a file of actions to do instead (one "kind a b c text" a line)
//   DBUI_RANDOM_SHRINK   a file of actions that fail, to shrink to the few that still do
//   DBUI_RANDOM_SHOTS    a folder for a picture of the window after each action
// The running seed's actions are written to random-actions.txt as they are
// done, so that even a crash leaves a list to replay.

#include "EditorFrame.h"
#include "RandomActions.h"

#include "Harness.h"

#include <dbui/Document.h>

#include <db/Database.h>
#include <wxUtils/OrkFileHistory2.h>

#include <wx/clipbrd.h>
#include <wx/config.h>
#include <wx/memconf.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

std::string setting(const char* name, const std::string& otherwise = std::string())
{
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : otherwise;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

/// A fresh folder holding a copy of the sample scene, removed afterwards.
class Scratch
{
public:
    Scratch()
    {
        char pattern[] = "/tmp/dbui-random-XXXXXX";
        m_path = ::mkdtemp(pattern);
        std::filesystem::copy_file(DBUI_SAMPLE_DOCUMENT, m_path + "/doc.xml");
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

/// The editor's window on a copy of the sample scene.
struct Session
{
    Session()
    {
        wxSetEnv("XDG_STATE_HOME", wxString::FromUTF8(scratch.path()));
        // Settings of a fresh user: a list of actions then does the same
        // replayed alone (the window's size and split are kept in them).
        delete wxConfigBase::Set(new wxMemoryConfig);
        // Nor does a list find on the clipboard what the one before it copied.
        if (wxClipboardLocker locker; !!locker)
            wxTheClipboard->Clear();
        frame =
            new EditorFrame(database, std::make_unique<wxUtils::OrkFileHistory2>(wxUtils::OrkFileHistory2::MemoryOnly));
        frame->SetPosition(wxPoint(0, 0));
        frame->Show();
        EXPECT_EQ(frame->getDocument().open(wxString::FromUTF8(scratch.path() + "/doc.xml")), dbui::Document::Success);
        database.setMaxUndoItems(1 << 20);
        wxtest::pump();
    }
    ~Session()
    {
        frame->getDocument().close();
        frame->Destroy();
        wxtest::pump();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Scratch scratch;
    db::Database database{L"Database"};
    EditorFrame* frame = nullptr;
};

/// Does `actions` on a new window, writing each to `log` first; what went
/// wrong, or empty. `done` counts the actions done.
std::string run(const randomui::ActionList& actions, const std::string& log, std::size_t& done)
{
    std::ofstream out(log, std::ios::trunc);
    Session session;
    randomui::Driver driver(*session.frame, session.scratch.path());
    for (std::size_t i = 0; i < actions.size(); ++i)
    {
        out << actions[i].toLine() << std::endl;
        driver.perform(actions[i]);
        ++done;
        if (const std::string shots = setting("DBUI_RANDOM_SHOTS"); !shots.empty())
            wxtest::saveWindowPng(session.frame, wxString::Format("%s/%03zu.png", shots, i + 1));
        const std::string where = "after action " + std::to_string(i + 1) + " (" + actions[i].toLine() + "): ";
        if (::testing::Test::HasFailure())
            return where + "an assert or GTK critical, reported above";
        if (std::string failure = driver.checkInvariants(); !failure.empty())
            return where + failure;
    }
    const std::string failure = driver.checkHistory();
    return failure.empty() ? failure : "at the end: " + failure;
}

/// What a failure was, without where: shrinking keeps the lists that fail the same way.
std::string kindOf(const std::string& failure)
{
    const std::size_t colon = failure.find("): ");
    return colon == std::string::npos ? failure : failure.substr(colon + 3);
}

std::string runAndReport(const randomui::ActionList& actions, const std::string& name)
{
    std::size_t done = 0;
    const std::string failure = run(actions, "random-actions.txt", done);
    if (!failure.empty())
    {
        const std::string file = "random-failure-" + name + ".txt";
        writeFile("random-failure-" + name + ".why", kindOf(failure));
        writeFile(file, randomui::formatActions(randomui::ActionList(actions.begin(), actions.begin() + done)));
        std::cerr << name << " failed " << failure << "\nafter these actions:\n"
                  << randomui::formatActions(randomui::ActionList(actions.begin(), actions.begin() + done))
                  << "they are in " << file << "; replay them with DBUI_RANDOM_REPLAY=" << file
                  << ", shrink them with DBUI_RANDOM_SHRINK=" << file << "\n";
    }
    return failure;
}

/// How `actions` fail when replayed in a program of their own: empty when
/// they do not, "crash" when a sanitizer or a signal ended the program.
std::string failureAlone(const randomui::ActionList& actions)
{
    const std::string file = "random-shrinking.txt";
    const std::string why = "random-failure-replay.why";
    writeFile(file, randomui::formatActions(actions));
    std::remove(why.c_str());
    const pid_t child = ::fork();
    if (child == 0)
    {
        ::setenv("DBUI_RANDOM_REPLAY", file.c_str(), 1);
        ::unsetenv("DBUI_RANDOM_SHRINK");
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDOUT_FILENO);
        ::dup2(quiet, STDERR_FILENO);
        ::execl("/proc/self/exe", "random", "--gtest_filter=RandomEditor.ReplaysAListOfActions", nullptr);
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return {};
    const std::string reason = readFile(why);
    return reason.empty() ? "crash" : reason;
}

/// Drops chunks of the list, halving the chunk when none can go, while the
/// rest still fails the way the whole list does.
randomui::ActionList shrink(randomui::ActionList actions)
{
    const std::string failure = failureAlone(actions);
    if (failure.empty())
    {
        std::cerr << "the list does not fail when replayed alone\n";
        return actions;
    }
    std::cerr << "shrinking a list that fails with: " << failure << "\n";
    const auto failsAlike = [&failure](const randomui::ActionList& list) { return failureAlone(list) == failure; };
    for (std::size_t chunk = actions.size() / 2; chunk >= 1; chunk /= 2)
    {
        for (std::size_t start = 0; start < actions.size();)
        {
            randomui::ActionList fewer = actions;
            fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(start),
                        fewer.begin() + static_cast<std::ptrdiff_t>(std::min(start + chunk, fewer.size())));
            if (!fewer.empty() && failsAlike(fewer))
            {
                actions = std::move(fewer);
                std::cerr << actions.size() << " actions still fail\n";
            }
            else
                start += chunk;
        }
    }
    return actions;
}

TEST(RandomEditor, SeededActionsKeepTreeInspectorTitleAndHistoryTrue)
{
    if (!setting("DBUI_RANDOM_REPLAY").empty() || !setting("DBUI_RANDOM_SHRINK").empty())
        GTEST_SKIP() << "replaying a list instead";
    const auto budget = std::chrono::seconds(std::stol(setting("DBUI_RANDOM_SECONDS", "170")));
    const std::uint64_t first = std::stoull(setting("DBUI_RANDOM_SEED", "1"));
    const std::size_t count = std::stoul(setting("DBUI_RANDOM_ACTIONS", "80"));
    const auto start = std::chrono::steady_clock::now();
    std::size_t seeds = 0;
    std::size_t actions = 0;
    for (std::uint64_t seed = first; seeds == 0 || std::chrono::steady_clock::now() - start < budget; ++seed, ++seeds)
    {
        const std::string failure =
            runAndReport(randomui::generateActions(seed, count), "seed-" + std::to_string(seed));
        ASSERT_EQ(failure, "") << "seed " << seed;
        actions += count;
    }
    std::cout << "random input: " << seeds << " seeds, " << actions << " actions, no fault, in "
              << std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count()
              << " s\n";
}

TEST(RandomEditor, ReplaysAListOfActions)
{
    const std::string replay = setting("DBUI_RANDOM_REPLAY");
    const std::string toShrink = setting("DBUI_RANDOM_SHRINK");
    if (!toShrink.empty())
    {
        const randomui::ActionList shrunk = shrink(randomui::parseActions(readFile(toShrink)));
        writeFile(toShrink + ".shrunk", randomui::formatActions(shrunk));
        std::cout << "still failing with these " << shrunk.size() << " actions (also in " << toShrink << ".shrunk):\n"
                  << randomui::formatActions(shrunk);
        return;
    }
    if (replay.empty())
        GTEST_SKIP() << "no list to replay (DBUI_RANDOM_REPLAY)";
    EXPECT_EQ(runAndReport(randomui::parseActions(readFile(replay)), "replay"), "");
}

// Faults the random input found, each kept as the few actions that showed it.
struct Found
{
    const char* name;
    const char* actions;
};

class RandomEditorFound : public ::testing::TestWithParam<Found>
{
};

TEST_P(RandomEditorFound, StaysFixed)
{
    std::size_t done = 0;
    EXPECT_EQ(run(randomui::parseActions(GetParam().actions), "random-actions.txt", done), "");
}

const Found s_found[] = {
    // Group_12 and Group_85 selected while the find box shows the groups,
    // dragged into Group_25, a child of the first: read a container it had just let go.
    {"DraggingTwoNodesIntoAChildOfTheFirstIsRefused", "find 0 0 0 20\nclick 2 0 0 0\nclick 7 2 0 0\ndrag 2 3 1 0\n"},
    // A material cut while meshes point at it was saved as a path to nowhere.
    {"APointerToARemovedNodeIsSavedAsPointingAtNothing",
     "drag 82 956 6 250\nclick 875 821 10 239\nkey 435 874 780 386\ndrag 527 667 399 263\n"
     "menu 438 823 657 198\ncontext 405 733 307 799\nmenu 552 959 440 386\n"},
    // Library and World dragged below EveryKind, then undone: the tree put
    // each back beside the other's item, which had not moved back yet.
    {"UndoingAMoveOfTwoSiblingsPutsTheirRowsBackInOrder",
     "click 948 459 310 729\nkey 307 598 720 593\ncontext 985 978 213 360\nclick 1 591 557 279\n"
     "resize 709 315 796 476\ndrag 766 977 282 748\nundo 281 447 281 972\n"},
    // The window made lower than its two panes need, with more rows in the
    // inspector than it shows: GTK's scroll bar got a negative length.
    {"AWindowTooLowForItsPanesKeepsThemLaidOut",
     "menu 246 322 634 586\ncontext 286 217 526 15\nmenu 261 256 959 960\nresize 617 144 56 160\n"},
};

INSTANTIATE_TEST_SUITE_P(Faults, RandomEditorFound, ::testing::ValuesIn(s_found),
                         [](const ::testing::TestParamInfo<Found>& info) { return std::string(info.param.name); });

} // namespace
