#pragma once

class wxWindow;

namespace wxUtils
{

/// Suspends redrawing of a window (and its children) while it lives.
/// Freezers nest; a null window is allowed and does nothing.
class WindowFreezer
{
public:
    explicit WindowFreezer(wxWindow* window);
    ~WindowFreezer();
    WindowFreezer(const WindowFreezer&) = delete;
    WindowFreezer& operator=(const WindowFreezer&) = delete;

private:
    wxWindow* m_window;
};

} // namespace wxUtils
