#include <dbui/FloatArrayWidget.h>

#include "ArrayWidgetSupport.h"

#include <db/FloatArrayAttribute.h>
#include <wxUtils/OrkListControl.h>

namespace dbui
{

FloatArrayWidget::FloatArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : ArrayWidgetBase(parent, size, style, name)
{
    addColumns({"Value", "Index"});
}

void FloatArrayWidget::fillListControl()
{
    db::FloatArrayAttribute* array = getAttributes().front()->asFloatArrayAttribute();
    if (!array)
        return;
    for (unsigned int i = 0; i < array->getSize(); ++i)
        appendRow({arrays::formatReal(static_cast<double>(array->getElement(i))), arrays::formatIndex(i)});
}

void FloatArrayWidget::handleAdd(wxCommandEvent& /*event*/)
{
    if (getAttributes().empty())
        return;
    wxString text;
    if (!arrays::askNumber(this, text))
        return;
    if (db::FloatArrayAttribute* array = getAttributes().front()->asFloatArrayAttribute())
        array->add(static_cast<float>(arrays::textToDouble(text)));
}

} // namespace dbui
