#include "StatusBarProgress.h"

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

namespace dbui
{

StatusBarProgress::StatusBarProgress(wxStatusBar& bar, const wxString& message, bool cancellable, int range)
    : m_bar(bar), m_frame(wxGetTopLevelParent(&bar)), m_focus(wxWindow::FindFocus())
{
    build(message, cancellable, range);
    stopInput();
    m_bar.Bind(wxEVT_SIZE, &StatusBarProgress::onBarSize, this);
    // Bound last, so heard first: the frame's own handlers never see these.
    m_frame->Bind(wxEVT_CHAR_HOOK, &StatusBarProgress::onKey, this);
    m_frame->Bind(wxEVT_CLOSE_WINDOW, &StatusBarProgress::onClose, this);
}

StatusBarProgress::~StatusBarProgress()
{
    m_frame->Unbind(wxEVT_CLOSE_WINDOW, &StatusBarProgress::onClose, this);
    m_frame->Unbind(wxEVT_CHAR_HOOK, &StatusBarProgress::onKey, this);
    m_bar.Unbind(wxEVT_SIZE, &StatusBarProgress::onBarSize, this);
    for (wxWindow* window : m_disabled)
        if (window)
            window->Enable();
    m_otherWindows.reset();
    m_panel->Destroy();
    if (m_focus)
        m_focus->SetFocus();
}

void StatusBarProgress::build(const wxString& message, bool cancellable, int range)
{
    // One panel over the whole bar: the fields' texts would be stale beside
    // it. It paints its own background, or they would show through.
    m_panel = new wxPanel(&m_bar);
    m_panel->SetBackgroundColour(m_bar.GetBackgroundColour());
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(m_panel, wxID_ANY, message), 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 4);
    m_gauge = new wxGauge(m_panel, wxID_ANY, range, wxDefaultPosition, wxDefaultSize, wxGA_HORIZONTAL | wxGA_SMOOTH);
    row->Add(m_gauge, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    if (cancellable)
    {
        auto* cancel = new wxButton(m_panel, wxID_CANCEL, "Cancel", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
        cancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_cancelled = true; });
        row->Add(cancel, 0, wxEXPAND);
    }
    m_panel->SetSizer(row);
    place();
    m_panel->Show();
}

void StatusBarProgress::stopInput()
{
    m_otherWindows = std::make_unique<wxWindowDisabler>(m_frame);
    std::vector<wxWindow*> windows(m_frame->GetChildren().begin(), m_frame->GetChildren().end());
    if (auto* frame = wxDynamicCast(m_frame, wxFrame); frame && frame->GetMenuBar())
        windows.push_back(frame->GetMenuBar());
    for (wxWindow* window : windows)
        if (window != &m_bar && window->IsThisEnabled())
        {
            window->Disable();
            m_disabled.emplace_back(window);
        }
    // Keys go where the focus is, and Esc must reach the frame from there.
    m_panel->SetFocus();
}

void StatusBarProgress::place()
{
    m_panel->SetSize(m_bar.GetClientSize());
    m_panel->Layout();
}

void StatusBarProgress::setValue(int value)
{
    m_gauge->SetValue(value);
}

void StatusBarProgress::onBarSize(wxSizeEvent& event)
{
    place();
    event.Skip();
}

void StatusBarProgress::onKey(wxKeyEvent& event)
{
    // Other keys are swallowed: shortcuts would act on the document under the load.
    if (event.GetKeyCode() == WXK_ESCAPE && m_panel->FindWindow(wxID_CANCEL))
        m_cancelled = true;
}

void StatusBarProgress::onClose(wxCloseEvent& event)
{
    // Not while the document is being read or written: the user can cancel an open first.
    if (event.CanVeto())
        event.Veto();
    else
        event.Skip();
}

} // namespace dbui
