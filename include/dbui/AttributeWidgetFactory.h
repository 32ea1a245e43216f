#pragma once

#include <dbui/Export.h>

namespace db {
class AttributeDef;
}
namespace wxUtils {
class OrkWindow;
}

namespace dbui {

class AttributeWidget;

/// A new, unbound editor widget for attributes of `def`, as a child of `parent`;
/// null when that kind of attribute has no editor. The caller binds it.
DBUI_EXPORT AttributeWidget* makeAttributeWidget(db::AttributeDef& def, wxUtils::OrkWindow* parent);

} // namespace dbui
