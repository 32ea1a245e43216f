#pragma once

#include <dbui/Export.h>
#include <dbui/TextBoxBasedAttributeWidget.h>

class wxScrollEvent;
class wxSlider;

namespace wxUtils
{
class OrkSpinButton;
}

namespace dbui
{

/// Abstract numeric editor: a text box with a spin button beside it. A spin
/// gesture (drag or arrow clicks) steps every bound attribute from its own
/// value as one transient change that becomes a single undo step when it ends.
/// A slider over the attributes' limits may stand beside them: a drag sets
/// every bound attribute to the value under the thumb, one undo step as well.
class DBUI_EXPORT SpinAttributeWidget : public TextBoxBasedAttributeWidget
{
public:
    /// An unbound widget, created in one step; `validator` checks what is typed in the text box.
    SpinAttributeWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator,
                        const wxString& name);
    ~SpinAttributeWidget() override;

    /// The spin arrows, for hosts and tests.
    wxUtils::OrkSpinButton* getSpinButton() const { return m_spinButton; }

    /// Adds a slider from `minimum` to `maximum` beside the spin button, once.
    void showSlider(double minimum, double maximum);
    /// The slider, for hosts and tests; null unless shown.
    wxSlider* getSlider() const { return m_slider; }

protected:
    /// Also hides the spin button while the values differ (not during a drag).
    void populateFromData(bool immediate) override;

    /// Adds one step (`direction` +1 or -1) to every bound attribute's own value.
    virtual void stepValues(int direction) = 0;
    /// The undo description of a whole spin gesture.
    virtual const wchar_t* getDragDescription() const = 0;
    /// Sets every bound attribute to `value`, limits applied.
    virtual void setValues(double value) = 0;
    /// The first bound attribute's value.
    virtual double getFirstValue() const = 0;

    /// A gesture starts: opens a transient change block in the attributes' database.
    void onSpinBeginDrag(wxCommandEvent& event);
    /// The gesture ends: its steps become one undo step named getDragDescription().
    void onSpinEndDrag(wxCommandEvent& event);
    ///@{
    /// One step up (down) during a gesture, shown at once.
    void onSpinIncrement(wxCommandEvent& event);
    void onSpinDecrement(wxCommandEvent& event);
    ///@}
    /// Escape or a lost mouse capture: every step of the gesture is reverted, no undo step.
    void onSpinCancelled(wxCommandEvent& event);

private:
    void step(int direction);
    /// Opens (closes as one undo step) the transient block of a spin or slider drag.
    void beginGesture();
    void endGesture();

    /// The slider moved under the thumb: the drag's values show at once.
    void onSliderTrack(wxScrollEvent& event);
    void onSliderRelease(wxScrollEvent& event);
    /// A click or key moved the slider (or a drag ended there): one undo step unless nothing changes.
    void onSliderChanged(wxScrollEvent& event);
    double sliderValue() const;
    void showValueOnSlider();

    wxUtils::OrkSpinButton* m_spinButton = nullptr;
    wxSlider* m_slider = nullptr;
    double m_sliderMinimum = 0.0;
    double m_sliderMaximum = 0.0;
    // The database the open gesture runs in, so that the gesture ends where it
    // began even if the widget is rebound in between.
    db::Database* m_dragDatabase = nullptr;
};

} // namespace dbui
