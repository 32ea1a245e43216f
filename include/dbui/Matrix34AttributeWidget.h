#pragma once

#include <dbui/Export.h>
#include <dbui/MultiTextBoxBasedAttributeWidget.h>

namespace dbui
{

/// Edits Matrix34 attributes with a 4 by 3 grid of boxes: three axis rows, then the translation.
class DBUI_EXPORT Matrix34AttributeWidget : public MultiTextBoxBasedAttributeWidget
{
public:
    /// An unbound widget, created in one step; `validator` checks what is typed in the text box.
    Matrix34AttributeWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator,
                            const wxString& name);
    ~Matrix34AttributeWidget() override;

    bool isValueCommon(int row, int col) const override;
    using MultiTextBoxBasedAttributeWidget::isValueCommon;

protected:
    void setCommonValue(int row, int col, wxUtils::OrkSimpleTextCtrl* box) override;
    void setTextBoxValue(int row, int col, wxUtils::OrkSimpleTextCtrl* box) override;
};

} // namespace dbui
