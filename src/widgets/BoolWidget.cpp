#include <dbui/BoolWidget.h>

#include <db/Attribute.h>
#include <db/BoolAttribute.h>
#include <db/ChangeBlock.h>
#include <wxUtils/OrkCheckBox.h>
#include <wxUtils/PanelBuilder.h>

namespace dbui
{

namespace
{

constexpr long s_checkBoxStyle = 0x30;

// The event carries the state the box showed when clicked: an unchecked or
// mixed box becomes checked, a checked one unchecked.
bool valueForClickedState(int state)
{
    switch (state)
    {
    case 0:
        return true;
    case 2:
        return true;
    default:
        return false;
    }
}

} // namespace

BoolWidget::BoolWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : AttributeWidget(parent, size, style, name)
{
    wxUtils::PanelBuilder builder(this, 0);
    builder.beginHSizer(0, 0);
    m_checkBox = builder.addCheckBox(wxEmptyString, 0, 0, wxDefaultSize, s_checkBoxStyle);
    builder.endSizer();

    Connect(wxID_ANY, wxUTILS_EVT_CHECKBOX_CHANGED, wxUTILS_CHECKBOX_EVENT_HANDLER(BoolWidget::onCheck));
}

BoolWidget::~BoolWidget() = default;

void BoolWidget::clearWindow()
{
    m_checkBox->setState(0);
}

void BoolWidget::populateFromData(bool)
{
    if (isValueCommon())
        m_checkBox->setChecked(getAttributes().front()->asBoolAttribute()->getValue());
    else
        m_checkBox->setState(2);
}

void BoolWidget::onDataChanged(const db::ChangeSet&, bool immediate)
{
    populateFromData(immediate);
}

void BoolWidget::onCheck(wxUtils::OrkCheckBoxEvent& event)
{
    const bool value = valueForClickedState(event.getState());
    db::ChangeBlock block(getDatabase(), L"Set bool attribute(s)");
    for (db::Attribute* attribute : getAttributes())
        attribute->asBoolAttribute()->setValue(value);
}

} // namespace dbui
