#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkWindow.h>

class wxButton;

namespace wxUtils
{

/// A push button that is an OrkWindow (so it carries user data). Its clicks
/// arrive as wxEVT_BUTTON with the OrkButton's id and the OrkButton as event
/// object.
class DBUI_TOOLKIT_EXPORT OrkButton : public OrkWindow
{
public:
    /// A button showing `label`; `style` goes to the native button.
    OrkButton(wxWindow* parent, wxWindowID id, const wxString& label, const wxPoint& pos = wxDefaultPosition,
              const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = "OrkButton");

    ///@{
    /// The button's text, by either name.
    wxString getLabel() const;
    void setLabel(const wxString& label);
    void SetLabel(const wxString& label) override { setLabel(label); }
    wxString GetLabel() const override { return getLabel(); }
    ///@}

    /// The native button inside (for tests that click it).
    wxButton* getNativeButton() const { return m_button; }

private:
    void onNativeClick(wxCommandEvent& event);

    wxButton* m_button;
};

} // namespace wxUtils
