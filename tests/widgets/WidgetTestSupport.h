#pragma once

#include "AllTypesScene.h"
#include "Harness.h"

#include <db/Attribute.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <wxUtils/OrkCheckBox.h>
#include <wxUtils/OrkComboBox.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

#include <wx/textctrl.h>

#include <gtest/gtest.h>

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

/// The text boxes inside `widget`, row by row.
inline std::vector<wxUtils::OrkSimpleTextCtrl*> boxesOf(wxWindow* widget)
{
    std::vector<wxUtils::OrkSimpleTextCtrl*> boxes;
    for (wxWindow* child : widget->GetChildren())
        if (auto* box = dynamic_cast<wxUtils::OrkSimpleTextCtrl*>(child))
            boxes.push_back(box);
    return boxes;
}

/// A click on the check box, as the native control reports it.
inline void click(wxUtils::OrkCheckBox* box)
{
    wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
    event.SetEventObject(box);
    box->HandleWindowEvent(event);
}

/// The user picks the entry `text` from the drop-down list.
inline void choose(wxUtils::OrkComboBox* box, const wxString& text)
{
    const int index = box->findString(text);
    ASSERT_GE(index, 0) << "no entry " << text;
    box->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, box->GetId());
    event.SetEventObject(box);
    event.SetInt(index);
    event.SetString(text);
    box->HandleWindowEvent(event);
}

} // namespace widgettest
