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

    /// What the box shows, as getState and setState speak of it.
    enum State
    {
        Unchecked = 0,
        Checked = 1,
        Mixed = 2,
    };

    /// An unchecked box; `style` takes wxWidgets' check box styles and the toolkit's Style bits.
    OrkCheckBox(wxWindow* parent, wxWindowID id = wxID_ANY, const wxString& label = wxEmptyString,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize, long style = 0,
                const wxString& name = wxCheckBoxNameStr);

    /// Sets the shown state without sending an event. The mixed state needs
    /// StyleAllowMixed.
    void setState(int state);
    /// The shown state: Unchecked, Checked or Mixed.
    int getState() const { return m_state; }
    /// Checks or unchecks the box without sending an event.
    void setChecked(bool checked) { setState(checked ? Checked : Unchecked); }
    /// True when the box shows a tick (not in the mixed state).
    bool isChecked() const { return m_state == Checked; }
    /// wxCheckBox's own asks for two-state boxes only; ours answers for any.
    bool IsChecked() const { return isChecked(); }

    ///@{
    /// Data of the caller's own, not owned; the toolkit never reads it.
    void setUserData(void* data) { m_userData = data; }
    void* getUserData() const { return m_userData; }
    ///@}

private:
    void onNativeClick(wxCommandEvent& event);

    long m_orkStyle;
    int m_state = Unchecked;
    void* m_userData = nullptr;
};

} // namespace wxUtils
