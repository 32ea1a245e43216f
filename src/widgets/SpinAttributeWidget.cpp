#include <dbui/SpinAttributeWidget.h>

#include <db/Attribute.h>
#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/OrkSpinButton.h>
#include <wxUtils/PanelBuilder.h>

#include <wx/sizer.h>
#include <wx/slider.h>

#include <algorithm>
#include <cmath>

namespace dbui
{

namespace
{
constexpr long s_numericTextStyle = 0x10;
/// Positions of a slider over a float range; an int range smaller than this gets one per value.
constexpr int s_sliderSteps = 1000;
} // namespace

SpinAttributeWidget::SpinAttributeWidget(wxWindow* parent, const wxSize& size, long style, const wxValidator& validator,
                                         const wxString& name)
    : TextBoxBasedAttributeWidget(parent, size, style, validator, name)
{
    wxUtils::OrkSimpleTextCtrl* box = getTextBox();
    box->SetWindowStyleFlag(box->GetWindowStyle() | s_numericTextStyle);

    wxUtils::PanelBuilder builder(this, 0);
    builder.beginHSizer(0, 0);
    builder.addWindow(box, 1, 0);
    m_spinButton = builder.addSpinButton(0, wxEXPAND, wxDefaultSize, 0);
    builder.endSizer();

    const int id = m_spinButton->GetId();
    Connect(id, wxUTILS_EVT_SPIN_BEGIN_DRAG, wxCommandEventHandler(SpinAttributeWidget::onSpinBeginDrag));
    Connect(id, wxUTILS_EVT_SPIN_END_DRAG, wxCommandEventHandler(SpinAttributeWidget::onSpinEndDrag));
    Connect(id, wxUTILS_EVT_SPIN_INCREMENT, wxCommandEventHandler(SpinAttributeWidget::onSpinIncrement));
    Connect(id, wxUTILS_EVT_SPIN_DECREMENT, wxCommandEventHandler(SpinAttributeWidget::onSpinDecrement));
    Connect(id, wxUTILS_EVT_SPIN_CANCELLED, wxCommandEventHandler(SpinAttributeWidget::onSpinCancelled));
}

SpinAttributeWidget::~SpinAttributeWidget()
{
    const int id = m_spinButton->GetId();
    Disconnect(id, wxUTILS_EVT_SPIN_BEGIN_DRAG, wxCommandEventHandler(SpinAttributeWidget::onSpinBeginDrag));
    Disconnect(id, wxUTILS_EVT_SPIN_END_DRAG, wxCommandEventHandler(SpinAttributeWidget::onSpinEndDrag));
    Disconnect(id, wxUTILS_EVT_SPIN_INCREMENT, wxCommandEventHandler(SpinAttributeWidget::onSpinIncrement));
    Disconnect(id, wxUTILS_EVT_SPIN_DECREMENT, wxCommandEventHandler(SpinAttributeWidget::onSpinDecrement));
    Disconnect(id, wxUTILS_EVT_SPIN_CANCELLED, wxCommandEventHandler(SpinAttributeWidget::onSpinCancelled));
    if (m_slider)
    {
        const int slider = m_slider->GetId();
        Disconnect(slider, wxEVT_SCROLL_THUMBTRACK, wxScrollEventHandler(SpinAttributeWidget::onSliderTrack));
        Disconnect(slider, wxEVT_SCROLL_THUMBRELEASE, wxScrollEventHandler(SpinAttributeWidget::onSliderRelease));
        Disconnect(slider, wxEVT_SCROLL_CHANGED, wxScrollEventHandler(SpinAttributeWidget::onSliderChanged));
    }
    // A gesture cut short by the window going away must not leave the
    // database with a block that nobody will close. The report of the
    // cancellation must not come back here: the subclass is gone already.
    if (m_dragDatabase)
    {
        stopObservingDatabase();
        m_dragDatabase->cancelChangeBlock();
    }
}

void SpinAttributeWidget::populateFromData(bool immediate)
{
    TextBoxBasedAttributeWidget::populateFromData(immediate);
    if (immediate)
        return;
    // One step would move differing values by the same amount, but the box
    // cannot show where they stand: hide the button until they agree. The box
    // has just compared them, all 200,000 of a big selection maybe.
    if (wxSizer* sizer = GetSizer())
        sizer->Show(m_spinButton, !getTextBox()->isIndeterminate(), false);
    showValueOnSlider();
    Layout();
}

void SpinAttributeWidget::onSpinBeginDrag(wxCommandEvent&)
{
    beginGesture();
}

void SpinAttributeWidget::beginGesture()
{
    if (m_dragDatabase || getAttributes().empty())
        return;
    // A widget bound without a database (a member editor of a compound) drags
    // in its attributes' database, so the gesture is still one undo step.
    m_dragDatabase = getDatabase() ? getDatabase() : getAttributes().front()->getDatabase();
    if (m_dragDatabase)
        m_dragDatabase->beginChangeBlock(db::ChangeMode::Transient);
}

void SpinAttributeWidget::onSpinEndDrag(wxCommandEvent&)
{
    endGesture();
}

void SpinAttributeWidget::endGesture()
{
    db::Database* database = m_dragDatabase;
    m_dragDatabase = nullptr;
    if (database)
        database->endChangeBlock(getDragDescription());
}

void SpinAttributeWidget::onSpinIncrement(wxCommandEvent&)
{
    step(1);
}

void SpinAttributeWidget::onSpinDecrement(wxCommandEvent&)
{
    step(-1);
}

void SpinAttributeWidget::onSpinCancelled(wxCommandEvent&)
{
    db::Database* database = m_dragDatabase;
    m_dragDatabase = nullptr;
    if (database)
        database->cancelChangeBlock();
}

void SpinAttributeWidget::step(int direction)
{
    if (getAttributes().empty())
        return;
    stepValues(direction);
    if (m_dragDatabase)
        m_dragDatabase->commitTransient();
}

// ------------------------------------------------------------------ the slider

void SpinAttributeWidget::showSlider(double minimum, double maximum)
{
    wxASSERT_MSG(!m_slider, "the widget has its slider already");
    wxASSERT_MSG(minimum <= maximum, "give the slider its limits lowest first");
    m_sliderMinimum = minimum;
    m_sliderMaximum = maximum;
    // An int range narrower than the float steps gets a position per value.
    const double span = maximum - minimum;
    const bool whole = std::floor(minimum) == minimum && std::floor(maximum) == maximum;
    const int steps = whole && span < s_sliderSteps ? static_cast<int>(span) : s_sliderSteps;
    m_slider = new wxSlider(this, wxID_ANY, 0, 0, steps, wxDefaultPosition, wxSize(FromDIP(120), -1));
    GetSizer()->Add(m_slider, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, FromDIP(4));
    const int id = m_slider->GetId();
    Connect(id, wxEVT_SCROLL_THUMBTRACK, wxScrollEventHandler(SpinAttributeWidget::onSliderTrack));
    Connect(id, wxEVT_SCROLL_THUMBRELEASE, wxScrollEventHandler(SpinAttributeWidget::onSliderRelease));
    Connect(id, wxEVT_SCROLL_CHANGED, wxScrollEventHandler(SpinAttributeWidget::onSliderChanged));
    SetMinSize(wxSize(GetMinSize().x + FromDIP(124), GetMinSize().y));
    showValueOnSlider();
}

double SpinAttributeWidget::sliderValue() const
{
    const int steps = m_slider->GetMax();
    if (steps == 0)
        return m_sliderMinimum;
    return m_sliderMinimum + (m_sliderMaximum - m_sliderMinimum) * m_slider->GetValue() / steps;
}

void SpinAttributeWidget::showValueOnSlider()
{
    // The thumb stays under the mouse during its own drag, and where it was
    // while the values differ.
    if (!m_slider || getAttributes().empty() || m_dragDatabase || getTextBox()->isIndeterminate())
        return;
    const double span = m_sliderMaximum - m_sliderMinimum;
    const double share = span > 0 ? (getFirstValue() - m_sliderMinimum) / span : 0.0;
    m_slider->SetValue(static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * m_slider->GetMax())));
}

void SpinAttributeWidget::onSliderTrack(wxScrollEvent&)
{
    if (getAttributes().empty())
        return;
    beginGesture();
    setValues(sliderValue());
    if (m_dragDatabase)
        m_dragDatabase->commitTransient();
}

void SpinAttributeWidget::onSliderRelease(wxScrollEvent&)
{
    endGesture();
}

void SpinAttributeWidget::onSliderChanged(wxScrollEvent&)
{
    // The end of a drag reports the value it ended on once more.
    if (getAttributes().empty() || m_dragDatabase)
        return;
    const double value = sliderValue();
    if (isValueCommon() && getFirstValue() == value)
        return;
    db::ChangeBlock block(getDatabase(), getDragDescription());
    setValues(value);
}

} // namespace dbui
