// The inspector against a plain panel of labels and text boxes, one node
// against a thousand, one value change in a long inspector against a short
// one, and the editor's start. Prints FIGURE lines.
// Run under an X server (Xvfb in CI); the editor's path comes as argument 1.

#include <dbui/NodeInspector.h>

#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/FloatAttribute.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "WindowBench.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{

using bench::bestOf;
using bench::figure;
using bench::millisecondsOf;

void paint(wxWindow* window)
{
    window->Layout();
    window->Refresh();
    window->Update();
    wxTheApp->Yield(true);
}

constexpr int s_attributeCount = 50;

/// The inspector's options for a run: none, or those of INSPECTOR_BENCH_OPTIONS
/// (a number), to see what the editor's options cost.
int inspectorOptions()
{
    const char* options = std::getenv("INSPECTOR_BENCH_OPTIONS");
    return options ? std::atoi(options) : 0;
}

// Attributes of mixed kinds, the same names on every node.
void addMixedAttributes(db::Node* node, int count = s_attributeCount)
{
    for (int i = 0; i < count; ++i)
    {
        const std::wstring name = L"attribute" + std::to_wstring(i);
        switch (i % 6)
        {
        case 0:
            node->addDynamicInt(name, i, 0, 1000);
            break;
        case 1:
            node->addDynamicBool(name, i % 2 == 0);
            break;
        case 2:
            node->addDynamicFloat(name, 0.5f * i, -1e6f, 1e6f);
            break;
        case 3:
            node->addDynamicDouble(name, 0.25 * i, -1e9, 1e9);
            break;
        case 4:
            node->addDynamicString(name, L"text " + std::to_wstring(i));
            break;
        default:
            node->addDynamicVector3(name, OrkP::Vector3{1.0f, 2.0f, 3.0f});
            break;
        }
    }
}

std::vector<db::Node*> makeNodes(db::Database& database, int count)
{
    std::vector<db::Node*> nodes;
    for (int i = 0; i < count; ++i)
    {
        db::Node* node = db::makeNode(L"Group", L"node" + std::to_wstring(i));
        database.getRootContainer().add(node);
        addMixedAttributes(node);
        nodes.push_back(node);
    }
    database.clearUndoHistory();
    return nodes;
}

// What a hand-written panel of the same rows costs: labels and text boxes.
void fillFlexGrid(wxPanel* panel)
{
    panel->DestroyChildren();
    auto* grid = new wxFlexGridSizer(0, 2, 1, 12);
    grid->AddGrowableCol(1);
    for (int i = 0; i < s_attributeCount; ++i)
    {
        grid->Add(new wxStaticText(panel, wxID_ANY, wxString::Format("attribute%d", i)));
        grid->Add(new wxTextCtrl(panel, wxID_ANY, wxString::Format("%d", i)), 0, wxEXPAND);
    }
    panel->SetSizer(grid, true);
}

void measureInspector()
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "inspector_bench", wxDefaultPosition, wxSize(800, 1000));
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    auto* inspector = new dbui::NodeInspector(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0x5C0);
    inspector->setOptions(inspectorOptions());
    auto* panel = new wxPanel(frame);
    sizer->Add(inspector, 1, wxEXPAND);
    sizer->Add(panel, 1, wxEXPAND);
    frame->SetSizer(sizer);
    frame->Show();
    paint(frame);

    db::Database database(L"Bench");
    const std::vector<db::Node*> nodes = makeNodes(database, 1000);
    inspector->setDatabase(&database);
    const std::vector<db::Node*> one{nodes.front()};

    const double flexGrid = bestOf(5,
                                   [&]
                                   {
                                       fillFlexGrid(panel);
                                       paint(frame);
                                   });
    const double oneNode = bestOf(5,
                                  [&]
                                  {
                                      inspector->setNodes(one);
                                      paint(frame);
                                  });
    const double thousandNodes = bestOf(5,
                                        [&]
                                        {
                                            inspector->setNodes(nodes);
                                            paint(frame);
                                        });
    std::printf("# flex grid %.2f ms, inspector of 1 node %.2f ms, of 1000 nodes %.2f ms\n", flexGrid, oneNode,
                thousandNodes);
    figure("inspector_50_rows_vs_flexgrid", oneNode / flexGrid);
    figure("inspector_1000_nodes_vs_1", thousandNodes / oneNode);

    inspector->setDatabase(nullptr);
    frame->Destroy();
    wxTheApp->Yield(true);
}

