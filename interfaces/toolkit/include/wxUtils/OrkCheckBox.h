#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkCheckBoxEvent.h>

#include <wx/checkbox.h>

namespace wxUtils
{

/// A check box with three states: 0 unchecked, 1 checked, 2 mixed (shown
/// when the values it stands for differ). A click always leaves it checked or
/// unchecked and sends wxUTILS_EVT_CHECKBOX_CHANGED.
class DBUI_TOOLKIT_EXPORT OrkCheckBox : public wxCheckBox
{
public:
    /// Toolkit style bits (the low 16 bits of the style).
    enum Style : long
    {
        /// The box may be set to the mixed state (setState(2)).
        StyleAllowMixed = 0x10,
        /// The label stands left of the box.
        StyleLabelLeft = 0x20,
    };

    enum State
    {
        Unchecked = 0,
        Checked = 1,
        Mixed = 2,
    };

    OrkCheckBox(wxWindow* parent, wxWindowID id = wxID_ANY, const wxString& label = wxEmptyString,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize, long style = 0,
                const wxString& name = wxCheckBoxNameStr);

    /// Sets the shown state without sending an event. The mixed state needs
    /// StyleAllowMixed.
    void setState(int state);
    int getState() const { return m_state; }
    void setChecked(bool checked) { setState(checked ? Checked : Unchecked); }
    bool isChecked() const { return m_state == Checked; }
    /// wxCheckBox's own asks for two-state boxes only; ours answers for any.
    bool IsChecked() const { return isChecked(); }

    void setUserData(void* data) { m_userData = data; }
    void* getUserData() const { return m_userData; }

private:
    void onNativeClick(wxCommandEvent& event);

    long m_orkStyle;
    int m_state = Unchecked;
    void* m_userData = nullptr;
};

} // namespace wxUtils
