#pragma once

#include <dbui/AttributeWidget.h>
#include <dbui/Export.h>
#include <wxUtils/FocusReliantWindow.h>

#include <wx/validate.h>

#include <vector>

class wxChildFocusEvent;
class wxFocusEvent;
class wxFlexGridSizer;

namespace wxUtils
{
class OrkSimpleTextCtrl;
}

namespace dbui
{

/// Abstract editor of a value made of several numbers: a grid of text boxes,
/// one per number, each with its own mixed state and its own undo step.
class DBUI_EXPORT MultiTextBoxBasedAttributeWidget : public AttributeWidget, public wxUtils::FocusReliantWindow
{
public:
    /// An unbound widget of `rows` by `cols` text boxes, each checked by `validator`.
    MultiTextBoxBasedAttributeWidget(int rows, int cols, wxWindow* parent, const wxSize& size, long style,
                                     const wxValidator& validator, const wxString& name);
    ~MultiTextBoxBasedAttributeWidget() override;

    using AttributeWidget::isValueCommon;
    /// Whether the number of that cell is the same in every bound attribute.
    virtual bool isValueCommon(int row, int col) const = 0;

    ///@{
    /// The size of the grid of boxes.
    int getRowCount() const;
    int getColumnCount() const;
    ///@}

    /// Applies each box whose text the user changed, one undo step per box, if
    /// the attributes it was typed for still exist.
    void ensureChangesApplied() override;

protected:
    void clearWindow() override;
    void populateFromData(bool immediate) override;
    void onDataChanged(const db::ChangeSet& changes, bool immediate) override;

    /// Writes the box's number into that cell of every bound attribute, in one change block.
    virtual void setCommonValue(int row, int col, wxUtils::OrkSimpleTextCtrl* box) = 0;
    /// Shows the cell's number of the first bound attribute in the box.
    virtual void setTextBoxValue(int row, int col, wxUtils::OrkSimpleTextCtrl* box) = 0;

    /// Writes the box's number (setCommonValue) and clears the box's modified flag.
    void applyValue(int row, int col, wxUtils::OrkSimpleTextCtrl* box);
    /// The box of a cell.
    wxUtils::OrkSimpleTextCtrl* getTextBox(int row, int col) const;
    /// The box with window id `id` (its cell stored through the non-null pointers), or null.
    wxUtils::OrkSimpleTextCtrl* findTextBox(int id, int* row, int* col) const;

    /// Enter in a box writes its number.
    void onTextBoxEnter(wxCommandEvent& event);
    /// A box the user changed writes its number when it loses the focus.
    void onTextBoxKillFocus(wxChildFocusEvent& event);

private:
    /// Applies the box with window id `id` if the user changed its text.
    void applyIfTyped(int id);
    void onTextBoxFocusLost(wxFocusEvent& event);

    wxFlexGridSizer* m_grid = nullptr;
    std::vector<wxUtils::OrkSimpleTextCtrl*> m_textBoxes;
};

} // namespace dbui
