#pragma once

#include <wxUtils/Export.h>

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <vector>

class wxFlexGridSizer;
class wxSizer;
class wxWindow;

namespace wxUtils
{

class OrkButton;
class OrkCheckBox;
class OrkComboBox;
class OrkListControl;
class OrkPanel;
class OrkScriptControl;
class OrkSimpleTextCtrl;
class OrkSpinButton;
class OrkSplitter;
class OrkStaticText;

/// Builds a window's layout by nested calls: begin a sizer, add controls
/// (created as children of the window being built), end the sizer. The
/// first sizer becomes the window's sizer; later ones nest in the current
/// one. (proportion, flags) are those of wxSizer::Add. `border` (pixels) is
/// put around every item added, on all sides.
///
/// Splitters and panels nest too: inside beginVSplitter/beginHSplitter the
/// first two windows added (or panels begun) become its panes, and endSizer
/// closes it; inside beginPanel the layout goes into the new panel until
/// endPanel.
class DBUI_TOOLKIT_EXPORT PanelBuilder
{
public:
    /// `window` is usually an OrkPanel; an OrkScrollWindow is built into its
    /// scrolling panel.
    PanelBuilder(wxWindow* window, int border = 0);
    ~PanelBuilder();
    PanelBuilder(const PanelBuilder&) = delete;
    PanelBuilder& operator=(const PanelBuilder&) = delete;

    ///@{
    /// Opens a sizer that lays its items out side by side (one above the other).
    wxSizer* beginHSizer(int proportion = 0, int flags = 0);
    wxSizer* beginVSizer(int proportion = 0, int flags = 0);
    ///@}
    /// `rows` 0 means as many as needed. `hgap` and `vgap` are the gaps
    /// between columns and rows in pixels.
    wxFlexGridSizer* beginFlexGridSizer(int rows, int cols, int proportion = 0, int flags = 0, int hgap = 12,
                                        int vgap = 1);
    /// Lets column `col` of the current grid take spare width.
    void columnExpands(int col, int proportion = 0);
    /// Lets row `row` of the current grid take spare height.
    void rowExpands(int row, int proportion = 0);
    /// Closes the current sizer or splitter.
    void endSizer();

    /// Side-by-side panes (a vertical sash); `sashGravity` is the first pane's
    /// share, kept on resizing.
    OrkSplitter* beginVSplitter(int proportion = 1, int flags = 0, const wxSize& size = wxDefaultSize, long style = 0,
                                double sashGravity = 0.5);
    /// Panes one above the other.
    OrkSplitter* beginHSplitter(int proportion = 1, int flags = 0, const wxSize& size = wxDefaultSize, long style = 0,
                                double sashGravity = 0.5);

    /// Adds a new panel and builds into it until endPanel.
    OrkPanel* beginPanel(int proportion = 0, int flags = 0, const wxSize& size = wxDefaultSize, long style = 0);
    /// Closes the panel begun last (its sizers must be closed).
    void endPanel();

    /// Adds a window created elsewhere (its parent must be getParentWindow()).
    wxWindow* addWindow(wxWindow* window, int proportion = 0, int flags = 0);
    ///@{
    /// Creates the control on getParentWindow() and adds it; `style` is the control's own.
    OrkSimpleTextCtrl* addTextBox(int proportion = 0, int flags = 0, const wxSize& size = wxDefaultSize,
                                  long style = 0);
    OrkCheckBox* addCheckBox(const wxString& label, int proportion = 0, int flags = 0,
                             const wxSize& size = wxDefaultSize, long style = 0);
    OrkComboBox* addComboBox(int proportion = 0, int flags = 0, const wxSize& size = wxDefaultSize, long style = 0);
    OrkSpinButton* addSpinButton(int proportion = 0, int flags = 0, const wxSize& size = wxDefaultSize, long style = 0);
    ///@}
    /// `help` becomes the button's tooltip when not empty.
    OrkButton* addButton(const wxString& label, const wxString& help = wxEmptyString, int proportion = 0, int flags = 0,
                         const wxSize& size = wxDefaultSize, long style = 0);
    /// `wrapWidth` above 0 wraps the text at that many pixels.
    OrkStaticText* addStaticText(const wxString& text, int proportion = 0, int flags = 0,
                                 const wxSize& size = wxDefaultSize, long style = 0, int wrapWidth = 0);
    /// A script editor, styled in the active colour scheme.
    OrkScriptControl* addScriptControl(int proportion = 1, int flags = 0, const wxSize& size = wxDefaultSize,
                                       long style = 0);
    /// Defined with the list control, in the column-window part of the toolkit.
    OrkListControl* addListControl(int proportion = 0, int flags = 0, const wxSize& size = wxDefaultSize,
                                   long style = 0, int id = -1);
    /// Adds `size` pixels (at 96 DPI) of empty space to the current sizer.
    void addSpacer(int size);
    /// Adds empty space that takes a share of the spare room.
    void addStretchSpacer(int proportion = 1);

    /// The window that controls are created on at this point of the build.
    wxWindow* getParentWindow() const;
    /// The sizer that items go into now (null inside a splitter or before
    /// the first sizer).
    wxSizer* getCurrentSizer() const;
    /// The border given at construction.
    int getBorder() const { return m_border; }

private:
    struct Frame
    {
        enum class Kind
        {
            Sizer,
            Splitter,
            Panel,
        };
        Frame(Kind k, wxWindow* p) : kind(k), parent(p) {}
        Kind kind;
        wxWindow* parent;
        wxSizer* sizer = nullptr;
        OrkSplitter* splitter = nullptr;
        bool splitHorizontally = false;
        double gravity = 0.5;
        std::vector<wxWindow*> panes;
        bool hasTopSizer = false;
    };

    wxSizer* beginSizer(wxSizer* sizer, int proportion, int flags);
    OrkSplitter* beginSplitter(bool horizontal, int proportion, int flags, const wxSize& size, long style,
                               double gravity);
    void place(wxWindow* window, int proportion, int flags);
    int itemFlags(int flags) const;
    int centredVertically(int flags) const;
    Frame* top();
    const Frame* top() const;
    void finishLayout(wxWindow* window);

    wxWindow* m_window;
    int m_border;
    std::vector<Frame> m_frames;
};

} // namespace wxUtils
