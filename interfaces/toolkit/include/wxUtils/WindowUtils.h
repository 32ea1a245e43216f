#pragma once

#include <wxUtils/Export.h>

#include <cstddef>
#include <functional>

class wxWindow;

namespace wxUtils
{

/// Lays out `window` and every window containing it up to its top-level
/// window, outermost first, so that a change of its size reaches the whole
/// layout (scrolling panels included).
DBUI_TOOLKIT_EXPORT void layoutParentsRecursively(wxWindow* window);

/// Hides `window` at once and destroys it once the events under way have
/// been handled: for a window that may be inside one of its own handlers, as
/// a button whose click rebuilds the panel it sits in. Take it out of its
/// sizer first. Destroying its parent before then destroys it too.
DBUI_TOOLKIT_EXPORT void destroyWhenIdle(wxWindow* window);

/// True when `window` is `ancestor` itself or lies anywhere below it.
DBUI_TOOLKIT_EXPORT bool isDescendedFrom(const wxWindow* window, const wxWindow* ancestor);

/// Calls `each` with every window below `window` (not `window` itself), parents before their children.
DBUI_TOOLKIT_EXPORT void forEachDescendant(wxWindow& window, const std::function<void(wxWindow&)>& each);

/// True while the key with this Windows virtual-key code is held down (for
/// example 162 for the left Control key, 13 for Return, 'A' for A). Left and
/// right modifier keys cannot be told apart here: either side counts.
DBUI_TOOLKIT_EXPORT bool AsyncIsKeyPressed(int virtualKey);

/// The process's resident memory in bytes (0 where it cannot be read).
DBUI_TOOLKIT_EXPORT std::size_t GetProcessMemoryUsage();

} // namespace wxUtils
