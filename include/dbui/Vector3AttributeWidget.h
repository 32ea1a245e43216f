#pragma once

#include <dbui/Export.h>
#include <dbui/MultiTextBoxBasedAttributeWidget.h>

namespace dbui
{

/// Edits Vector3 attributes with one box per component (x, y, z from top to bottom).
class DBUI_EXPORT Vector3AttributeWidget : public MultiTextBoxBasedAttributeWidget
{
public:
    /// An unbound widget, created in one step; `validator` checks what is typed in the text box.
    Vector3AttributeWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator,
                           const wxString& name);
    ~Vector3AttributeWidget() override;

    bool isValueCommon(int row, int col) const override;
    using MultiTextBoxBasedAttributeWidget::isValueCommon;

protected:
    void setCommonValue(int row, int col, wxUtils::OrkSimpleTextCtrl* box) override;
    void setTextBoxValue(int row, int col, wxUtils::OrkSimpleTextCtrl* box) override;
};

} // namespace dbui
