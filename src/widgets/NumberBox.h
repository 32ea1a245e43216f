#pragma once

// Reading the number boxes of the attribute widgets: plain numbers always,
// arithmetic where the widget takes it, and refusals the user can see.

#include "NumberExpression.h"

namespace wxUtils
{
class OrkSimpleTextCtrl;
}

namespace dbui
{
class AttributeWidget;
}

namespace dbui::detail
{

/// Reads `box`, a number box of `widget`, by the widget's input options. A
/// refused text stays in the box, still counted as typed, with the reason as
/// its tool tip and in an EVT_ATTRIBUTE_INPUT_REFUSED event from the widget.
bool readNumberBox(AttributeWidget& widget, wxUtils::OrkSimpleTextCtrl& box, NumberEntry& entry);

/// The int an attribute holding `current` gets from `entry` read from `text`.
int intFromEntry(const NumberEntry& entry, const std::wstring& text, int current);

} // namespace dbui::detail
