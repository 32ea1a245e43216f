#pragma once

#include "Harness.h"

#include <db/Attribute.h>
#include <db/Database.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <wxUtils/OrkListControl.h>

#include <string>
#include <vector>

namespace arraystest {

/// A database of `count` nodes of the example type that holds every attribute
/// kind, with an empty undo history.
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

    unsigned int undoSize() const { return database.getUndoStackSize(); }
    std::wstring topUndo() const
    {
        const unsigned int size = database.getUndoStackSize();
        return size == 0 ? std::wstring() : database.getUndoDescription(size - 1);
    }

    db::Database database;
    std::vector<db::Node*> nodes;
};

/// The texts of one column, top to bottom.
inline std::vector<wxString> columnTexts(const wxUtils::OrkListControl* list, unsigned int column)
{
    std::vector<wxString> texts;
    for (std::size_t i = 0; i < list->getItemCount(); ++i)
        texts.push_back(list->getItemText(list->getItem(i), column));
    return texts;
}

/// A right click (the context-menu request) on a row, or below the rows when `row` is -1.
inline void rightClick(wxUtils::OrkListControl* list, int row)
{
    wxPoint point;
    if (row >= 0)
        point = list->getRowRect(static_cast<std::size_t>(row)).GetPosition() + wxPoint(4, 4);
    else
        point = wxPoint(4, list->GetClientSize().GetHeight() - 4);
    wxContextMenuEvent event(wxEVT_CONTEXT_MENU, list->GetId(), list->ClientToScreen(point));
    event.SetEventObject(list);
    list->HandleWindowEvent(event);
}

inline void pressKey(wxUtils::OrkListControl* list, int keyCode)
{
    wxKeyEvent event(wxEVT_KEY_DOWN);
    event.m_keyCode = keyCode;
    event.SetEventObject(list);
    list->HandleWindowEvent(event);
}

inline void selectRows(wxUtils::OrkListControl* list, std::initializer_list<int> rows)
{
    list->clearSelection();
    for (int row : rows)
        list->selectItem(list->getItem(static_cast<std::size_t>(row)), true);
}

} // namespace arraystest
