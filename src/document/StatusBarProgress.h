#pragma once

#include <wx/string.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include <memory>
#include <vector>

class wxCloseEvent;
class wxGauge;
class wxKeyEvent;
class wxSizeEvent;
class wxStatusBar;
class wxWindowDisabler;

namespace dbui
{

/// A long load or save shown in a frame's status bar rather than a dialog of
/// its own: what is being done, a gauge, and for an open a Cancel button that
/// Esc presses too. While it shows, the rest of the frame and the other
/// windows take no input (which could change the document under the load),
/// and the frame does not close; the status bar's own texts come back after.
class StatusBarProgress
{
public:
    StatusBarProgress(wxStatusBar& bar, const wxString& message, bool cancellable, int range);
    ~StatusBarProgress();

    StatusBarProgress(const StatusBarProgress&) = delete;
    StatusBarProgress& operator=(const StatusBarProgress&) = delete;

    void setValue(int value);
    bool wasCancelled() const { return m_cancelled; }

private:
    void build(const wxString& message, bool cancellable, int range);
    void stopInput();
    void place();
    void onBarSize(wxSizeEvent& event);
    void onKey(wxKeyEvent& event);
    void onClose(wxCloseEvent& event);

    wxStatusBar& m_bar;
    wxWindow* m_frame;
    wxWindow* m_panel = nullptr;
    wxGauge* m_gauge = nullptr;
    std::unique_ptr<wxWindowDisabler> m_otherWindows;
    /// The frame's windows this disabled, to enable again.
    std::vector<wxWeakRef<wxWindow>> m_disabled;
    wxWeakRef<wxWindow> m_focus;
    bool m_cancelled = false;
};

} // namespace dbui
