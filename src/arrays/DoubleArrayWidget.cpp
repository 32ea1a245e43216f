#include <dbui/DoubleArrayWidget.h>

#include "ArrayWidgetSupport.h"

#include <db/DoubleArrayAttribute.h>
#include <wxUtils/OrkListControl.h>

namespace dbui {

DoubleArrayWidget::DoubleArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : ArrayWidgetBase(parent, size, style, name)
{
    addColumns({"Value", "Index"});
    Connect(getListControl()->GetId(), wxUTILS_EVT_LC_ITEM_CONTEXT_MENU,
            OrkListEventHandler(DoubleArrayWidget::onContextMenu));
    m_addId = wxNewId();
    Connect(m_addId, wxEVT_COMMAND_MENU_SELECTED, wxCommandEventHandler(DoubleArrayWidget::handleAdd));
    m_deleteId = wxNewId();
    Connect(m_deleteId, wxEVT_COMMAND_MENU_SELECTED, wxCommandEventHandler(DoubleArrayWidget::handleDelete));
}

void DoubleArrayWidget::fillListControl()
{
    db::DoubleArrayAttribute* array = getAttributes().front()->asDoubleArrayAttribute();
    if (!array)
        return;
    for (unsigned int i = 0; i < array->getSize(); ++i)
        appendRow({arrays::formatReal(array->getElement(i)), arrays::formatIndex(i)});
}

void DoubleArrayWidget::onContextMenu(wxUtils::OrkListEvent& event)
{
    showContextMenu(event, m_addId, m_deleteId);
}

void DoubleArrayWidget::handleDelete(wxCommandEvent& /*event*/)
{
    deleteSelectedItems();
}

void DoubleArrayWidget::handleAdd(wxCommandEvent& /*event*/)
{
    if (getAttributes().empty())
        return;
    auto dialog = arrays::makeAddDialog(this);
    dialog->addTextItem("Value", "Value", "0", wxUtils::OrkSimpleMultiOptionDialog::ItemNumeric);
    if (dialog->ShowModal() != wxID_OK)
        return;
    if (db::DoubleArrayAttribute* array = getAttributes().front()->asDoubleArrayAttribute())
        array->add(arrays::textToDouble(dialog->getTextValue("Value")));
}

} // namespace dbui
