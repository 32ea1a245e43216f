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

namespace arraystest
{

using Scene = dbuitest::AllTypesScene;

using wxtest::columnTexts;

/// A right click (the context-menu request) on a row, or below the rows when `row` is -1.
inline void rightClick(wxUtils::OrkListControl* list, int row)
{
    wxtest::requestContextMenu(list, row >= 0
                                         ? list->getRowRect(static_cast<std::size_t>(row)).GetPosition() + wxPoint(4, 4)
                                         : wxPoint(4, list->GetClientSize().GetHeight() - 4));
}

inline void selectRows(wxUtils::OrkListControl* list, const std::vector<int>& rows)
{
    list->clearSelection();
    for (int row : rows)
        list->selectItem(list->getItem(static_cast<std::size_t>(row)), true);
}

} // namespace arraystest
