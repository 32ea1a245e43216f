#pragma once

#include <wxUtils/Export.h>

#include <wx/colour.h>

namespace Tarn
{

/// The colours the toolkit draws with under one scheme.
struct DBUI_TOOLKIT_EXPORT ColourScheme
{
    /// True for a dark scheme: light text on dark backgrounds.
    bool dark = false;
    ///@{
    /// Background, text and secondary (labels, hints) text of windows.
    wxColour windowBackground;
    wxColour text;
    wxColour mutedText;
    ///@}
    ///@{
    /// Background and text of a control that shows differing values.
    wxColour mixedBackground;
    wxColour mixedText;
    ///@}
    ///@{
    /// Script editor colours: background, text, background while it shows
    /// differing values, caret, selection and margin.
    wxColour editorBackground;
    wxColour editorText;
    wxColour editorMixedBackground;
    wxColour editorCaret;
    wxColour editorSelection;
    wxColour editorMargin;
    ///@}

    ///@{
    /// The toolkit's light (dark) scheme.
    static ColourScheme lightScheme();
    static ColourScheme darkScheme();
    ///@}
};

} // namespace Tarn
