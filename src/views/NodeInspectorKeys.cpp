// The inspector by keyboard: Tab and Shift+Tab from control to control in
// reading order, Ctrl+F to the attribute filter.

#include <dbui/NodeInspector.h>

#include "InspectorHeader.h"

#include <wxUtils/OrkColumnWindow.h>

#include <wx/control.h>
#include <wx/textentry.h>

#include <algorithm>

namespace dbui
{

namespace
{

/// The controls under `window` that take the focus, top to bottom and left to
/// right as they were made: a matrix's cells row by row. A list is one stop.
void collectFocusStops(wxWindow* window, std::vector<wxWindow*>& stops)
{
    for (wxWindow* child : window->GetChildren())
    {
        if (!child->IsShownOnScreen() || !child->IsEnabled())
            continue;
        const bool stop = dynamic_cast<wxUtils::OrkColumnWindow*>(child) ||
                          (dynamic_cast<wxControl*>(child) && child->AcceptsFocusFromKeyboard());
        if (stop)
            stops.push_back(child);
        else
            collectFocusStops(child, stops);
    }
}

} // namespace

void NodeInspector::onCharHook(wxKeyEvent& event)
{
    event.Skip();
    if (!(m_options & KeyboardNavigation))
        return;
    const int key = event.GetKeyCode();
    const int modifiers = event.GetModifiers();
    bool handled = false;
    if (key == WXK_TAB && (modifiers == wxMOD_NONE || modifiers == wxMOD_SHIFT))
        handled = moveFocus(modifiers == wxMOD_NONE);
    else if ((key == 'F' || key == 'f') && modifiers == wxMOD_CONTROL)
        handled = focusAttributeFilter();
    if (handled)
        event.Skip(false);
}

bool NodeInspector::moveFocus(bool forward)
{
    std::vector<wxWindow*> stops;
    collectFocusStops(this, stops);
    // The focus may be inside a stop (a combo box's entry): the stop counts.
    wxWindow* focus = wxWindow::FindFocus();
    auto at = stops.end();
    for (wxWindow* w = focus; w && w != this && at == stops.end(); w = w->GetParent())
        at = std::find(stops.begin(), stops.end(), w);
    if (at == stops.end())
        return false;
    // At either end the focus leaves the inspector as it would without us.
    if (forward ? at + 1 == stops.end() : at == stops.begin())
        return false;
    wxWindow* next = forward ? *(at + 1) : *(at - 1);
    next->SetFocus();
    if (auto* text = dynamic_cast<wxTextEntry*>(next))
        text->SelectAll();
    return true;
}

bool NodeInspector::focusAttributeFilter()
{
    return m_header && m_header->focusFilter();
}

} // namespace dbui
