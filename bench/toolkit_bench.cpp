// Times the toolkit's list and tree controls against the stock wxWidgets
// controls doing the same work in the same run, each measured from the first
// call until the window has painted. Run under an X server (Xvfb is fine).
// Prints "FIGURE <name> <value>" lines; every figure is ours over theirs.

#include <wxUtils/OrkListControl.h>
#include <wxUtils/TreeControl.h>

#include "BenchSupport.h"
#include "WindowBench.h"

#include <benchmark/benchmark.h>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/treectrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{

using bench::figure;
using bench::pump;

using Clock = std::chrono::steady_clock;

wxFrame* s_frame = nullptr;

int s_paints = 0;

// Counts the paints of a control; bound after the control's own handler, so it
// runs first and passes the event on.
void countPaints(wxWindow* window)
{
    window->Bind(wxEVT_PAINT,
                 [](wxPaintEvent& event)
                 {
                     ++s_paints;
                     event.Skip();
                 });
}

// Returns once the window has painted what it was asked to. GTK 3 paints on
// its frame clock, not inside Update(), so the loop runs until a paint has
// really happened. Before each measurement the clock is left idle for a
// moment (untimed), so that it paints at once instead of at the next frame.
void paint(wxWindow* window)
{
    const int before = s_paints;
    window->Refresh();
    window->Update();
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (s_paints == before && Clock::now() < deadline)
    {
        while (wxTheApp->Pending())
            wxTheApp->Dispatch();
        wxTheApp->ProcessIdle();
    }
    if (s_paints == before)
        std::fprintf(stderr, "no paint seen\n");
    pump();
}

void settle()
{
    pump();
    wxMilliSleep(40);
    pump();
}

double seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void place(wxWindow* window)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(window, 1, wxEXPAND);
    s_frame->SetSizer(sizer, true);
    s_frame->Layout();
}

void clearFrame()
{
    s_frame->SetSizer(nullptr, true);
    s_frame->DestroyChildren();
    pump();
}

// ---------------------------------------------------------------------------
// Trees: a flat parent of n children, or a scene of groups three and four deep
// ---------------------------------------------------------------------------

struct SceneShape
{
    int groups;
    int subgroups;
    int leaves;
};

double oursPopulate(int flatCount, const SceneShape* scene)
{
    settle();
    const auto start = Clock::now();
    auto* tree = new wxUtils::TreeControl(s_frame, wxID_ANY);
    countPaints(tree);
    tree->addColumn(1, "Type");
    place(tree);
    auto* root = new wxUtils::TreeItem("root", tree, true);
    tree->SetRoot(root);
    if (!scene)
    {
        for (int i = 0; i < flatCount; ++i)
        {
            auto* item = new wxUtils::TreeItem(wxString::Format("Node%d", i), tree, false);
            item->SetColumnText(1, "transform");
            root->InsertChild(item, nullptr);
        }
    }
    else
    {
        for (int g = 0; g < scene->groups; ++g)
        {
            auto* group = new wxUtils::TreeItem(wxString::Format("Group%d", g), tree, true);
            root->InsertChild(group, nullptr);
            for (int s = 0; s < scene->subgroups; ++s)
            {
                auto* sub = new wxUtils::TreeItem(wxString::Format("Part%d", s), tree, true);
                group->InsertChild(sub, nullptr);
                for (int l = 0; l < scene->leaves; ++l)
                {
                    auto* leaf = new wxUtils::TreeItem(wxString::Format("Mesh%d", l), tree, false);
                    leaf->SetColumnText(1, "mesh");
                    sub->InsertChild(leaf, nullptr);
                }
            }
        }
    }
    paint(tree);
    const double elapsed = seconds(start);
    clearFrame();
    return elapsed;
}

double stockPopulate(int flatCount, const SceneShape* scene)
{
    settle();
    const auto start = Clock::now();
    auto* tree =
        new wxTreeCtrl(s_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTR_DEFAULT_STYLE | wxTR_MULTIPLE);
    countPaints(tree);
    place(tree);
    const wxTreeItemId root = tree->AddRoot("root");
    if (!scene)
    {
        for (int i = 0; i < flatCount; ++i)
            tree->AppendItem(root, wxString::Format("Node%d", i));
        tree->Expand(root);
    }
    else
    {
        for (int g = 0; g < scene->groups; ++g)
        {
            const wxTreeItemId group = tree->AppendItem(root, wxString::Format("Group%d", g));
            for (int s = 0; s < scene->subgroups; ++s)
            {
                const wxTreeItemId sub = tree->AppendItem(group, wxString::Format("Part%d", s));
                for (int l = 0; l < scene->leaves; ++l)
                    tree->AppendItem(sub, wxString::Format("Mesh%d", l));
            }
        }
        tree->ExpandAll();
    }
    paint(tree);
    const double elapsed = seconds(start);
    clearFrame();
    return elapsed;
}

// One insert, one delete and one rename in the middle of a flat parent, each
// timed until painted; returns the median of all of them.
double oursOperations(int count, int repeats)
{
    auto* tree = new wxUtils::TreeControl(s_frame, wxID_ANY);
    countPaints(tree);
    place(tree);
    auto* root = new wxUtils::TreeItem("root", tree, true);
    tree->SetRoot(root);
    for (int i = 0; i < count; ++i)
        root->InsertChild(new wxUtils::TreeItem(wxString::Format("Node%d", i), tree, false), nullptr);
    tree->EnsureVisible(root->GetChild(static_cast<std::size_t>(count / 2)));
    paint(tree);

    std::vector<double> samples;
    for (int r = 0; r < repeats; ++r)
    {
        const std::size_t middle = static_cast<std::size_t>(count / 2 + r);
        settle();
        auto start = Clock::now();
        auto* added = new wxUtils::TreeItem("added", tree, false);
        root->InsertChild(added, root->GetChild(middle));
        paint(tree);
        samples.push_back(seconds(start));

        settle();
        start = Clock::now();
        root->GetChild(middle + 1)->SetLabel(wxString::Format("renamed%d", r));
        paint(tree);
        samples.push_back(seconds(start));

        settle();
        start = Clock::now();
        added->RemoveAndDestroy();
        paint(tree);
        samples.push_back(seconds(start));
    }
    clearFrame();
    return median(samples);
}

