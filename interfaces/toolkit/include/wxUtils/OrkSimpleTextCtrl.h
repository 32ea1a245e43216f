#pragma once

#include <wxUtils/ColourSchemeClient.h>
#include <wxUtils/Export.h>

#include <wx/textctrl.h>

/// Sent (as a wxChildFocusEvent, with the text box's id and the text box as
/// event object) to an OrkSimpleTextCtrl's parent after the box lost the
/// keyboard focus. It travels up the parents like any command event. It is
/// queued rather than sent from inside the focus change, so a handler may
/// rebuild or destroy the box.
wxDECLARE_EXPORTED_EVENT(DBUI_TOOLKIT_EXPORT, wxEVT_CHILD_KILL_FOCUS, wxChildFocusEvent);

namespace wxUtils
{

/// A text box, of one line unless made with StyleMultiLine: Enter sends wxEVT_TEXT_ENTER, losing the focus
/// sends wxEVT_CHILD_KILL_FOCUS to the parent, and the indeterminate state
/// shows a greyed "mixed" hint while the box itself stays empty.
class DBUI_TOOLKIT_EXPORT OrkSimpleTextCtrl : public wxTextCtrl, public ColourSchemeClient
{
public:
    /// Toolkit style bits (the low 16 bits of the style; the rest are
    /// wxWidgets' window styles).
    enum Style : long
    {
        /// Gaining the focus selects the whole text, as number fields do.
        StyleSelectAllOnFocus = 0x10,
        /// The user cannot change the text.
        StyleReadOnly = 0x20,
        /// Several lines of text: Enter starts a new line unless a handler of
        /// wxEVT_TEXT_ENTER takes it. Given at creation only.
        StyleMultiLine = 0x40,
    };

    /// A box holding `value`; `style` takes wxTextCtrl's styles and the toolkit's Style bits.
    OrkSimpleTextCtrl(wxWindow* parent, wxWindowID id = wxID_ANY, const wxString& value = wxEmptyString,
                      const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize, long style = 0,
                      const wxValidator& validator = wxDefaultValidator, const wxString& name = "OrkSimpleTextCtrl");

    /// The text as shown (empty while only the "mixed" hint shows).
    wxString getText() const { return GetValue(); }
    /// Replaces the text without sending a text event; clears the modified flag.
    void setText(const wxString& text);
    /// Empties the box without sending a text event; clears the modified flag.
    void clear();

    /// True after the user changed the text since the last setText, clear or reset.
    bool isModified() const { return IsModified(); }
    /// Forgets the user's changes as far as isModified is concerned.
    void resetModifiedFlag() { DiscardEdits(); }

    /// Selects the whole text.
    void selectAll() { SelectAll(); }
    /// Puts the caret after the last character.
    void setInsertionPointLast() { SetInsertionPointEnd(); }
    ///@{
    /// The caret's position, in characters from the start.
    void setInsertionPoint(long position) { SetInsertionPoint(position); }
    long getInsertionPoint() const { return GetInsertionPoint(); }
    ///@}

    ///@{
    /// The indeterminate state: the box stands for several differing values
    /// and shows the "mixed" hint while it is empty.
    void setIsIndeterminate(bool indeterminate);
    bool isIndeterminate() const { return m_indeterminate; }
    ///@}

    ///@{
    /// Data of the caller's own, not owned; the toolkit never reads it.
    void setUserData(void* data) { m_userData = data; }
    void* getUserData() const { return m_userData; }
    ///@}

    /// True when every bit of `bits` is set among the toolkit's style bits.
    bool hasOrkStyle(long bits) const { return (m_orkStyle & bits) == bits; }
    ///@{
    /// The style with the toolkit's bits kept apart from the native control's,
    /// so that StyleReadOnly can be switched at any time.
    void SetWindowStyleFlag(long style) override;
    long GetWindowStyleFlag() const override;
    ///@}

    void onActiveColourSchemeChanged() override;

private:
    static long nativeStyle(long style);
    void applyLook();
    void onKillFocus(wxFocusEvent& event);
    void onSetFocus(wxFocusEvent& event);

    long m_orkStyle;
    bool m_indeterminate = false;
    void* m_userData = nullptr;
};

} // namespace wxUtils
