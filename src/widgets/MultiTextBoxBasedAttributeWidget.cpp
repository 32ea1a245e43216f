#include <dbui/MultiTextBoxBasedAttributeWidget.h>

#include <wxUtils/OrkSimpleTextCtrl.h>
#include <wxUtils/PanelBuilder.h>

#include <wx/sizer.h>

namespace dbui
{

MultiTextBoxBasedAttributeWidget::MultiTextBoxBasedAttributeWidget(int rows, int cols, wxWindow* parent,
                                                                   const wxSize& size, long style,
                                                                   const wxValidator& validator, const wxString& name)
    : AttributeWidget(parent, size, style, name)
{
    wxUtils::PanelBuilder builder(this, 2);
    m_grid = builder.beginFlexGridSizer(rows, cols, 0, wxEXPAND, 12, 1);
    m_textBoxes.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), nullptr);
    for (int row = 0; row < rows; ++row)
    {
        for (int col = 0; col < cols; ++col)
        {
            wxUtils::OrkSimpleTextCtrl* box = builder.addTextBox(0, 0, wxDefaultSize, 0);
            box->SetValidator(validator);
            Connect(box->GetId(), wxEVT_COMMAND_TEXT_ENTER,
                    wxCommandEventHandler(MultiTextBoxBasedAttributeWidget::onTextBoxEnter));
            Connect(box->GetId(), wxEVT_CHILD_KILL_FOCUS,
                    wxChildFocusEventHandler(MultiTextBoxBasedAttributeWidget::onTextBoxKillFocus));
            // Applied while the focus moves, before whatever took it can rebind
            // or destroy this widget; the queued report above comes too late.
            box->Connect(wxEVT_KILL_FOCUS, wxFocusEventHandler(MultiTextBoxBasedAttributeWidget::onTextBoxFocusLost),
                         nullptr, this);
            m_textBoxes[static_cast<std::size_t>(row * cols + col)] = box;
        }
    }
    builder.endSizer();
}

MultiTextBoxBasedAttributeWidget::~MultiTextBoxBasedAttributeWidget()
{
    // The boxes outlive this part of the object; a focus loss reported while
    // they are destroyed must not reach the subclass's setCommonValue.
    for (wxUtils::OrkSimpleTextCtrl* box : m_textBoxes)
    {
        Disconnect(box->GetId(), wxEVT_COMMAND_TEXT_ENTER,
                   wxCommandEventHandler(MultiTextBoxBasedAttributeWidget::onTextBoxEnter));
        Disconnect(box->GetId(), wxEVT_CHILD_KILL_FOCUS,
                   wxChildFocusEventHandler(MultiTextBoxBasedAttributeWidget::onTextBoxKillFocus));
        box->Disconnect(wxEVT_KILL_FOCUS, wxFocusEventHandler(MultiTextBoxBasedAttributeWidget::onTextBoxFocusLost),
                        nullptr, this);
    }
}

int MultiTextBoxBasedAttributeWidget::getRowCount() const
{
    return m_grid->GetRows();
}

int MultiTextBoxBasedAttributeWidget::getColumnCount() const
{
    return m_grid->GetCols();
}

wxUtils::OrkSimpleTextCtrl* MultiTextBoxBasedAttributeWidget::getTextBox(int row, int col) const
{
    return m_textBoxes[static_cast<std::size_t>(row * getColumnCount() + col)];
}

wxUtils::OrkSimpleTextCtrl* MultiTextBoxBasedAttributeWidget::findTextBox(int id, int* row, int* col) const
{
    for (int r = 0; r < getRowCount(); ++r)
    {
        for (int c = 0; c < getColumnCount(); ++c)
        {
            wxUtils::OrkSimpleTextCtrl* box = getTextBox(r, c);
            if (box->GetId() != id)
                continue;
            if (row)
                *row = r;
            if (col)
                *col = c;
            return box;
        }
    }
    return nullptr;
}

void MultiTextBoxBasedAttributeWidget::clearWindow()
{
    for (wxUtils::OrkSimpleTextCtrl* box : m_textBoxes)
        box->clear();
}

void MultiTextBoxBasedAttributeWidget::populateFromData(bool immediate)
{
    const wxWindow* focus = wxWindow::FindFocus();
    for (int row = 0; row < getRowCount(); ++row)
    {
        for (int col = 0; col < getColumnCount(); ++col)
        {
            wxUtils::OrkSimpleTextCtrl* box = getTextBox(row, col);
            if (immediate)
            {
                setTextBoxValue(row, col, box);
                continue;
            }
            const bool common = isValueCommon(row, col);
            box->setIsIndeterminate(!common);
            if (common)
                setTextBoxValue(row, col, box);
            else
                box->clear();
            box->setInsertionPointLast();
            if (focus == box)
                box->selectAll();
        }
    }
}

void MultiTextBoxBasedAttributeWidget::onDataChanged(const db::ChangeSet&, bool immediate)
{
    populateFromData(immediate);
}

void MultiTextBoxBasedAttributeWidget::applyValue(int row, int col, wxUtils::OrkSimpleTextCtrl* box)
{
    // Without this a box whose Enter wrote an unchanged number (no notification,
    // so no refill) would write it again when the focus leaves. First: the
    // edit's report may rebuild the view around this widget, and the focus
    // leaving the box then must not apply the text again.
    box->resetModifiedFlag();
    setCommonValue(row, col, box);
}

void MultiTextBoxBasedAttributeWidget::onTextBoxEnter(wxCommandEvent& event)
{
    int row = 0;
    int col = 0;
    if (wxUtils::OrkSimpleTextCtrl* box = findTextBox(event.GetId(), &row, &col))
        applyValue(row, col, box);
}

void MultiTextBoxBasedAttributeWidget::ensureChangesApplied()
{
    for (wxUtils::OrkSimpleTextCtrl* box : m_textBoxes)
        applyIfTyped(box->GetId());
}

void MultiTextBoxBasedAttributeWidget::applyIfTyped(int id)
{
    int row = 0;
    int col = 0;
    wxUtils::OrkSimpleTextCtrl* box = findTextBox(id, &row, &col);
    if (box && box->isModified() && isBoundToLiveAttributes())
        applyValue(row, col, box);
}

void MultiTextBoxBasedAttributeWidget::onTextBoxKillFocus(wxChildFocusEvent& event)
{
    applyIfTyped(event.GetId());
}

void MultiTextBoxBasedAttributeWidget::onTextBoxFocusLost(wxFocusEvent& event)
{
    applyIfTyped(event.GetId());
    event.Skip();
}

} // namespace dbui
