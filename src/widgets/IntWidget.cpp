#include <dbui/IntWidget.h>

#include "NumberBox.h"
#include "NumberText.h"

#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <db/IntAttribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

#include <climits>
#include <cmath>

namespace dbui
{

IntWidget::IntWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator,
                     const wxString& name)
    : SpinAttributeWidget(parent, size, style, validator, name)
{
}

IntWidget::~IntWidget() = default;

void IntWidget::setTextBoxValue()
{
    getTextBox()->setText(wxString::Format("%d", getAttributes().front()->asIntAttribute()->getValue()));
}

void IntWidget::setCommonValue()
{
    detail::NumberEntry entry;
    if (!detail::readNumberBox(*this, *getTextBox(), entry))
        return;
    const std::wstring text = getTextBox()->getText().ToStdWstring();
    db::ChangeBlock block(getDatabase(), L"Set int attribute(s)");
    for (db::Attribute* attribute : getAttributes())
    {
        db::IntAttribute* value = attribute->asIntAttribute();
        value->setValue(detail::intFromEntry(entry, text, value->getValue()));
    }
}

void IntWidget::stepValues(int direction)
{
    for (db::Attribute* attribute : getAttributes())
    {
        db::IntAttribute* value = attribute->asIntAttribute();
        // Stepping past the int range would be undefined; stop at its ends instead.
        const long long next = static_cast<long long>(value->getValue()) + direction;
        value->setValue(static_cast<int>(next > INT_MAX ? INT_MAX : (next < INT_MIN ? INT_MIN : next)));
    }
}

void IntWidget::setValues(double value)
{
    for (db::Attribute* attribute : getAttributes())
        attribute->asIntAttribute()->setValue(static_cast<int>(std::lround(value)));
}

double IntWidget::getFirstValue() const
{
    return getAttributes().front()->asIntAttribute()->getValue();
}

} // namespace dbui
