// The editor's window on the generated 300,000-node scene under the seeded
// random user actions of the editor's random test: every action timed from
// its first event until the window has painted what it did. Prints
//   random_actions_300k_p99_ms  the 99th percentile of those times, in ms
//   random_actions_300k_max_ms  the longest of them, in ms
//   random_actions_300k_cpu_p99_ms, random_actions_300k_cpu_max_ms
//                               the same of the main thread's processor time:
//                               what the program did, without the waits for
//                               the X server and the simulated input
// and, as comments, every action slower than 100 ms with its line (to replay
// with the random test), what it was and how big: nodes selected, rows shown
// and nodes in the container of the first selected one, so that a cost that
// grows with one of them shows which. Saving, opening, reverting, closing and
// starting a new document may take long while they show their progress: they
// are listed apart and left out of the figures. When the document is no
// longer about the scene's size (a new one, or the scene pasted into itself),
// the scene is opened again, untimed.
//
// Settings, from the environment:
//   DBUI_BENCH_ACTIONS  how many actions (default 500)
//   DBUI_BENCH_SEED     the seed they are drawn from (default 1)
// Run under an X server: xvfb-run -a build/<dir>/bench/editor_actions_bench

#include "BenchSupport.h"
#include "EditorFrame.h"
#include "Harness.h"
#include "RandomActions.h"
#include "SceneGenerator.h"

#include <dbui/Document.h>
#include <dbui/NodeBrowser.h>
#include <dbui/NodeBrowserTreeControl.h>
#include <dbui/NodeClipboard.h>

#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <wxUtils/OrkFileHistory2.h>

#include <wx/config.h>
#include <wx/memconf.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <time.h>
#include <unistd.h>

