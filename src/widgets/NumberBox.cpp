#include "NumberBox.h"

#include "NumberText.h"

#include <dbui/AttributeWidget.h>

#include <wxUtils/OrkSimpleTextCtrl.h>

namespace dbui::detail
{

bool readNumberBox(AttributeWidget& widget, wxUtils::OrkSimpleTextCtrl& box, NumberEntry& entry)
{
    const std::wstring text = box.getText().ToStdWstring();
    std::wstring why;
    if (!(widget.getInputOptions() & AttributeWidget::ArithmeticInput))
    {
        entry = NumberEntry();
        entry.operand = parseDoubleLeniently(text);
        return true;
    }
    if (readNumberEntry(text, entry, why))
    {
        box.UnsetToolTip();
        return true;
    }
    // Still typed: Enter again, or the focus leaving, tries again once it is put right.
    box.MarkDirty();
    box.SetToolTip(wxString(why));
    wxCommandEvent event(EVT_ATTRIBUTE_INPUT_REFUSED, widget.GetId());
    event.SetEventObject(&widget);
    event.SetString(wxString(why));
    widget.GetEventHandler()->ProcessEvent(event);
    return false;
}

int intFromEntry(const NumberEntry& entry, const std::wstring& text, int current)
{
    return entry.plain ? parseIntLeniently(text) : roundToInt(entry.applyTo(current));
}

} // namespace dbui::detail
