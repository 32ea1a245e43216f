#pragma once

#include <wxUtils/Export.h>

#include <wx/dialog.h>

#include <functional>
#include <vector>

class wxCheckBox;
class wxFlexGridSizer;
class wxStaticText;
class wxTextCtrl;

namespace wxUtils
{

/// A modal dialog of labelled text boxes and check boxes, each known by a
/// name, with OK and Cancel. Items appear in the order they were added; the
/// first text box has the focus with its text selected.
class DBUI_TOOLKIT_EXPORT OrkSimpleMultiOptionDialog : public wxDialog
{
public:
    /// Flags of an item (or-ed together).
    enum ItemFlags : long
    {
        ItemReadOnly = 0x1,
        /// Integer or decimal numbers only: digits, sign, point and exponent.
        ItemNumeric = 0x8,
        /// Numbers and arithmetic on them: also * / ( ) =, the signs × ÷ − and spaces.
        ItemArithmetic = 0x10,
    };
    /// Looks over the items when OK is chosen: why they cannot be taken, or empty when they can.
    using Check = std::function<wxString()>;

    /// An empty dialog captioned `title`; add the items, then ShowModal.
    OrkSimpleMultiOptionDialog(wxWindow* parent, const wxString& title, long style = wxDEFAULT_DIALOG_STYLE,
                               const wxPoint& pos = wxDefaultPosition);

    ///@{
    /// Appends a text box (check box) labelled `label`, known as `name`, holding
    /// `defaultText` (`defaultValue`); `flags` are ItemFlags.
    void addTextItem(const wxString& name, const wxString& label, const wxString& defaultText, long flags = 0);
    void addCheckItem(const wxString& name, const wxString& label, bool defaultValue, long flags = 0);
    ///@}

    /// The text of the named text item; empty (and an assert) for no such item.
    wxString getTextValue(const wxString& name) const;
    /// Whether the named check item is ticked; false (and an assert) for no such item.
    bool getCheckValue(const wxString& name) const;
    ///@{
    /// Sets the named item's value without an event; asserts when there is no such item.
    void setTextValue(const wxString& name, const wxString& text);
    void setCheckValue(const wxString& name, bool value);
    ///@}

    /// True when an item of that name was added.
    bool hasItem(const wxString& name) const;
    /// Names of all items in the order they were added.
    std::vector<wxString> getItemNames() const;
    ///@{
    /// The native control of the named text (check) item, or null.
    wxTextCtrl* getTextControl(const wxString& name) const;
    wxCheckBox* getCheckControl(const wxString& name) const;
    ///@}

    /// Checks the items before OK closes the dialog: while `check` gives a
    /// reason, the dialog stays open, showing it, with everything typed kept.
    void setCheck(Check check) { m_check = std::move(check); }

    /// Sizes and centres the dialog, focuses the first text box, then shows it
    /// modally; returns wxID_CANCEL, or wxID_OK once the items pass the check.
    int ShowModal() override;

private:
    struct Item
    {
        wxString name;
        wxTextCtrl* text = nullptr;
        wxCheckBox* check = nullptr;
    };

    const Item* find(const wxString& name) const;
    /// Runs the check, showing its reason; true when it refuses the items.
    bool refuses();

    std::vector<Item> m_items;
    wxFlexGridSizer* m_grid = nullptr;
    Check m_check;
    /// Why the check refused the items last; hidden while it has not.
    wxStaticText* m_problem = nullptr;
};

} // namespace wxUtils
