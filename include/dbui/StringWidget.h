#pragma once

#include <dbui/Export.h>
#include <dbui/TextBoxBasedAttributeWidget.h>

namespace dbui
{

/// Edits string attributes in a one-line text box.
class DBUI_EXPORT StringWidget : public TextBoxBasedAttributeWidget
{
public:
    /// An unbound widget, created in one step; `validator` checks what is typed in the text box.
    StringWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator, const wxString& name);
    ~StringWidget() override;

protected:
    void setCommonValue() override;
    void setTextBoxValue() override;
};

} // namespace dbui
