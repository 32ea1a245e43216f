#pragma once

#include <dbui/Export.h>
#include <dbui/SpinAttributeWidget.h>

namespace dbui
{

/// Edits int attributes: typed text or spin steps of 1.
class DBUI_EXPORT IntWidget : public SpinAttributeWidget
{
public:
    /// An unbound widget, created in one step; `validator` checks what is typed in the text box.
    IntWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator, const wxString& name);
    ~IntWidget() override;

protected:
    void setCommonValue() override;
    void setTextBoxValue() override;
    void stepValues(int direction) override;
    void setValues(double value) override;
    double getFirstValue() const override;
    const wchar_t* getDragDescription() const override { return L"Change int attribute(s)"; }
};

} // namespace dbui
