#include <wxUtils/OrkSplitter.h>

#include <wx/sizer.h>
#include <wx/splitter.h>

namespace wxUtils
{

OrkSplitter::OrkSplitter(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                         const wxString& name)
{
    Create(parent, id, pos, size, style, name);
}

bool OrkSplitter::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style,
                         const wxString& name)
{
    if (!OrkPanel::Create(parent, id, pos, size, style, name))
        return false;
    m_splitter = new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                      wxSP_LIVE_UPDATE | wxSP_3DSASH | wxSP_NOBORDER);
    m_splitter->SetMinimumPaneSize(FromDIP(40));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_splitter, 1, wxEXPAND);
    SetSizer(sizer);
    // The share can only become pixels once the splitter has its size.
    m_splitter->Bind(wxEVT_SIZE,
                     [this](wxSizeEvent& event)
                     {
                         event.Skip();
                         if (m_ratioPending)
                             CallAfter([this] { applyRatio(); });
                     });
    return true;
}

wxWindow* OrkSplitter::getContentWindow()
{
    return m_splitter;
}

void OrkSplitter::splitHorizontally(wxWindow* first, wxWindow* second, int sashMode, double ratio)
{
    split(first, second, sashMode, ratio, true);
}

void OrkSplitter::splitVertically(wxWindow* first, wxWindow* second, int sashMode, double ratio)
{
    split(first, second, sashMode, ratio, false);
}

void OrkSplitter::split(wxWindow* first, wxWindow* second, int sashMode, double ratio, bool horizontal)
{
    wxASSERT_MSG(first && second && first != second, "a splitter needs two different panes");
    if (!first || !second || first == second)
        return;
    // Subclasses create their panes as children of the splitter panel itself;
    // the native sash window needs them as its own children.
    for (wxWindow* pane : {first, second})
        if (pane->GetParent() != m_splitter)
            pane->Reparent(m_splitter);
    if (m_splitter->IsSplit())
        m_splitter->Unsplit();
    m_sashMode = sashMode;
    first->Show();
    second->Show();
    if (horizontal)
        m_splitter->SplitHorizontally(first, second);
    else
        m_splitter->SplitVertically(first, second);
    setSashRatio(ratio);
}

void OrkSplitter::setSashRatio(double ratio)
{
    m_ratio = std::min(1.0, std::max(0.0, ratio));
    switch (m_sashMode)
    {
    case SashKeepFirst:
        m_splitter->SetSashGravity(0.0);
        break;
    case SashKeepSecond:
        m_splitter->SetSashGravity(1.0);
        break;
    default:
        m_splitter->SetSashGravity(m_ratio);
        break;
    }
    m_ratioPending = true;
    applyRatio();
}

double OrkSplitter::getSashRatio() const
{
    if (m_ratioPending || !m_splitter || !m_splitter->IsSplit())
        return m_ratio;
    const wxSize size = m_splitter->GetClientSize();
    const int extent = m_splitter->GetSplitMode() == wxSPLIT_HORIZONTAL ? size.y : size.x;
    return extent > 0 ? static_cast<double>(m_splitter->GetSashPosition()) / extent : m_ratio;
}

void OrkSplitter::applyRatio()
{
    if (!m_ratioPending || !m_splitter->IsSplit())
        return;
    const wxSize size = m_splitter->GetClientSize();
    const int extent = m_splitter->GetSplitMode() == wxSPLIT_HORIZONTAL ? size.y : size.x;
    // Early size events come with placeholder sizes; a share of those would
    // stick, so wait for a real size on screen.
    if (!m_splitter->IsShownOnScreen() || extent <= 2 * m_splitter->GetMinimumPaneSize() + m_splitter->GetSashSize())
        return; // the size handler calls again
    m_ratioPending = false;
    m_splitter->SetSashPosition(static_cast<int>(extent * m_ratio + 0.5));
}

wxWindow* OrkSplitter::getFirstPane() const
{
    return m_splitter ? m_splitter->GetWindow1() : nullptr;
}

wxWindow* OrkSplitter::getSecondPane() const
{
    return m_splitter ? m_splitter->GetWindow2() : nullptr;
}

bool OrkSplitter::isSplitHorizontally() const
{
    return m_splitter && m_splitter->IsSplit() && m_splitter->GetSplitMode() == wxSPLIT_HORIZONTAL;
}

int OrkSplitter::getSashPosition() const
{
    return m_splitter ? m_splitter->GetSashPosition() : 0;
}

} // namespace wxUtils
