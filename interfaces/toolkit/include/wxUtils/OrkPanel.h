#pragma once

#include <wxUtils/Export.h>
#include <wxUtils/OrkWindow.h>

namespace wxUtils
{

/// A plain container window of the toolkit; subclasses lay out children in it
/// (usually with PanelBuilder) and react to colour scheme changes.
class DBUI_TOOLKIT_EXPORT OrkPanel : public OrkWindow
{
public:
    OrkPanel() = default;
    /// Creates the panel at once; see Create.
    OrkPanel(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
             const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = wxPanelNameStr);

    /// Two-step creation; false when the window could not be made.
    bool Create(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0, const wxString& name = wxPanelNameStr);

    /// The window that PanelBuilder puts children into: the panel itself here,
    /// the scrolled inner panel in OrkScrollWindow.
    virtual wxWindow* getContentWindow() { return this; }
};

} // namespace wxUtils
