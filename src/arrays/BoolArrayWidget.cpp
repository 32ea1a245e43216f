#include <dbui/BoolArrayWidget.h>

#include "ArrayWidgetSupport.h"

#include <db/BoolArrayAttribute.h>
#include <wxUtils/OrkListControl.h>

namespace dbui
{

BoolArrayWidget::BoolArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : ArrayWidgetBase(parent, size, style, name)
{
    addColumns({"Value", "Index"});
}

void BoolArrayWidget::fillListControl()
{
    db::BoolArrayAttribute* array = getAttributes().front()->asBoolArrayAttribute();
    if (!array)
        return;
    for (unsigned int i = 0; i < array->getSize(); ++i)
        appendRow({wxString(array->getElement(i) ? "true" : "false"), arrays::formatIndex(i)});
}

void BoolArrayWidget::handleAdd(wxCommandEvent& /*event*/)
{
    if (getAttributes().empty())
        return;
    auto dialog = arrays::makeAddDialog(this);
    dialog->addCheckItem("Value", "Value", false);
    if (dialog->ShowModal() != wxID_OK)
        return;
    if (db::BoolArrayAttribute* array = getAttributes().front()->asBoolArrayAttribute())
        array->add(dialog->getCheckValue("Value"));
}

} // namespace dbui
