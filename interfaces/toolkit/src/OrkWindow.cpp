#include <wxUtils/OrkWindow.h>

#include <Tarn/Tarn.h>

namespace wxUtils
{

OrkWindow::OrkWindow() = default;

OrkWindow::OrkWindow(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                     const wxString& name)
{
    Create(parent, id, pos, size, style, name);
}

OrkWindow::~OrkWindow() = default;

bool OrkWindow::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                       const wxString& name)
{
    // Tab traversal is always on: toolkit windows are mostly composites of
    // native controls, and Tab must move between those like in any dialog.
    if (!wxPanel::Create(parent, id, pos, size, style | wxTAB_TRAVERSAL, name))
        return false;
    connectEvents();
    // The first toolkit window to exist is the first moment the desktop
    // theme can be asked for.
    gTarn.getColourManager().ensureSchemeKnown();
    return true;
}

void OrkWindow::connectEvents()
{
    Bind(wxEVT_SYS_COLOUR_CHANGED, &OrkWindow::onSysColourChanged, this);
}

void OrkWindow::onSysColourChanged(wxSysColourChangedEvent& event)
{
    gTarn.getColourManager().refreshFromSystem();
    event.Skip();
}

bool OrkWindow::Enable(bool enable)
{
    return wxPanel::Enable(enable);
}

void OrkWindow::setIsIndeterminate(bool indeterminate)
{
    if (indeterminate == m_indeterminate)
        return;
    m_indeterminate = indeterminate;
    onIndeterminateChanged();
}

void OrkWindow::onActiveColourSchemeChanged()
{
    Refresh();
}

} // namespace wxUtils
