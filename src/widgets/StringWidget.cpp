#include <dbui/StringWidget.h>

#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <db/StringAttribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/PanelBuilder.h>

namespace dbui
{

StringWidget::StringWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator,
                           const wxString& name)
    : TextBoxBasedAttributeWidget(parent, size, style, validator, name)
{
    wxUtils::PanelBuilder builder(this, 0);
    builder.beginHSizer(0, 0);
    builder.addWindow(getTextBox(), 1, 0);
    builder.endSizer();
}

StringWidget::~StringWidget() = default;

void StringWidget::setTextBoxValue()
{
    getTextBox()->setText(getAttributes().front()->asStringAttribute()->getValue());
}

void StringWidget::setCommonValue()
{
    db::ChangeBlock block(getDatabase(), L"Set string attribute(s)");
    for (db::Attribute* attribute : getAttributes())
        attribute->asStringAttribute()->setValue(getTextBox()->getText().ToStdWstring());
}

} // namespace dbui
