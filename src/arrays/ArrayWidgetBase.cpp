#include <dbui/ArrayWidgetBase.h>

#include <db/ArrayAttribute.h>
#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <wxUtils/OrkListControl.h>
#include <wxUtils/OrkMenu.h>
#include <wxUtils/PanelBuilder.h>

#include <Orkutils/Vector.h>

#include <algorithm>

namespace dbui
{

namespace
{

constexpr int s_deleteKey = WXK_DELETE;
constexpr long s_multipleSelection = 0x2000;

} // namespace

ArrayWidgetBase::ArrayWidgetBase(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : AttributeWidget(parent, size, style, name)
{
    wxUtils::PanelBuilder builder(this, 0);
    builder.beginHSizer(0, 0);
    m_list = builder.addListControl(1, wxEXPAND, wxDefaultSize, s_multipleSelection, -1);
    builder.endSizer();

    Connect(m_list->GetId(), wxUTILS_EVT_LC_KEY_DOWN, wxUTILS_LIST_EVENT_HANDLER(ArrayWidgetBase::onKeyDown));
    Connect(m_list->GetId(), wxUTILS_EVT_LC_ITEM_CONTEXT_MENU,
            wxUTILS_LIST_EVENT_HANDLER(ArrayWidgetBase::onContextMenu));
    m_addId = wxNewId();
    Connect(m_addId, wxEVT_COMMAND_MENU_SELECTED, wxCommandEventHandler(ArrayWidgetBase::handleAdd));
    m_deleteId = wxNewId();
    Connect(m_deleteId, wxEVT_COMMAND_MENU_SELECTED, wxCommandEventHandler(ArrayWidgetBase::handleDelete));
}

void ArrayWidgetBase::clearWindow()
{
    m_list->deleteAllItems();
}

void ArrayWidgetBase::populateFromData(bool /*immediate*/)
{
    if (isValueCommon())
        fillListControl();
    else
        m_list->deleteAllItems();
}

void ArrayWidgetBase::onDataChanged(const db::ChangeSet& /*changes*/, bool immediate)
{
    clearWindow();
    populateFromData(immediate);
}

void ArrayWidgetBase::deleteSelectedItems()
{
    // Rows exist only while an attribute is bound; without one there is nothing to delete.
    if (getAttributes().empty())
        return;
    db::ArrayAttribute* array = getAttributes().front()->asArrayAttribute();
    db::ChangeBlock block(getDatabase(), L"Delete array item(s)");

    Orkutils::Vector<wxUtils::OrkListItem_*> selection;
    m_list->getSelectionInViewOrder(selection);
    // From the bottom up, so that each removal leaves the positions of the rows
    // still to be handled unchanged; rows of one element come together.
    int lastRemoved = -1;
    for (auto it = selection.rbegin(); it != selection.rend(); ++it)
    {
        const int element = elementOfRow(m_list->getItemIndex(*it));
        if (element < 0 || element == lastRemoved)
            continue;
        lastRemoved = element;
        if (array)
            array->removeElement(static_cast<unsigned int>(element));
    }
}

void ArrayWidgetBase::onKeyDown(wxUtils::OrkListEvent& event)
{
    if (event.getKeyCode() == s_deleteKey)
        deleteSelectedItems();
    else
        event.Skip(true);
}

void ArrayWidgetBase::addColumns(std::initializer_list<const char*> titles)
{
    unsigned int column = 0;
    for (const char* title : titles)
        m_list->addColumn(column++, title);
    if (titles.size() <= 2)
        return; // one value to a row, which takes the room
    // Several numbers to a row (vectors, matrix rows): columns of one width,
    // room for a long number, and the index takes what is left. Otherwise the
    // first number would take it all and the others crowd at the right.
    const int width = m_list->GetTextExtent("-00000.000000").GetWidth() + m_list->FromDIP(16);
    for (unsigned int c = 0; c + 1 < titles.size(); ++c)
        m_list->setColumnWidth(c, std::max(m_list->getColumnWidth(c), width));
    m_list->setStretchColumn(static_cast<int>(titles.size()) - 1);
}

void ArrayWidgetBase::handleDelete(wxCommandEvent& /*event*/)
{
    deleteSelectedItems();
}

void ArrayWidgetBase::onContextMenu(wxUtils::OrkListEvent& event)
{
    wxUtils::OrkMenu menu(-1);
    if (wxUtils::OrkListItem_* row = event.getItem())
    {
        menu.setUserData(row);
        menu.add(m_deleteId, "Delete", false, false, wxEmptyString);
    }
    else
    {
        menu.add(m_addId, "Add Value", false, false, wxEmptyString);
    }
    m_list->popupMenu(menu, event.getPoint(), nullptr);
}

void ArrayWidgetBase::appendRow(std::initializer_list<wxString> texts)
{
    wxUtils::OrkListItem_* row = m_list->appendItem(wxEmptyString, nullptr, false);
    unsigned int column = 0;
    for (const wxString& text : texts)
        m_list->setItemText(row, column++, text);
}

} // namespace dbui
