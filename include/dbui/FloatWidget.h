#pragma once

#include <dbui/Export.h>
#include <dbui/SpinAttributeWidget.h>

namespace dbui
{

/// Edits float attributes: typed text or spin steps of the spin delta.
class DBUI_EXPORT FloatWidget : public SpinAttributeWidget
{
public:
    /// An unbound widget, created in one step; `validator` checks what is typed in the text box.
    FloatWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator, const wxString& name);
    ~FloatWidget() override;

    /// The amount one spin step adds or subtracts (1 unless changed).
    void setSpinDeltaValue(float delta) { m_spinDelta = delta; }
    /// How much one spin step adds or takes away.
    float getSpinDeltaValue() const { return m_spinDelta; }

protected:
    void setCommonValue() override;
    void setTextBoxValue() override;
    void stepValues(int direction) override;
    void setValues(double value) override;
    double getFirstValue() const override;
    const wchar_t* getDragDescription() const override { return L"Change float attribute(s)"; }

private:
    float m_spinDelta = 1.0f;
};

} // namespace dbui
