#pragma once

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

namespace widgettest {

/// A database of `count` nodes of the example type that holds every attribute kind,
/// with an empty undo history.
struct Scene
{
    explicit Scene(int count)
    {
        for (int i = 0; i < count; ++i)
        {
            db::Node* node = db::makeNode(L"AllTypes", L"node" + std::to_wstring(i));
            database.getRootContainer().add(node);
            nodes.push_back(node);
        }
        database.clearUndoHistory();
    }

    db::Attribute* attribute(int node, const wchar_t* name) const { return nodes[node]->findAttribute(name); }

    /// The attribute `name` of the first `count` nodes (all of them when -1).
    std::vector<db::Attribute*> attributes(const wchar_t* name, int count = -1) const
    {
        std::vector<db::Attribute*> list;
        for (int i = 0; i < (count < 0 ? static_cast<int>(nodes.size()) : count); ++i)
            list.push_back(attribute(i, name));
        return list;
    }

    unsigned int undoSize() const { return database.getUndoStackSize(); }
    std::wstring topUndo() const
    {
        const unsigned int size = database.getUndoStackSize();
        return size == 0 ? std::wstring() : database.getUndoDescription(size - 1);
    }

    db::Database database;
    std::vector<db::Node*> nodes;
};

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
