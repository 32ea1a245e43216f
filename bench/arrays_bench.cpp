// Array widget speed on a 100,000-element float array, against the stock
// wxListCtrl showing the same texts in the same run, and what undo keeps of
// elements added one step at a time. Prints FIGURE lines.
// Run under an X server (Xvfb in CI).

#include <dbui/FloatArrayWidget.h>

#include <db/Database.h>
#include <db/FloatArrayAttribute.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>

#include <wxUtils/OrkListControl.h>

#include "BenchSupport.h"
#include "WindowBench.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/listctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{

using bench::bestOf;
using bench::figure;
using bench::millisecondsOf;

constexpr unsigned int s_elements = 100000;
constexpr unsigned int s_deleted = 1000;
constexpr unsigned int s_addSteps = 1000;

void paint(wxWindow* window)
{
    window->Refresh();
    window->Update();
}

// Exposes the Delete handling as the key press would reach it.
class BenchFloatArrayWidget : public dbui::FloatArrayWidget
{
public:
    using dbui::FloatArrayWidget::deleteSelectedItems;
    using dbui::FloatArrayWidget::FloatArrayWidget;
};

struct AddSteps
{
    double milliseconds;
    double undoBytesPerStep;
};

// Elements added one at a time, each its own undo step, as clicks on
// "Add Value" make them: the database's part alone, since the cost that grows
// with the array is what undo keeps of it.
AddSteps addOneAtATime(unsigned int initialSize)
{
    db::Database database;
    db::Node* node = db::makeNode(L"AllTypes", L"node");
    database.getRootContainer().add(node);
    auto* array = node->findAttribute(L"floatArray")->asFloatArrayAttribute();
    array->setValues(std::vector<float>(initialSize, 0.5f));
    database.clearUndoHistory();
    const double ms = bestOf(
        3,
        [&]
        {
            while (database.canUndo())
                database.undo();
            database.clearUndoHistory();
        },
        [&]
        {
            for (unsigned int i = 0; i < s_addSteps; ++i)
                array->add(static_cast<float>(i));
        });
    return {ms, static_cast<double>(database.getUndoMemoryUsage()) / s_addSteps};
}

void measureAddSteps()
{
    const AddSteps big = addOneAtATime(s_elements);
    const AddSteps small = addOneAtATime(s_elements / 100);
    std::printf("# %u add steps: to %u elements %.2f ms, %.0f undo bytes a step; to %u elements %.2f ms, %.0f bytes\n",
                s_addSteps, s_elements, big.milliseconds, big.undoBytesPerStep, s_elements / 100, small.milliseconds,
                small.undoBytesPerStep);
    figure("array_add_1000_to_100k_vs_to_1k", big.milliseconds / small.milliseconds);
    figure("array_add_undo_bytes_per_step", big.undoBytesPerStep);
}

void run()
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "arrays_bench", wxDefaultPosition, wxSize(800, 600));
    frame->Show();

    db::Database database;
    db::Node* node = db::makeNode(L"AllTypes", L"node");
    database.getRootContainer().add(node);
    auto* array = node->findAttribute(L"floatArray")->asFloatArrayAttribute();
    std::vector<float> values(s_elements);
    for (unsigned int i = 0; i < s_elements; ++i)
        values[i] = static_cast<float>(i) * 0.25f;
    array->setValues(values);
    database.clearUndoHistory();

    auto* widget = new BenchFloatArrayWidget(frame, wxDefaultSize, 0, "FloatArrayWidget");
    widget->SetSize(frame->GetClientSize());
    const double bindMs = bestOf(
        3,
        [&]
        {
            widget->clearAttributes();
            paint(widget);
        },
        [&]
        {
            widget->setAttribute(array);
            paint(widget);
        });
    widget->Hide();

    auto* native = new wxListCtrl(frame, wxID_ANY, wxDefaultPosition, frame->GetClientSize(), wxLC_REPORT);
    native->AppendColumn("Value");
    native->AppendColumn("Index");
    const double nativeMs = bestOf(
        3,
        [&]
        {
            native->DeleteAllItems();
            paint(native);
        },
        [&]
        {
            for (unsigned int i = 0; i < s_elements; ++i)
            {
                const long row = native->InsertItem(static_cast<long>(i),
                                                    wxString::Format("%f", static_cast<double>(array->getElement(i))));
                native->SetItem(row, 1, wxString::Format("%d", static_cast<int>(i)));
            }
            paint(native);
        });
    native->Destroy();
    widget->Show();
    std::printf("# bind %u floats: %.1f ms, wxListCtrl %.1f ms\n", s_elements, bindMs, nativeMs);
    figure("float_array_100k_vs_wxlistctrl", bindMs / nativeMs);

    wxUtils::OrkListControl* list = widget->getListControl();
    const double deleteMs = bestOf(
        3,
        [&]
        {
            while (database.canUndo())
                database.undo();
            list->clearSelection();
            for (unsigned int i = 0; i < s_deleted; ++i)
                list->selectItem(list->getItem(i * (s_elements / s_deleted)), true);
            paint(widget);
        },
        [&]
        {
            widget->deleteSelectedItems();
            paint(widget);
        });
    std::printf("# delete %u of %u: %.1f ms, %zu rows left\n", s_deleted, s_elements, deleteMs, list->getItemCount());
    figure("array_delete_1000_of_100k_ms", deleteMs);

    widget->clearAttributes();
    frame->Destroy();
    measureAddSteps();
}

} // namespace

int main(int, char** argv)
{
    return bench::runWithWindows(argv, "arrays_bench", run);
}
