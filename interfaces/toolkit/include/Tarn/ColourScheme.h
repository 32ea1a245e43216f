#pragma once

#include <wxUtils/Export.h>

#include <wx/colour.h>

namespace Tarn
{

/// The colours the toolkit draws with under one scheme.
struct DBUI_TOOLKIT_EXPORT ColourScheme
{
    bool dark = false;
    wxColour windowBackground;
    wxColour text;
    wxColour mutedText;
    /// Background and text of a control that shows differing values.
    wxColour mixedBackground;
    wxColour mixedText;
    wxColour editorBackground;
    wxColour editorText;
    wxColour editorMixedBackground;
    wxColour editorCaret;
    wxColour editorSelection;
    wxColour editorMargin;

    static ColourScheme lightScheme();
    static ColourScheme darkScheme();
};

} // namespace Tarn
