#pragma once

#include <dbui/Export.h>
#include <dbui/TextBoxBasedAttributeWidget.h>

namespace wxUtils {
class OrkSpinButton;
}

namespace dbui {

/// Abstract numeric editor: a text box with a spin button beside it. A spin
/// gesture (drag or arrow clicks) steps every bound attribute from its own
/// value as one transient change that becomes a single undo step when it ends.
class DBUI_EXPORT SpinAttributeWidget : public TextBoxBasedAttributeWidget
{
public:
    SpinAttributeWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator,
                        const wxString& name);
    ~SpinAttributeWidget() override;

    wxUtils::OrkSpinButton* getSpinButton() const { return m_spinButton; }

protected:
    /// Also hides the spin button while the values differ (not during a drag).
    void populateFromData(bool immediate) override;

    /// Adds one step (`direction` +1 or -1) to every bound attribute's own value.
    virtual void stepValues(int direction) = 0;
    /// The undo description of a whole spin gesture.
    virtual const wchar_t* getDragDescription() const = 0;

    void onSpinBeginDrag(wxCommandEvent& event);
    void onSpinEndDrag(wxCommandEvent& event);
    void onSpinIncrement(wxCommandEvent& event);
    void onSpinDecrement(wxCommandEvent& event);
    void onSpinCancelled(wxCommandEvent& event);

private:
    void step(int direction);

    wxUtils::OrkSpinButton* m_spinButton = nullptr;
    // The database the open gesture runs in, so that the gesture ends where it
    // began even if the widget is rebound in between.
    db::Database* m_dragDatabase = nullptr;
};

} // namespace dbui
