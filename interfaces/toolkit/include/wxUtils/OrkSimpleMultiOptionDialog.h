#pragma once

#include <wxUtils/Export.h>

#include <wx/dialog.h>

#include <vector>

class wxCheckBox;
class wxFlexGridSizer;
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
    };

    OrkSimpleMultiOptionDialog(wxWindow* parent, const wxString& title, long style = wxDEFAULT_DIALOG_STYLE,
                               const wxPoint& pos = wxDefaultPosition);

    void addTextItem(const wxString& name, const wxString& label, const wxString& defaultText, long flags = 0);
    void addCheckItem(const wxString& name, const wxString& label, bool defaultValue, long flags = 0);

    /// The text of the named text item; empty (and an assert) for no such item.
    wxString getTextValue(const wxString& name) const;
    bool getCheckValue(const wxString& name) const;
    void setTextValue(const wxString& name, const wxString& text);
    void setCheckValue(const wxString& name, bool value);

    bool hasItem(const wxString& name) const;
    /// Names of all items in the order they were added.
    std::vector<wxString> getItemNames() const;
    wxTextCtrl* getTextControl(const wxString& name) const;
    wxCheckBox* getCheckControl(const wxString& name) const;

    int ShowModal() override;

private:
    struct Item
    {
        wxString name;
        wxTextCtrl* text = nullptr;
        wxCheckBox* check = nullptr;
    };

    const Item* find(const wxString& name) const;

    std::vector<Item> m_items;
    wxFlexGridSizer* m_grid = nullptr;
};

} // namespace wxUtils
