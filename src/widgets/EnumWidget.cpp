#include <dbui/EnumWidget.h>

#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <db/ChangeSet.h>
#include <db/EnumAttribute.h>
#include <db/EnumAttributeDef.h>
#include <wxUtils/OrkComboBox.h>
#include <wxUtils/PanelBuilder.h>

namespace dbui
{

namespace
{
constexpr long s_comboBoxStyle = 0x100;
}

EnumWidget::EnumWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name)
    : AttributeWidget(parent, size, style, name)
{
    wxUtils::PanelBuilder builder(this, 0);
    builder.beginHSizer(0, 0);
    m_comboBox = builder.addComboBox(1, 0, wxDefaultSize, s_comboBoxStyle);
    builder.endSizer();

    Connect(wxID_ANY, wxUTILS_EVT_CB_CHANGED, wxCommandEventHandler(EnumWidget::onComboChanged));
}

EnumWidget::~EnumWidget() = default;

void EnumWidget::clearWindow()
{
    m_comboBox->clear();
}

void EnumWidget::populateFromData(bool immediate)
{
    // The names come from the first attribute's definition only: every bound
    // attribute is expected to share it.
    const db::EnumAttributeDef* def = getAttributes().front()->asEnumAttribute()->getDef().asEnumAttributeDef();
    if (def)
    {
        for (unsigned int i = 0; i < def->getStringCount(); ++i)
            m_comboBox->addString(def->getString(i), nullptr, -1);
    }
    onDataChanged(db::ChangeSet(), immediate);
}

void EnumWidget::onDataChanged(const db::ChangeSet&, bool)
{
    // Only the selection follows changes; the list is refilled by a rebind.
    const bool common = isValueCommon();
    m_comboBox->setIsIndeterminate(!common);
    if (common)
        m_comboBox->setSelectionString(getAttributes().front()->asEnumAttribute()->getValueAsString());
    else
        m_comboBox->setSelectionString(wxEmptyString);
}

void EnumWidget::onComboChanged(wxCommandEvent&)
{
    const std::wstring value = m_comboBox->getSelectionString().ToStdWstring();
    db::ChangeBlock block(getDatabase(), L"Set enum attribute(s)");
    for (db::Attribute* attribute : getAttributes())
        attribute->asEnumAttribute()->setValueAsString(value);
}

} // namespace dbui
