#include <dbui/SpinAttributeWidget.h>

#include <db/Attribute.h>
#include <db/Database.h>
#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/OrkSpinButton.h>
#include <wxUtils/PanelBuilder.h>

#include <wx/sizer.h>

namespace dbui
{

namespace
{
constexpr long s_numericTextStyle = 0x10;
}

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
    Layout();
}

void SpinAttributeWidget::onSpinBeginDrag(wxCommandEvent&)
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

} // namespace dbui