struct ChangeTimes
{
    double shown;
    double elsewhere;
};

// One value changed while an inspector of `rows` rows shows its node: the
// change block, its report to every observer and, for a value the inspector
// shows, the row's refill; for a value of another node, the report alone.
ChangeTimes changeOneValue(wxFrame* frame, int rows)
{
    auto* inspector = new dbui::NodeInspector(frame, wxID_ANY, wxDefaultPosition, wxSize(400, 900), 0x5C0);
    inspector->setOptions(inspectorOptions());
    db::Database database(L"Bench");
    db::Node* node = db::makeNode(L"Group", L"node");
    db::Node* other = db::makeNode(L"Group", L"other");
    database.getRootContainer().add(node);
    database.getRootContainer().add(other);
    addMixedAttributes(node, rows);
    addMixedAttributes(other, rows);
    database.clearUndoHistory();
    inspector->setDatabase(&database);
    inspector->setNodes({node});
    paint(frame);

    constexpr int s_changes = 200;
    float value = 0;
    auto timeChanges = [&](db::Node* owner)
    {
        // A float row near the top, in view in both inspectors.
        auto* edited = owner->findAttribute(L"attribute20")->asFloatAttribute();
        return bestOf(5,
                      [&]
                      {
                          for (int i = 0; i < s_changes; ++i)
                          {
                              db::ChangeBlock block(database, L"Set float attribute(s)");
                              edited->setValue(value += 1.0f);
                          }
                      }) /
               s_changes;
    };
    const ChangeTimes times{timeChanges(node), timeChanges(other)};
    inspector->setDatabase(nullptr);
    inspector->Destroy();
    wxTheApp->Yield(true);
    return times;
}

void measureChange()
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "inspector_bench", wxDefaultPosition, wxSize(400, 1000));
    frame->Show();
    const ChangeTimes few = changeOneValue(frame, 50);
    const ChangeTimes many = changeOneValue(frame, 400);
    std::printf("# one value change in a row: inspector of 50 rows %.2f us, of 400 rows %.2f us\n", few.shown * 1000,
                many.shown * 1000);
    std::printf("# one value change elsewhere: inspector of 50 rows %.2f us, of 400 rows %.2f us\n",
                few.elsewhere * 1000, many.elsewhere * 1000);
    figure("inspector_change_400_rows_vs_50", many.shown / few.shown);
    figure("inspector_change_elsewhere_400_rows_vs_50", many.elsewhere / few.elsewhere);
    frame->Destroy();
    wxTheApp->Yield(true);
}

void measureEditorStart(const char* editor)
{
    const std::string command = std::string(editor) + " --quit-when-ready > /dev/null 2>&1";
    double best = 1e300;
    for (int i = 0; i < 3; ++i)
    {
        int status = 0;
        const double ms = millisecondsOf([&] { status = std::system(command.c_str()); });
        if (status != 0)
        {
            std::fprintf(stderr, "inspector_bench: %s failed\n", command.c_str());
            return;
        }
        best = std::min(best, ms);
    }
    figure("editor_start_ms", best);
}

} // namespace

int main(int argc, char** argv)
{
    return bench::runWithWindows(argv, "inspector_bench",
                                 [&]
                                 {
                                     measureInspector();
                                     measureChange();
                                     if (argc > 1)
                                         measureEditorStart(argv[1]);
                                 });
}
