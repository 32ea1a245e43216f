#include <dbui/Matrix34AttributeWidget.h>

#include "NumberBox.h"
#include "NumberText.h"

#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <db/Matrix34Attribute.h>
#include <wxUtils/OrkSimpleTextCtrl.h>

namespace dbui
{

Matrix34AttributeWidget::Matrix34AttributeWidget(wxWindow* parent, const wxSize& size, long style,
                                                 const wxValidator& validator, const wxString& name)
    : MultiTextBoxBasedAttributeWidget(4, 3, parent, size, style, validator, name)
{
}

Matrix34AttributeWidget::~Matrix34AttributeWidget() = default;

bool Matrix34AttributeWidget::isValueCommon(int row, int col) const
{
    const std::vector<db::Attribute*>& attributes = getAttributes();
    if (attributes.size() <= 1)
        return true;
    const float first = attributes.front()->asMatrix34Attribute()->getValue().get(row, col);
    for (std::size_t i = 1; i < attributes.size(); ++i)
    {
        if (!(attributes[i]->asMatrix34Attribute()->getValue().get(row, col) == first))
            return false;
    }
    return true;
}

void Matrix34AttributeWidget::setTextBoxValue(int row, int col, wxUtils::OrkSimpleTextCtrl* box)
{
    // Six decimals with a point whatever the locale, so that the text reads back as shown.
    box->setText(wxString::FromCDouble(getAttributes().front()->asMatrix34Attribute()->getValue().get(row, col), 6));
}

void Matrix34AttributeWidget::setCommonValue(int row, int col, wxUtils::OrkSimpleTextCtrl* box)
{
    detail::NumberEntry entry;
    if (!detail::readNumberBox(*this, *box, entry))
        return;
    db::ChangeBlock block(getDatabase(), L"Set Matrix34 attribute(s)");
    for (db::Attribute* attribute : getAttributes())
    {
        db::Matrix34Attribute* matrix = attribute->asMatrix34Attribute();
        OrkP::Matrix34 value = matrix->getValue();
        value.set(row, col, static_cast<float>(entry.applyTo(value.get(row, col))));
        matrix->setValue(value);
    }
}

} // namespace dbui
