#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkPanel.h>

class wxSplitterWindow;

namespace wxUtils
{

/// A panel split between two child windows by a draggable sash.
class DBUI_TOOLKIT_EXPORT OrkSplitter : public OrkPanel
{
public:
    /// How the sash moves when the splitter is resized.
    enum SashMode
    {
        /// Both panes keep their share of the space.
        SashProportional = 0,
        /// The first pane keeps its size.
        SashKeepFirst = 1,
        /// The second pane keeps its size.
        SashKeepSecond = 2,
    };

    OrkSplitter() = default;
    /// Creates the splitter at once; see Create.
    OrkSplitter(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = wxPanelNameStr);

    /// Two-step creation; false when the window could not be made.
    bool Create(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = wxPanelNameStr);

    /// `first` above `second`; `ratio` (0 to 1) is the first pane's share.
    /// Both windows must be children of this splitter.
    void splitHorizontally(wxWindow* first, wxWindow* second, int sashMode = SashProportional, double ratio = 0.5);
    /// `first` left of `second`.
    void splitVertically(wxWindow* first, wxWindow* second, int sashMode = SashProportional, double ratio = 0.5);

    /// The window panes go into (the panes' parent).
    wxWindow* getContentWindow() override;
    /// The native splitter inside.
    wxSplitterWindow* getSplitterWindow() const { return m_splitter; }
    ///@{
    /// The pane above or left of (below or right of) the sash; null before a split.
    wxWindow* getFirstPane() const;
    wxWindow* getSecondPane() const;
    ///@}
    /// True when the panes lie one above the other.
    bool isSplitHorizontally() const;
    /// Position of the sash in pixels from the top or left.
    int getSashPosition() const;
    ///@{
    /// The first pane's share of the split, 0 to 1. A share set before the
    /// splitter has its size on screen is applied once it has.
    double getSashRatio() const;
    void setSashRatio(double ratio);
    ///@}

private:
    void split(wxWindow* first, wxWindow* second, int sashMode, double ratio, bool horizontal);
    void applyRatio();

    wxSplitterWindow* m_splitter = nullptr;
    double m_ratio = 0.5;
    int m_sashMode = SashProportional;
    bool m_ratioPending = false;
};

} // namespace wxUtils
