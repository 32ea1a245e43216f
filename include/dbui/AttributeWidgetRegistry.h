#pragma once

#include <dbui/AttributeWidgetCreator.h>
#include <dbui/Export.h>

#include <db/AttributeType.h>

#include <functional>
#include <string>

class wxWindow;

namespace db
{
class AttributeDef;
class NodeDef;
} // namespace db

namespace dbui
{

class AttributeWidget;

/// The editor widgets a host adds to the library's own. A registration names
/// the attributes it serves by a predicate over their definition and node
/// type, by the schema's editor hint, or by attribute type; the most specific
/// kind that matches wins (predicate, then hint, then type; among registrations
/// of one kind the latest), before the library's own choice, wherever an
/// attribute's widget is made. With nothing registered, every widget is the
/// library's own.
class DBUI_EXPORT AttributeWidgetRegistry
{
public:
    /// Names one registration, for remove; never 0.
    using Id = unsigned int;
    /// Chooses the attributes of `def` on nodes of `nodeType` (the type the
    /// edited nodes share; null when the maker does not know it).
    using Predicate = std::function<bool(const db::AttributeDef& def, const db::NodeDef* nodeType)>;

    ///@{
    /// Makes the widgets of the attributes chosen, with `creator`. A creator may
    /// return null to leave an attribute to the registrations below it.
    static Id addForPredicate(Predicate predicate, AttributeWidgetCreator creator);
    static Id addForHint(const std::wstring& hint, AttributeWidgetCreator creator);
    static Id addForType(db::AttributeType type, AttributeWidgetCreator creator);
    ///@}
    /// Takes a registration away; false when there is none of that id. Widgets made stay.
    static bool remove(Id id);

    /// The widget of the most specific registration that takes `def`, or null
    /// when none does (the library then makes its own).
    static AttributeWidget* make(db::AttributeDef& def, const db::NodeDef* nodeType, wxWindow* parent);
    /// Whether any registration takes `def`, without making a widget (its creator may still decline).
    static bool serves(const db::AttributeDef& def, const db::NodeDef* nodeType);
};

} // namespace dbui
