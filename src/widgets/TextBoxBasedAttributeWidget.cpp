#include <dbui/TextBoxBasedAttributeWidget.h>

#include <wxUtils/OrkSimpleTextCtrl.h>

namespace dbui
{

TextBoxBasedAttributeWidget::TextBoxBasedAttributeWidget(wxWindow* parent, const wxSize& size, long style,
                                                         const wxValidator& validator, const wxString& name)
    : AttributeWidget(parent, size, style, name)
{
    m_textBox = new wxUtils::OrkSimpleTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, style,
                                               wxDefaultValidator, "OrkSimpleTextCtrl");
    m_textBox->SetValidator(validator);

    Connect(m_textBox->GetId(), wxEVT_COMMAND_TEXT_ENTER,
            wxCommandEventHandler(TextBoxBasedAttributeWidget::onTextBoxEnter));
    Connect(m_textBox->GetId(), wxEVT_CHILD_KILL_FOCUS,
            wxChildFocusEventHandler(TextBoxBasedAttributeWidget::onTextBoxKillFocus));
    // The toolkit's report of the focus loss is queued: by the time it comes,
    // the click that took the focus (on another node in a tree, say) has
    // rebound or destroyed this widget. The text is applied while the focus moves.
    m_textBox->Connect(wxEVT_KILL_FOCUS, wxFocusEventHandler(TextBoxBasedAttributeWidget::onTextBoxFocusLost), nullptr,
                       this);
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
    m_textBox->Disconnect(wxEVT_KILL_FOCUS, wxFocusEventHandler(TextBoxBasedAttributeWidget::onTextBoxFocusLost),
                          nullptr, this);
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
    // Marked applied first: the edit's report may rebuild the view around this
    // widget, and the focus leaving it then must not apply the text again.
    m_textBox->resetModifiedFlag();
    setCommonValue();
}

void TextBoxBasedAttributeWidget::onTextBoxEnter(wxCommandEvent& event)
{
    // Enter in a box of several lines starts a new line; the text is written when the box is left.
    if (m_textBox->IsMultiLine())
    {
        event.Skip();
        return;
    }
    applyValue();
}

void TextBoxBasedAttributeWidget::ensureChangesApplied()
{
    if (m_textBox->isModified() && isBoundToLiveAttributes())
        applyValue();
}

void TextBoxBasedAttributeWidget::onTextBoxKillFocus(wxChildFocusEvent&)
{
    ensureChangesApplied();
}

void TextBoxBasedAttributeWidget::onTextBoxFocusLost(wxFocusEvent& event)
{
    ensureChangesApplied();
    event.Skip();
}

} // namespace dbui
