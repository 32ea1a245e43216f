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

// The scroll panel tells us when it goes; it must go while we are still a
// whole OrkScrollWindow, not from the base class destructor.
OrkScrollWindow::~OrkScrollWindow()
{
    DestroyChildren();
}

bool OrkScrollWindow::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                             const wxString& name)
{
    if (!OrkPanel::Create(parent, id, pos, size, style, name))
        return false;
    // Without direction bits the window scrolls both ways.
    m_scrollVertical = hasOrkStyle(StyleScrollVertical);
    m_scrollHorizontal = hasOrkStyle(StyleScrollHorizontal);
    if (!m_scrollVertical && !m_scrollHorizontal)
        m_scrollVertical = m_scrollHorizontal = true;
    m_scrollToFocus = hasOrkStyle(StyleScrollToFocus) || !(style & 0xFFFF);
    SetSizer(new wxBoxSizer(wxVERTICAL));
    createScrollPanel();
    return true;
}

void OrkScrollWindow::createScrollPanel()
{
    m_scrollPanel = new ScrollPanel(this, m_scrollToFocus);
    const int rate = FromDIP(10);
    m_scrollPanel->SetScrollRate(m_scrollHorizontal ? rate : 0, m_scrollVertical ? rate : 0);
    // Content never scrolls in a direction that is switched off: it fits
    // the window there instead.
    m_scrollPanel->ShowScrollbars(m_scrollHorizontal ? wxSHOW_SB_DEFAULT : wxSHOW_SB_NEVER,
                                  m_scrollVertical ? wxSHOW_SB_DEFAULT : wxSHOW_SB_NEVER);
    m_scrollPanel->Bind(wxEVT_DESTROY,
                        [this, panel = m_scrollPanel](wxWindowDestroyEvent& event)
                        {
                            event.Skip();
                            if (event.GetEventObject() == panel && m_scrollPanel == panel)
                            {
                                m_scrollPanel = nullptr;
                                if (GetSizer())
                                    GetSizer()->Detach(panel);
                            }
                        });
    GetSizer()->Add(m_scrollPanel, 1, wxEXPAND);
    Layout();
}

wxScrolled<wxPanel>* OrkScrollWindow::getScrollPanel()
{
    if (!m_scrollPanel && GetSizer())
        createScrollPanel();
    return m_scrollPanel;
}

void OrkScrollWindow::clearContent()
{
    if (wxScrolled<wxPanel>* panel = getScrollPanel())
    {
        panel->SetSizer(nullptr);
        panel->DestroyChildren();
        panel->Scroll(0, 0);
    }
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
