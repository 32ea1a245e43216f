#include <wxUtils/OrkScrollWindow.h>

#include <wx/sizer.h>

namespace wxUtils
{

namespace
{
// Keeps a focused child in view, unless the window asked not to.
class ScrollPanel : public wxScrolled<wxPanel>
{
public:
    ScrollPanel(wxWindow* parent, bool scrollToFocus)
        : wxScrolled<wxPanel>(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_NONE),
          m_scrollToFocus(scrollToFocus)
    {
    }

protected:
    bool ShouldScrollToChildOnFocus(wxWindow* child) override
    {
        return m_scrollToFocus && wxScrolled<wxPanel>::ShouldScrollToChildOnFocus(child);
    }

private:
    bool m_scrollToFocus;
};
} // namespace

OrkScrollWindow::OrkScrollWindow(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                                 const wxString& name)
{
    Create(parent, id, pos, size, style, name);
}

bool OrkScrollWindow::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                             const wxString& name)
{
    if (!OrkPanel::Create(parent, id, pos, size, style, name))
        return false;
    // Without direction bits the window scrolls both ways.
    bool vertical = hasOrkStyle(StyleScrollVertical);
    bool horizontal = hasOrkStyle(StyleScrollHorizontal);
    if (!vertical && !horizontal)
        vertical = horizontal = true;
    const bool scrollToFocus = hasOrkStyle(StyleScrollToFocus) || !(style & 0xFFFF);
    m_scrollPanel = new ScrollPanel(this, scrollToFocus);
    const int rate = FromDIP(10);
    m_scrollPanel->SetScrollRate(horizontal ? rate : 0, vertical ? rate : 0);
    // Content never scrolls in a direction that is switched off: it fits
    // the window there instead.
    m_scrollPanel->ShowScrollbars(horizontal ? wxSHOW_SB_DEFAULT : wxSHOW_SB_NEVER,
                                  vertical ? wxSHOW_SB_DEFAULT : wxSHOW_SB_NEVER);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_scrollPanel, 1, wxEXPAND);
    SetSizer(sizer);
    return true;
}

void OrkScrollWindow::updateScrollArea()
{
    if (!m_scrollPanel)
        return;
    m_scrollPanel->FitInside();
    m_scrollPanel->Layout();
    Layout();
}

} // namespace wxUtils
