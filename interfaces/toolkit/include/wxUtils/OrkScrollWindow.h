#pragma once

#include <wxUtils/OrkPanel.h>

#include <wx/scrolwin.h>

namespace wxUtils
{

/// A panel whose content scrolls: children go into the inner scrollable
/// panel (getScrollPanel, which PanelBuilder uses automatically).
class OrkScrollWindow : public OrkPanel
{
public:
    enum Style : long
    {
        StyleScrollVertical = 0x40,
        StyleScrollHorizontal = 0x80,
        /// Keeps the focused child in view when the focus moves by keyboard.
        StyleScrollToFocus = 0x100,
        /// The content is at least as wide as the window (it grows with it).
        StyleFillWidth = 0x400,
    };

    OrkScrollWindow() = default;
    OrkScrollWindow(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                    const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = wxPanelNameStr);

    bool Create(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = wxPanelNameStr);

    wxScrolled<wxPanel>* getScrollPanel() const { return m_scrollPanel; }
    wxWindow* getContentWindow() override { return m_scrollPanel; }

    /// Recomputes the scrollable area after the content changed.
    void updateScrollArea();

private:
    wxScrolled<wxPanel>* m_scrollPanel = nullptr;
};

} // namespace wxUtils
