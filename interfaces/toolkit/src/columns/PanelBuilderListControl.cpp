#include <wxUtils/OrkListControl.h>
#include <wxUtils/PanelBuilder.h>

namespace wxUtils
{

// Lives with the list control so that the layout builder does not depend on
// the column-window engine's sources.
OrkListControl* PanelBuilder::addListControl(int proportion, int flags, const wxSize& size, long style, int id)
{
    auto* list = new OrkListControl(getParentWindow(), id, wxDefaultPosition, size, style);
    addWindow(list, proportion, flags);
    return list;
}

} // namespace wxUtils
