#pragma once

#include <wxUtils/ColourSchemeClient.h>
#include <wxUtils/Export.h>

#include <wx/panel.h>

namespace wxUtils
{

class OrkMenu;

/// Base of every toolkit window: a panel that carries user data, an
/// indeterminate ("mixed") state and the toolkit's own style bits, and that
/// follows the colour scheme.
///
/// Style bits: the low 16 bits of the style are the toolkit's own for each
/// class (read them with hasOrkStyle); the high bits are wxWidgets' window
/// styles and are handed on unchanged.
class DBUI_TOOLKIT_EXPORT OrkWindow : public wxPanel, public ColourSchemeClient
{
public:
    OrkWindow();
    /// Creates the window at once; see Create.
    OrkWindow(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
              const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = wxPanelNameStr);
    ~OrkWindow() override;

    /// Two-step creation; false when the window could not be made.
    bool Create(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = wxPanelNameStr);

    ///@{
    /// Data the owner attaches to the window; never owned or interpreted.
    void setUserData(void* data) { m_userData = data; }
    void* getUserData() const { return m_userData; }
    ///@}

    /// Enables or disables the window and its children, as wxWindow does.
    bool Enable(bool enable = true) override;

    ///@{
    /// Shows that the window stands for several differing values.
    void setIsIndeterminate(bool indeterminate);
    bool isIndeterminate() const { return m_indeterminate; }
    ///@}

    /// True when every bit of `bits` is set in the window style.
    bool hasOrkStyle(long bits) const { return (GetWindowStyleFlag() & bits) == bits; }

    /// Shows `menu` at `point` (client coordinates; wxDefaultPosition means
    /// the mouse position). The chosen item arrives as a wxEVT_MENU event whose
    /// event object is the OrkPopupMenu, sent to `handler` when given, else to
    /// this window (and from there up its parents).
    void popupMenu(OrkMenu& menu, const wxPoint& point = wxDefaultPosition, wxEvtHandler* handler = nullptr);
    /// The same for a menu given by pointer, which must not be null.
    void popupMenu(OrkMenu* menu, const wxPoint& point = wxDefaultPosition, wxEvtHandler* handler = nullptr);

    void onActiveColourSchemeChanged() override;

protected:
    /// Lets subclasses redraw their mixed look.
    virtual void onIndeterminateChanged() {}

private:
    void connectEvents();
    void onSysColourChanged(wxSysColourChangedEvent& event);

    void* m_userData = nullptr;
    bool m_indeterminate = false;
};

} // namespace wxUtils
