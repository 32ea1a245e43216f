#include <dbui/IntArrayWidget.h>

#include "ArrayWidgetSupport.h"

#include <db/IntArrayAttribute.h>
#include <wxUtils/OrkListControl.h>

namespace dbui
{

IntArrayWidget::IntArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : ArrayWidgetBase(parent, size, style, name)
{
    addColumns({"Value", "Index"});
}

void IntArrayWidget::fillListControl()
{
    db::IntArrayAttribute* array = getAttributes().front()->asIntArrayAttribute();
    if (!array)
        return;
    for (unsigned int i = 0; i < array->getSize(); ++i)
        appendRow({wxString::Format("%d", array->getElement(i)), arrays::formatIndex(i)});
}

void IntArrayWidget::handleAdd(wxCommandEvent& /*event*/)
{
    if (getAttributes().empty())
        return;
    wxString text;
    if (!arrays::askNumber(this, text))
        return;
    if (db::IntArrayAttribute* array = getAttributes().front()->asIntArrayAttribute())
        array->add(arrays::textToInt(text));
}

} // namespace dbui
