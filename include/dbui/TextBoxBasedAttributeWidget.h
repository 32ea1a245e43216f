#pragma once

#include <dbui/AttributeWidget.h>
#include <dbui/Export.h>
#include <wxUtils/FocusReliantWindow.h>

#include <wx/validate.h>

class wxChildFocusEvent;
class wxFocusEvent;

namespace wxUtils
{
class OrkSimpleTextCtrl;
}

namespace dbui
{

/// Abstract editor that shows the common value as text in one text box and
/// applies the text on Enter, or when a modified box loses the focus.
class DBUI_EXPORT TextBoxBasedAttributeWidget : public AttributeWidget, public wxUtils::FocusReliantWindow
{
public:
    /// `validator` goes to the text box. Subclasses lay the box out.
    TextBoxBasedAttributeWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator,
                                const wxString& name);
    ~TextBoxBasedAttributeWidget() override;

    /// The text box, for hosts and tests.
    wxUtils::OrkSimpleTextCtrl* getTextBox() const { return m_textBox; }

    /// Applies the box's text if the user changed it and the attributes it was typed for still exist.
    void ensureChangesApplied() override;

protected:
    void clearWindow() override;
    void populateFromData(bool immediate) override;
    void onDataChanged(const db::ChangeSet& changes, bool immediate) override;

    /// Parses the text box and writes the value to every bound attribute in one change block.
    virtual void setCommonValue() = 0;
    /// Shows the first attribute's value in the text box.
    virtual void setTextBoxValue() = 0;

    /// Writes the text (setCommonValue) and clears the box's modified flag.
    void applyValue();
    /// Enter in a one-line box writes its text; in a box of several lines it starts a new line.
    void onTextBoxEnter(wxCommandEvent& event);
    /// A box the user changed writes its text when it loses the focus.
    void onTextBoxKillFocus(wxChildFocusEvent& event);

private:
    void disconnectTextBox();
    void onTextBoxFocusLost(wxFocusEvent& event);

    wxUtils::OrkSimpleTextCtrl* m_textBox = nullptr;
};

} // namespace dbui
