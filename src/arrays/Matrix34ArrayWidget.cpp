#include <dbui/Matrix34ArrayWidget.h>

#include "ArrayWidgetSupport.h"

#include <db/Matrix34ArrayAttribute.h>
#include <wxUtils/OrkListControl.h>

namespace dbui
{

Matrix34ArrayWidget::Matrix34ArrayWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : ArrayWidgetBase(parent, size, style, name)
{
    addColumns({"Column 0", "Column 1", "Column 2", "Index"});
}

void Matrix34ArrayWidget::fillListControl()
{
    db::Matrix34ArrayAttribute* array = getAttributes().front()->asMatrix34ArrayAttribute();
    if (!array)
        return;
    // The translation row is left out: the list shows the three rows that users
    // read as the orientation, each tagged with its element's index.
    for (unsigned int i = 0; i < array->getSize(); ++i)
    {
        const OrkP::Matrix34& m = array->getElement(i);
        for (int r = 0; r < 3; ++r)
            appendRow({arrays::formatReal(m.get(r, 0)), arrays::formatReal(m.get(r, 1)),
                       arrays::formatReal(m.get(r, 2)), arrays::formatIndex(i)});
    }
}

void Matrix34ArrayWidget::handleAdd(wxCommandEvent& /*event*/)
{
    if (getAttributes().empty())
        return;
    auto dialog = arrays::makeAddDialog(this);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
        {
            const wxString name = wxString::Format("r%dc%d", r, c);
            dialog->addTextItem(name, name, r == c ? "1" : "0", wxUtils::OrkSimpleMultiOptionDialog::ItemNumeric);
        }
    if (dialog->ShowModal() != wxID_OK)
        return;
    OrkP::Matrix34 value;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            value.set(r, c,
                      static_cast<float>(arrays::textToDouble(dialog->getTextValue(wxString::Format("r%dc%d", r, c)))));
    if (db::Matrix34ArrayAttribute* array = getAttributes().front()->asMatrix34ArrayAttribute())
        array->add(value);
}

} // namespace dbui
