#include <wxUtils/FocusReliantWindow.h>

#include <wxUtils/WindowUtils.h>

#include <foundations/ObserverManager.h>

#include <wx/window.h>

namespace wxUtils
{

namespace
{
// Applying a change may rebuild windows, destroying or creating focus-reliant
// ones mid-walk; the observer list copes with both.
ObserverManager<FocusReliantWindow>& instances()
{
    static ObserverManager<FocusReliantWindow> s_instances;
    return s_instances;
}
} // namespace

FocusReliantWindow::FocusReliantWindow()
{
    instances().add(this, ObserverMode::Deferred);
}

FocusReliantWindow::FocusReliantWindow(const FocusReliantWindow&) : FocusReliantWindow()
{
}

FocusReliantWindow::~FocusReliantWindow()
{
    instances().remove(this, ObserverMode::Immediate);
}

void FocusReliantWindow::ensureAllChangesApplied()
{
    instances().notify([](FocusReliantWindow* window) { window->ensureChangesApplied(); });
}

void FocusReliantWindow::ensureChangesAppliedWithin(const wxWindow* root)
{
    instances().notify(
        [root](FocusReliantWindow* reliant)
        {
            const auto* window = dynamic_cast<const wxWindow*>(reliant);
            if (window && isDescendedFrom(window, root))
                reliant->ensureChangesApplied();
        });
}

std::size_t FocusReliantWindow::getInstanceCount()
{
    return instances().count();
}

} // namespace wxUtils
