#include <dbui/DoubleArrayWidget.h>

#include "ArrayWidgetSupport.h"

#include <db/DoubleArrayAttribute.h>
#include <wxUtils/OrkListControl.h>

namespace dbui {

DoubleArrayWidget::DoubleArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : ArrayWidgetBase(parent, size, style, name)
{
    addColumns({"Value", "Index"});
}

void DoubleArrayWidget::fillListControl()
{
    db::DoubleArrayAttribute* array = getAttributes().front()->asDoubleArrayAttribute();
    if (!array)
        return;
    for (unsigned int i = 0; i < array->getSize(); ++i)
        appendRow({arrays::formatReal(array->getElement(i)), arrays::formatIndex(i)});
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
