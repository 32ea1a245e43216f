#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkPanel.h>

#include <wx/scrolwin.h>

namespace wxUtils
{

/// A panel whose content scrolls: children go into the inner scrollable
/// panel (getScrollPanel, which PanelBuilder uses automatically).
class DBUI_TOOLKIT_EXPORT OrkScrollWindow : public OrkPanel
{
public:
    /// Toolkit style bits (the low 16 bits of the style).
    enum Style : long
    {
        /// Scrolls up and down when the content is taller than the window.
        StyleScrollVertical = 0x40,
        /// Scrolls sideways when the content is wider than the window.
        StyleScrollHorizontal = 0x80,
        /// Keeps the focused child in view when the focus moves by keyboard.
        StyleScrollToFocus = 0x100,
        /// The content is at least as wide as the window (it grows with it).
        StyleFillWidth = 0x400,
    };

    OrkScrollWindow() = default;
    /// Creates the window at once; see Create.
    OrkScrollWindow(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                    const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = wxPanelNameStr);

    ~OrkScrollWindow() override;

    /// Two-step creation; false when the window could not be made.
    bool Create(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = wxPanelNameStr);

    /// The inner panel children go into. Should a caller destroy it (say with
    /// DestroyChildren on this window), a new one is made on the next request.
    wxScrolled<wxPanel>* getScrollPanel();
    wxWindow* getContentWindow() override { return getScrollPanel(); }

    /// Destroys the content, keeping the scrolling panel.
    void clearContent();

    /// Recomputes the scrollable area after the content changed.
    void updateScrollArea();

private:
    void createScrollPanel();

    wxScrolled<wxPanel>* m_scrollPanel = nullptr;
    bool m_scrollVertical = true;
    bool m_scrollHorizontal = true;
    bool m_scrollToFocus = true;
};

} // namespace wxUtils
