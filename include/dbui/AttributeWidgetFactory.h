#pragma once

#include <dbui/Export.h>

class wxWindow;

namespace db
{
class AttributeDef;
class NodeDef;
} // namespace db
namespace wxUtils
{
class OrkWindow;
}

namespace dbui
{

class AttributeWidget;

/// A new, unbound editor widget for attributes of `def`, as a child of `parent`;
/// null when that kind of attribute has no editor. The caller binds it. A
/// widget registered with AttributeWidgetRegistry comes first, then the one the
/// schema's editor hint asks for, then the type's own.
DBUI_EXPORT AttributeWidget* makeAttributeWidget(db::AttributeDef& def, wxUtils::OrkWindow* parent);
/// The same under any window, such as the inner panel of a scrolling window,
/// for attributes on nodes of `nodeType` (null when not known), which
/// registrations by predicate may look at.
DBUI_EXPORT AttributeWidget* makeAttributeWidget(db::AttributeDef& def, wxWindow* parent,
                                                 const db::NodeDef* nodeType = nullptr);

} // namespace dbui
