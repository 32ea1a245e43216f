#pragma once

#include <wxUtils/Export.h>

namespace wxUtils
{

/// Anything that draws with the active colour scheme; registers itself with
/// the application core's colour manager for its whole lifetime.
class DBUI_TOOLKIT_EXPORT ColourSchemeClient
{
public:
    ColourSchemeClient();
    ///@{
    /// A copy is a client of its own, registered like any new one.
    ColourSchemeClient(const ColourSchemeClient&);
    ColourSchemeClient& operator=(const ColourSchemeClient&) = default;
    ///@}
    virtual ~ColourSchemeClient();

    /// Called after the colour manager switched to another scheme.
    virtual void onActiveColourSchemeChanged() {}
};

} // namespace wxUtils