namespace
{

constexpr std::size_t s_nodes = 300000;
constexpr double s_slowMs = 100;

std::size_t setting(const char* name, std::size_t otherwise)
{
    const char* value = std::getenv(name);
    return value && *value ? std::stoul(value) : otherwise;
}

/// Commands that may take long while they show their progress, or that
/// replace the document.
bool isDocumentCommand(int id)
{
    static const int s_ids[] = {wxID_SAVE, wxID_SAVEAS, EditorFrame::ID_SaveCopy, wxID_OPEN, wxID_REVERT_TO_SAVED,
                                wxID_NEW,  wxID_CLOSE};
    return std::find(std::begin(s_ids), std::end(s_ids), id) != std::end(s_ids);
}

/// How big what an action works on was just before it.
struct Sizes
{
    std::size_t selected = 0;
    std::size_t rows = 0;
    std::size_t container = 0;
    std::size_t nodes = 0;
};

Sizes sizesOf(EditorFrame& frame)
{
    dbui::NodeBrowserTreeControl* tree = frame.getBrowser()->getTreeControl();
    Sizes sizes;
    const std::vector<db::Node*> selected = tree->getSelectedNodes();
    sizes.selected = selected.size();
    sizes.rows = tree->GetVisibleCount();
    if (!selected.empty())
        if (db::CompositeAttribute* parent = selected.front()->getParentAttribute())
            if (db::NodeContainer* container = parent->asNodeContainer())
                sizes.container = container->getNodeCount();
    sizes.nodes = frame.getDocument().getDatabase()->getTotalNodeCount();
    return sizes;
}

struct Timed
{
    std::size_t number;
    randomui::Action action;
    double ms;
    /// The main thread's processor time in it: the rest is waiting, on the X server mostly.
    double cpuMs;
    Sizes sizes;
    /// What it chose in a popup menu, if anything.
    std::string choice;
};

std::string describe(EditorFrame& frame, const Timed& timed)
{
    const randomui::Action& action = timed.action;
    const int id = randomui::menuCommandOf(action);
    if (id == wxID_NONE)
        return timed.choice.empty()
                   ? action.kind
                   : action.kind + " \"" + wxStripMenuCodes(wxString::FromUTF8(timed.choice)).ToStdString() + "\"";
    const wxMenuItem* item = frame.GetMenuBar() ? frame.GetMenuBar()->FindItem(id) : nullptr;
    return "menu \"" + (item ? item->GetItemLabelText().ToStdString() : std::to_string(id)) + "\"";
}

void list(EditorFrame& frame, const char* heading, const std::vector<Timed>& timed)
{
    std::printf("# %s: %zu\n", heading, timed.size());
    for (const Timed& t : timed)
        std::printf("#   %8.1f ms (cpu %7.1f)  #%-4zu %-24s %-32s selected %zu, rows %zu, container %zu, nodes %zu\n",
                    t.ms, t.cpuMs, t.number, t.action.toLine().c_str(), describe(frame, t).c_str(), t.sizes.selected,
                    t.sizes.rows, t.sizes.container, t.sizes.nodes);
}

/// The editor's window on a copy of the generated scene, in a folder of its own.
class SceneSession
{
public:
    SceneSession()
    {
        char pattern[] = "/tmp/dbui-actions-bench-XXXXXX";
        m_folder = ::mkdtemp(pattern);
        {
            db::Database scene(L"Database");
            nodedb_tool::generateScene(scene, s_nodes, 7);
            dbui::Document document(scene, "xml");
            if (document.save(wxString::FromUTF8(sceneFile())) != dbui::Document::Success)
                std::abort();
        }
        wxSetEnv("XDG_STATE_HOME", wxString::FromUTF8(m_folder));
        if (!dynamic_cast<wxMemoryConfig*>(wxConfigBase::Get(false)))
            delete wxConfigBase::Set(new wxMemoryConfig);
        m_frame = new EditorFrame(m_database,
                                  std::make_unique<wxUtils::OrkFileHistory2>(wxUtils::OrkFileHistory2::MemoryOnly));
        m_frame->SetPosition(wxPoint(0, 0));
        m_frame->Show();
        reopen();
    }
    ~SceneSession()
    {
        m_frame->getDocument().close();
        m_frame->Destroy();
        wxtest::pump();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    SceneSession(const SceneSession&) = delete;
    SceneSession& operator=(const SceneSession&) = delete;

    EditorFrame& frame() { return *m_frame; }
    /// The folder the actions save and open in.
    std::string scratch() const { return m_folder + "/work"; }

    /// The scene as generated, in the window again.
    void reopen()
    {
        m_frame->getDocument().close();
        std::filesystem::create_directories(scratch());
        const std::string file = scratch() + "/doc.xml";
        std::filesystem::copy_file(sceneFile(), file, std::filesystem::copy_options::overwrite_existing);
        if (m_frame->getDocument().open(wxString::FromUTF8(file)) != dbui::Document::Success)
            std::abort();
        m_database.setMaxUndoItems(1 << 20);
        painted();
    }

    void painted()
    {
        wxtest::pump();
        m_frame->Update();
        wxtest::pump();
    }

private:
    std::string sceneFile() const { return m_folder + "/scene.xml"; }

    std::string m_folder;
    db::Database m_database{L"Database"};
    EditorFrame* m_frame = nullptr;
};

double threadCpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    return values[std::min(values.size(), std::max<std::size_t>(rank, 1)) - 1];
}

TEST(EditorActionsBench, RandomActionsOnTheScene)
{
    const std::size_t count = setting("DBUI_BENCH_ACTIONS", 500);
    const std::size_t seed = setting("DBUI_BENCH_SEED", 1);
    SceneSession session;
    randomui::Driver driver(session.frame(), session.scratch(), randomui::Driver::History::Ignored);
    const randomui::ActionList actions = randomui::generateActions(seed, count);
    std::printf("# %zu actions of seed %zu on %zu nodes\n", count, seed,
                session.frame().getDocument().getDatabase()->getTotalNodeCount());

    std::vector<double> times;
    std::vector<double> cpuTimes;
    std::vector<Timed> slow;
    std::vector<Timed> apart;
    std::size_t reopened = 0;
    for (std::size_t i = 0; i < actions.size(); ++i)
    {
        const randomui::Action& action = actions[i];
        const Sizes sizes = sizesOf(session.frame());
        const double cpuBefore = threadCpuMs();
        const double ms = bench::millisecondsOf(
            [&]
            {
                driver.perform(action);
                session.painted();
            });
        const Timed timed{i + 1, action, ms, threadCpuMs() - cpuBefore, sizes, driver.lastMenuChoice()};
        if (isDocumentCommand(randomui::menuCommandOf(action)))
            apart.push_back(timed);
        else
        {
            times.push_back(ms);
            cpuTimes.push_back(timed.cpuMs);
            if (ms > s_slowMs)
                slow.push_back(timed);
        }
        // The figures are about the scene: a new, small document, or the
        // whole scene pasted into itself a few times, is a different one.
        const std::size_t nodes = session.frame().getDocument().getDatabase()->getTotalNodeCount();
        if (nodes < s_nodes / 2 || nodes > s_nodes * 2)
        {
            session.reopen();
            ++reopened;
        }
    }

    std::printf("# %zu actions timed, %zu skipped as impossible; the scene opened again %zu times\n", times.size(),
                driver.skipped(), reopened);
    list(session.frame(), "slower than 100 ms", slow);
    list(session.frame(), "document commands, not in the figures", apart);
    bench::figure("random_actions_300k_p99_ms", percentile(times, 0.99));
    bench::figure("random_actions_300k_max_ms", percentile(times, 1));
    bench::figure("random_actions_300k_cpu_p99_ms", percentile(cpuTimes, 0.99));
    bench::figure("random_actions_300k_cpu_max_ms", percentile(cpuTimes, 1));
}

/// Pasting k copied materials beside one in the library's container of
/// thousands and at its end, and duplicating k of them, for growing k: the
/// time per node stays flat unless each costs as much as the container holds.
TEST(EditorActionsBench, PasteBesideANodeInABigContainer)
{
    SceneSession session;
    db::Database& database = *session.frame().getDocument().getDatabase();
    dbui::NodeBrowserTreeControl* tree = session.frame().getBrowser()->getTreeControl();
    db::Node* library = database.getRootContainer().findNode(L"Library");
    ASSERT_NE(library, nullptr);
    db::NodeContainer* materials = library->findAttribute(L"materials")->asNodeContainer();
    for (unsigned int k : {10u, 100u, 1000u, 4000u})
        for (db::Node* target : {materials->getNode(10), library})
        {
            std::vector<db::Node*> copied;
            for (unsigned int i = 0; i < k; ++i)
                copied.push_back(materials->getNode(i));
            ASSERT_TRUE(dbui::NodeClipboard::copy(copied));
            tree->selectNodes({target});
            session.painted();
            const unsigned int before = materials->getNodeCount();
            const double ms = bench::millisecondsOf(
                [&]
                {
                    tree->pasteNodesFromClipboard();
                    session.painted();
                });
            ASSERT_EQ(materials->getNodeCount(), before + k);
            std::printf("# paste of %u %s a container of %u: %.1f ms, %.1f us a node\n", k,
                        target == library ? "at the end of" : "beside a node in", before, ms, ms * 1000 / k);
            database.undo();
            session.painted();
        }
    for (unsigned int k : {10u, 100u, 1000u, 4000u})
    {
        std::vector<db::Node*> selected;
        for (unsigned int i = 0; i < k; ++i)
            selected.push_back(materials->getNode(i));
        tree->selectNodes(selected);
        session.painted();
        const unsigned int before = materials->getNodeCount();
        const double ms = bench::millisecondsOf(
            [&]
            {
                tree->duplicateSelectedNodes();
                session.painted();
            });
        ASSERT_EQ(materials->getNodeCount(), before + k);
        std::printf("# duplicating %u in a container of %u: %.1f ms, %.1f us a node\n", k, before, ms, ms * 1000 / k);
        database.undo();
        session.painted();
    }
}

} // namespace
