#include <dbui/DoubleWidget.h>

#include "NumberBox.h"
#include "NumberText.h"

#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <db/DoubleAttribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

namespace dbui
{

DoubleWidget::DoubleWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator,
                           const wxString& name)
    : SpinAttributeWidget(parent, size, style, validator, name)
{
}

DoubleWidget::~DoubleWidget() = default;

void DoubleWidget::setTextBoxValue()
{
    getTextBox()->setText(detail::formatAsStream(getAttributes().front()->asDoubleAttribute()->getValue()));
}

void DoubleWidget::setCommonValue()
{
    detail::NumberEntry entry;
    if (!detail::readNumberBox(*this, *getTextBox(), entry))
        return;
    db::ChangeBlock block(getDatabase(), L"Set double attribute(s)");
    for (db::Attribute* attribute : getAttributes())
    {
        db::DoubleAttribute* value = attribute->asDoubleAttribute();
        value->setValue(entry.applyTo(value->getValue()));
    }
}

void DoubleWidget::stepValues(int direction)
{
    for (db::Attribute* attribute : getAttributes())
    {
        db::DoubleAttribute* value = attribute->asDoubleAttribute();
        value->setValue(value->getValue() + direction);
    }
}

void DoubleWidget::setValues(double value)
{
    for (db::Attribute* attribute : getAttributes())
        attribute->asDoubleAttribute()->setValue(value);
}

double DoubleWidget::getFirstValue() const
{
    return getAttributes().front()->asDoubleAttribute()->getValue();
}

} // namespace dbui
