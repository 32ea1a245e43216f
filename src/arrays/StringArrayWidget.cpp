#include <dbui/StringArrayWidget.h>

#include "ArrayWidgetSupport.h"

#include <db/StringArrayAttribute.h>
#include <wxUtils/OrkListControl.h>

namespace dbui
{

StringArrayWidget::StringArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : ArrayWidgetBase(parent, size, style, name)
{
    addColumns({"Value", "Index"});
}

void StringArrayWidget::fillListControl()
{
    db::StringArrayAttribute* array = getAttributes().front()->asStringArrayAttribute();
    if (!array)
        return;
    for (unsigned int i = 0; i < array->getSize(); ++i)
        appendRow({wxString(array->getElement(i)), arrays::formatIndex(i)});
}

void StringArrayWidget::handleAdd(wxCommandEvent& /*event*/)
{
    if (getAttributes().empty())
        return;
    auto dialog = arrays::makeAddDialog(this);
    dialog->addTextItem("Value", "Value", wxEmptyString, 0);
    if (dialog->ShowModal() != wxID_OK)
        return;
    if (db::StringArrayAttribute* array = getAttributes().front()->asStringArrayAttribute())
        array->add(dialog->getTextValue("Value").ToStdWstring());
}

} // namespace dbui
