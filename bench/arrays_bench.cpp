// Array widget speed on a 100,000-element float array, against the stock
// wxListCtrl showing the same texts in the same run. Prints FIGURE lines.
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

void paint(wxWindow* window)
{
    window->Refresh();
    window->Update();
}

// Exposes the Delete handling as the key press would reach it.
class BenchFloatArrayWidget : public dbui::FloatArrayWidget
{
public:
    using dbui::FloatArrayWidget::FloatArrayWidget;
    using dbui::FloatArrayWidget::deleteSelectedItems;
};

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
        3, [&] { widget->clearAttributes(); paint(widget); },
        [&] {
            widget->setAttribute(array);
            paint(widget);
        });
    widget->Hide();

    auto* native = new wxListCtrl(frame, wxID_ANY, wxDefaultPosition, frame->GetClientSize(), wxLC_REPORT);
    native->AppendColumn("Value");
    native->AppendColumn("Index");
    const double nativeMs = bestOf(
        3, [&] { native->DeleteAllItems(); paint(native); },
        [&] {
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
        [&] {
            while (database.canUndo())
                database.undo();
            list->clearSelection();
            for (unsigned int i = 0; i < s_deleted; ++i)
                list->selectItem(list->getItem(i * (s_elements / s_deleted)), true);
            paint(widget);
        },
        [&] {
            widget->deleteSelectedItems();
            paint(widget);
        });
    std::printf("# delete %u of %u: %.1f ms, %zu rows left\n", s_deleted, s_elements, deleteMs, list->getItemCount());
    figure("array_delete_1000_of_100k_ms", deleteMs);

    widget->clearAttributes();
    frame->Destroy();
}

} // namespace

int main(int, char** argv)
{
    return bench::runWithWindows(argv, "arrays_bench", run);
}
