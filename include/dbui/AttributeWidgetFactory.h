#pragma once

#include <dbui/Export.h>

class wxWindow;

namespace db
{
class AttributeDef;
}
namespace wxUtils
{
class OrkWindow;
}

namespace dbui
{

class AttributeWidget;

/// A new, unbound editor widget for attributes of `def`, as a child of `parent`;
/// null when that kind of attribute has no editor. The caller binds it.
DBUI_EXPORT AttributeWidget* makeAttributeWidget(db::AttributeDef& def, wxUtils::OrkWindow* parent);
/// The same under any window, such as the inner panel of a scrolling window.
DBUI_EXPORT AttributeWidget* makeAttributeWidget(db::AttributeDef& def, wxWindow* parent);

} // namespace dbui
