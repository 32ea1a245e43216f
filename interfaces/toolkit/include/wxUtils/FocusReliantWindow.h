#pragma once

#include <wxUtils/Export.h>

#include <cstddef>

class wxWindow;

namespace wxUtils
{

/// A window that keeps edits unapplied while it has the focus (a script
/// editor, say). Hosts call ensureAllChangesApplied() before anything that
/// reads the data, such as saving, so no typing is lost.
class DBUI_TOOLKIT_EXPORT FocusReliantWindow
{
public:
    FocusReliantWindow();
    ///@{
    /// A copy is a window of its own, registered like any new one.
    FocusReliantWindow(const FocusReliantWindow&);
    FocusReliantWindow& operator=(const FocusReliantWindow&) = default;
    ///@}
    virtual ~FocusReliantWindow();

    /// Writes any pending edit to the data.
    virtual void ensureChangesApplied() = 0;

    /// Asks every living focus-reliant window to apply its pending edits.
    static void ensureAllChangesApplied();
    /// The same for those that are `root` or lie below it: call it before
    /// destroying or rebinding windows that may hold unapplied typing.
    static void ensureChangesAppliedWithin(const wxWindow* root);
    /// How many focus-reliant windows live.
    static std::size_t getInstanceCount();
};

} // namespace wxUtils
