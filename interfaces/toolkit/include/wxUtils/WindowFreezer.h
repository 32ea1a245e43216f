#pragma once

#include <wxUtils/Export.h>

class wxWindow;

namespace wxUtils
{

/// Suspends redrawing of a window (and its children) while it lives.
/// Freezers nest; a null window is allowed and does nothing.
class DBUI_TOOLKIT_EXPORT WindowFreezer
{
public:
    /// Freezes `window` (may be null) until the freezer is destroyed.
    explicit WindowFreezer(wxWindow* window);
    ~WindowFreezer();
    WindowFreezer(const WindowFreezer&) = delete;
    WindowFreezer& operator=(const WindowFreezer&) = delete;

private:
    wxWindow* m_window;
};

} // namespace wxUtils
