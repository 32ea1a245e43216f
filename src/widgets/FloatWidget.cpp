#include <dbui/FloatWidget.h>

#include "NumberBox.h"
#include "NumberText.h"

#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <db/FloatAttribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

namespace dbui
{

FloatWidget::FloatWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator,
                         const wxString& name)
    : SpinAttributeWidget(parent, size, style, validator, name)
{
}

FloatWidget::~FloatWidget() = default;

void FloatWidget::setTextBoxValue()
{
    getTextBox()->setText(detail::formatAsStream(getAttributes().front()->asFloatAttribute()->getValue()));
}

void FloatWidget::setCommonValue()
{
    detail::NumberEntry entry;
    if (!detail::readNumberBox(*this, *getTextBox(), entry))
        return;
    db::ChangeBlock block(getDatabase(), L"Set float attribute(s)");
    for (db::Attribute* attribute : getAttributes())
    {
        db::FloatAttribute* value = attribute->asFloatAttribute();
        value->setValue(static_cast<float>(entry.applyTo(value->getValue())));
    }
}

void FloatWidget::stepValues(int direction)
{
    const double delta = static_cast<double>(m_spinDelta) * direction;
    for (db::Attribute* attribute : getAttributes())
    {
        db::FloatAttribute* value = attribute->asFloatAttribute();
        value->setValue(static_cast<float>(static_cast<double>(value->getValue()) + delta));
    }
}

void FloatWidget::setValues(double value)
{
    for (db::Attribute* attribute : getAttributes())
        attribute->asFloatAttribute()->setValue(static_cast<float>(value));
}

double FloatWidget::getFirstValue() const
{
    return getAttributes().front()->asFloatAttribute()->getValue();
}

} // namespace dbui