double stockOperations(int count, int repeats)
{
    auto* tree =
        new wxTreeCtrl(s_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTR_DEFAULT_STYLE | wxTR_MULTIPLE);
    countPaints(tree);
    place(tree);
    const wxTreeItemId root = tree->AddRoot("root");
    std::vector<wxTreeItemId> children;
    children.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        children.push_back(tree->AppendItem(root, wxString::Format("Node%d", i)));
    tree->Expand(root);
    tree->EnsureVisible(children[static_cast<std::size_t>(count / 2)]);
    paint(tree);

    std::vector<double> samples;
    for (int r = 0; r < repeats; ++r)
    {
        const std::size_t middle = static_cast<std::size_t>(count / 2 + r);
        settle();
        auto start = Clock::now();
        const wxTreeItemId added = tree->InsertItem(root, children[middle - 1], "added");
        paint(tree);
        samples.push_back(seconds(start));

        settle();
        start = Clock::now();
        tree->SetItemText(children[middle + 1], wxString::Format("renamed%d", r));
        paint(tree);
        samples.push_back(seconds(start));

        settle();
        start = Clock::now();
        tree->Delete(added);
        paint(tree);
        samples.push_back(seconds(start));
    }
    clearFrame();
    return median(samples);
}

// ---------------------------------------------------------------------------
// Lists: rows appended with two column texts
// ---------------------------------------------------------------------------

double oursList(int count)
{
    settle();
    const auto start = Clock::now();
    auto* list = new wxUtils::OrkListControl(s_frame, wxID_ANY);
    list->addColumn(0, "Value");
    list->addColumn(1, "Index");
    countPaints(list);
    place(list);
    for (int i = 0; i < count; ++i)
    {
        wxUtils::OrkListItem_* row = list->appendItem(wxEmptyString, nullptr, false);
        list->setItemText(row, 0, wxString::Format("%f", i * 0.5));
        list->setItemText(row, 1, wxString::Format("%d", i));
    }
    paint(list);
    const double elapsed = seconds(start);
    clearFrame();
    return elapsed;
}

double stockList(int count)
{
    settle();
    const auto start = Clock::now();
    auto* list = new wxListCtrl(s_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT);
    list->AppendColumn("Value");
    list->AppendColumn("Index");
    countPaints(list);
    place(list);
    for (int i = 0; i < count; ++i)
    {
        const long row = list->InsertItem(list->GetItemCount(), wxEmptyString);
        list->SetItem(row, 0, wxString::Format("%f", i * 0.5));
        list->SetItem(row, 1, wxString::Format("%d", i));
    }
    paint(list);
    const double elapsed = seconds(start);
    clearFrame();
    return elapsed;
}

// The best of a few runs: the machine is shared, and other work only ever
// makes a run slower.
double best(const std::function<double()>& run)
{
    return bench::bestResult(run, 2);
}

// A micro-benchmark of the row index on its own, for profiling changes to it.
void BM_TreeInsertIntoLargeParent(benchmark::State& state)
{
    auto* tree = new wxUtils::TreeControl(s_frame, wxID_ANY);
    auto* root = new wxUtils::TreeItem("root", tree, true);
    tree->SetRoot(root);
    for (int i = 0; i < state.range(0); ++i)
        root->InsertChild(new wxUtils::TreeItem("n", tree, false), nullptr);
    std::size_t row = 0;
    for (auto _ : state)
    {
        auto* item = new wxUtils::TreeItem("x", tree, false);
        root->InsertChild(item, root->GetChild(static_cast<std::size_t>(state.range(0) / 2)));
        benchmark::DoNotOptimize(tree->GetItemRow(item, row));
        item->RemoveAndDestroy();
    }
    tree->Destroy();
}
BENCHMARK(BM_TreeInsertIntoLargeParent)->Arg(1000)->Arg(300000);

} // namespace

int main(int argc, char** argv)
{
    return bench::runWithWindows(
        argv, "toolkit_bench",
        [&]
        {
            s_frame = new wxFrame(nullptr, wxID_ANY, "toolkit_bench", wxDefaultPosition, wxSize(900, 700));
            s_frame->Show();
            pump();

            const SceneShape scene{30, 100, 99}; // 300,000 items with the groups
            figure("tree_flat300k_vs_wxtreectrl", best([] { return oursPopulate(300000, nullptr); }),
                   best([] { return stockPopulate(300000, nullptr); }));
            figure("tree_scene300k_vs_wxtreectrl", best([&scene] { return oursPopulate(0, &scene); }),
                   best([&scene] { return stockPopulate(0, &scene); }));
            const double ours300k = oursOperations(300000, 15);
            figure("tree_op_flat300k_vs_wxtreectrl", ours300k, stockOperations(300000, 15));
            figure("tree_op_300k_vs_1k", ours300k, oursOperations(1000, 15));
            figure("list_100k_vs_wxlistctrl", best([] { return oursList(100000); }),
                   best([] { return stockList(100000); }));

            benchmark::Initialize(&argc, argv);
            benchmark::RunSpecifiedBenchmarks();
            benchmark::Shutdown();
            s_frame->Destroy();
        });
}
