#include <dbui/Vector3AttributeWidget.h>

#include "NumberBox.h"
#include "NumberText.h"

#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <db/Vector3Attribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

namespace dbui
{

Vector3AttributeWidget::Vector3AttributeWidget(wxWindow* parent, const wxSize& size, long style,
                                               const wxValidator& validator, const wxString& name)
    : MultiTextBoxBasedAttributeWidget(3, 1, parent, size, style, validator, name)
{
}

Vector3AttributeWidget::~Vector3AttributeWidget() = default;

bool Vector3AttributeWidget::isValueCommon(int row, int) const
{
    const std::vector<db::Attribute*>& attributes = getAttributes();
    if (attributes.size() <= 1)
        return true;
    const float first = attributes.front()->asVector3Attribute()->getValue()[row];
    for (std::size_t i = 1; i < attributes.size(); ++i)
    {
        if (!(attributes[i]->asVector3Attribute()->getValue()[row] == first))
            return false;
    }
    return true;
}

void Vector3AttributeWidget::setTextBoxValue(int row, int, wxUtils::OrkSimpleTextCtrl* box)
{
    // Six decimals with a point whatever the locale, so that the text reads back as shown.
    box->setText(wxString::FromCDouble(getAttributes().front()->asVector3Attribute()->getValue()[row], 6));
}

void Vector3AttributeWidget::setCommonValue(int row, int, wxUtils::OrkSimpleTextCtrl* box)
{
    detail::NumberEntry entry;
    if (!detail::readNumberBox(*this, *box, entry))
        return;
    db::ChangeBlock block(getDatabase(), L"Set Vector3 attribute(s)");
    for (db::Attribute* attribute : getAttributes())
    {
        db::Vector3Attribute* vector = attribute->asVector3Attribute();
        OrkP::Vector3 value = vector->getValue();
        value[row] = static_cast<float>(entry.applyTo(value[row]));
        vector->setValue(value);
    }
}

} // namespace dbui
