#include <dbui/Vector3ArrayWidget.h>

#include "ArrayWidgetSupport.h"

#include <db/Vector3ArrayAttribute.h>
#include <wxUtils/OrkListControl.h>

namespace dbui
{

Vector3ArrayWidget::Vector3ArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : ArrayWidgetBase(parent, size, style, name)
{
    addColumns({"X Value", "Y Value", "Z Value", "Index"});
}

void Vector3ArrayWidget::fillListControl()
{
    db::Vector3ArrayAttribute* array = getAttributes().front()->asVector3ArrayAttribute();
    if (!array)
        return;
    for (unsigned int i = 0; i < array->getSize(); ++i)
    {
        const OrkP::Vector3& v = array->getElement(i);
        appendRow({arrays::formatReal(v.x), arrays::formatReal(v.y), arrays::formatReal(v.z), arrays::formatIndex(i)});
    }
}

void Vector3ArrayWidget::handleAdd(wxCommandEvent& /*event*/)
{
    if (getAttributes().empty())
        return;
    static const char* const s_names[] = {"X Value", "Y Value", "Z Value"};
    auto dialog = arrays::makeAddDialog(this);
    for (const char* name : s_names)
        dialog->addTextItem(name, name, "0", wxUtils::OrkSimpleMultiOptionDialog::ItemNumeric);
    if (dialog->ShowModal() != wxID_OK)
        return;
    OrkP::Vector3 value;
    for (int c = 0; c < 3; ++c)
        value[c] = static_cast<float>(arrays::textToDouble(dialog->getTextValue(s_names[c])));
    if (db::Vector3ArrayAttribute* array = getAttributes().front()->asVector3ArrayAttribute())
        array->add(value);
}

} // namespace dbui
