#pragma once

#include "AllTypesScene.h"
#include "Harness.h"

#include <db/Attribute.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

#include <wx/textctrl.h>

#include <string>
#include <vector>

namespace widgettest
{

using Scene = dbuitest::AllTypesScene;

/// Puts text in a box as if typed: the box counts as modified.
inline void typeInto(wxTextCtrl* box, const wxString& text)
{
    box->ChangeValue(text);
    box->MarkDirty();
}

/// The Enter key in a single-line box, as the box reports it.
inline void pressEnter(wxTextCtrl* box)
{
    wxCommandEvent event(wxEVT_TEXT_ENTER, box->GetId());
    event.SetEventObject(box);
    event.SetString(box->GetValue());
    box->HandleWindowEvent(event);
}

/// Moves the keyboard focus to `target` and waits until the box that had it
/// has reported the loss (its report is queued).
inline bool moveFocus(wxWindow* from, wxWindow* target)
{
    from->SetFocus();
    if (!wxtest::pumpUntil([&] { return wxWindow::FindFocus() == from; }))
        return false;
    target->SetFocus();
    const bool moved = wxtest::pumpUntil([&] { return wxWindow::FindFocus() == target; });
    wxtest::pump();
    return moved;
}

} // namespace widgettest
