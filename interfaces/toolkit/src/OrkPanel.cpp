#include <wxUtils/OrkPanel.h>

namespace wxUtils
{

OrkPanel::OrkPanel(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                   const wxString& name)
{
    Create(parent, id, pos, size, style, name);
}

bool OrkPanel::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                      const wxString& name)
{
    return OrkWindow::Create(parent, id, pos, size, style, name);
}

} // namespace wxUtils
