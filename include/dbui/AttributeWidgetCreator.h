#pragma once

#include <functional>

class wxWindow;

namespace db
{
class AttributeDef;
}

namespace dbui
{

class AttributeWidget;

/// Makes a new, unbound editor widget for attributes of `def` as a child of
/// `parent`, or null when that kind of attribute has no editor. Widgets that
/// hold the widgets of their members (compounds, attribute arrays) are handed
/// one, so that they need not know every widget there is.
using AttributeWidgetCreator = std::function<AttributeWidget*(db::AttributeDef& def, wxWindow* parent)>;

} // namespace dbui
