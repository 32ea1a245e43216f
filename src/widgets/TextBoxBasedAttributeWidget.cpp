#include <dbui/TextBoxBasedAttributeWidget.h>

#include <wxUtils/OrkSimpleTextCtrl.h>

namespace dbui {

TextBoxBasedAttributeWidget::TextBoxBasedAttributeWidget(wxWindow* parent, const wxSize& size, long style,
                                                         const wxValidator& validator, const wxString& name)
    : AttributeWidget(parent, size, style, name)
{
    m_textBox = new wxUtils::OrkSimpleTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                               style, wxDefaultValidator, "OrkSimpleTextCtrl");
    m_textBox->SetValidator(validator);

    Connect(m_textBox->GetId(), wxEVT_COMMAND_TEXT_ENTER,
            wxCommandEventHandler(TextBoxBasedAttributeWidget::onTextBoxEnter));
    Connect(m_textBox->GetId(), wxEVT_CHILD_KILL_FOCUS,
            wxChildFocusEventHandler(TextBoxBasedAttributeWidget::onTextBoxKillFocus));
}

TextBoxBasedAttributeWidget::~TextBoxBasedAttributeWidget()
{
    // The box dies after this part of the object: a focus loss it reports while
    // being destroyed must not reach the subclass's (already gone) setCommonValue.
    disconnectTextBox();
}

void TextBoxBasedAttributeWidget::disconnectTextBox()
{
    Disconnect(m_textBox->GetId(), wxEVT_COMMAND_TEXT_ENTER,
               wxCommandEventHandler(TextBoxBasedAttributeWidget::onTextBoxEnter));
    Disconnect(m_textBox->GetId(), wxEVT_CHILD_KILL_FOCUS,
               wxChildFocusEventHandler(TextBoxBasedAttributeWidget::onTextBoxKillFocus));
}

void TextBoxBasedAttributeWidget::clearWindow()
{
    m_textBox->clear();
}

void TextBoxBasedAttributeWidget::populateFromData(bool immediate)
{
    const bool common = isValueCommon();
    m_textBox->setIsIndeterminate(!common);
    if (common)
        setTextBoxValue();
    else
        m_textBox->clear();
    m_textBox->setInsertionPointLast();
    // A refill under the user's caret selects everything, so that typing
    // replaces the new value instead of mixing with it.
    if (wxWindow::FindFocus() == m_textBox)
        m_textBox->selectAll();
    if (immediate)
        m_textBox->Update();
}

void TextBoxBasedAttributeWidget::onDataChanged(const db::ChangeSet&, bool immediate)
{
    populateFromData(immediate);
}

void TextBoxBasedAttributeWidget::applyValue()
{
    setCommonValue();
    m_textBox->resetModifiedFlag();
}

void TextBoxBasedAttributeWidget::onTextBoxEnter(wxCommandEvent&)
{
    applyValue();
}

void TextBoxBasedAttributeWidget::onTextBoxKillFocus(wxChildFocusEvent&)
{
    if (m_textBox->isModified())
        applyValue();
}

} // namespace dbui
