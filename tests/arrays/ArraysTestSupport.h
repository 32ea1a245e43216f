#pragma once

#include "AllTypesScene.h"
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

using Scene = dbuitest::AllTypesScene;

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
