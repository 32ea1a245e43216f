#include <dbui/DoubleArrayWidget.h>

#include "ArrayWidgetSupport.h"

#include <db/DoubleArrayAttribute.h>
#include <wxUtils/OrkListControl.h>

namespace dbui
{

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
    wxString text;
    if (!arrays::askNumber(this, text))
        return;
    if (db::DoubleArrayAttribute* array = getAttributes().front()->asDoubleArrayAttribute())
        array->add(arrays::textToDouble(text));
}

} // namespace dbui
