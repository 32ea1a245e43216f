#include <dbui/AttributeWidgetRegistry.h>

#include <db/AttributeDef.h>

#include <wx/debug.h>

#include <algorithm>
#include <vector>

namespace dbui
{

namespace
{

/// Kinds of registration, the most specific first: make tries them in this order.
enum class Kind
{
    Predicate,
    Hint,
    Type,
};

struct Registration
{
    AttributeWidgetRegistry::Id id;
    Kind kind;
    AttributeWidgetRegistry::Predicate predicate;
    std::wstring hint;
    db::AttributeType type;
    AttributeWidgetCreator creator;
};

/// In the order made: the latest of a kind is tried first.
std::vector<Registration> s_registrations;
AttributeWidgetRegistry::Id s_lastId = 0;

AttributeWidgetRegistry::Id add(Registration registration)
{
    wxASSERT_MSG(registration.creator, "register a creator that makes widgets");
    registration.id = ++s_lastId;
    s_registrations.push_back(std::move(registration));
    return s_lastId;
}

bool takes(const Registration& registration, const db::AttributeDef& def, const db::NodeDef* nodeType)
{
    switch (registration.kind)
    {
    case Kind::Predicate:
        return registration.predicate(def, nodeType);
    case Kind::Hint:
        return registration.hint == def.getEditorHint();
    case Kind::Type:
        return registration.type == def.getAttributeType();
    }
    return false;
}

} // namespace

AttributeWidgetRegistry::Id AttributeWidgetRegistry::addForPredicate(Predicate predicate,
                                                                     AttributeWidgetCreator creator)
{
    wxASSERT_MSG(predicate, "a predicate registration needs a predicate");
    return add({0, Kind::Predicate, std::move(predicate), {}, db::Invalid, std::move(creator)});
}

AttributeWidgetRegistry::Id AttributeWidgetRegistry::addForHint(const std::wstring& hint,
                                                                AttributeWidgetCreator creator)
{
    wxASSERT_MSG(!hint.empty(), "an empty hint would serve every attribute without one; register by type");
    return add({0, Kind::Hint, {}, hint, db::Invalid, std::move(creator)});
}

AttributeWidgetRegistry::Id AttributeWidgetRegistry::addForType(db::AttributeType type, AttributeWidgetCreator creator)
{
    return add({0, Kind::Type, {}, {}, type, std::move(creator)});
}

bool AttributeWidgetRegistry::remove(Id id)
{
    auto found = std::find_if(s_registrations.begin(), s_registrations.end(),
                              [id](const Registration& registration) { return registration.id == id; });
    if (found == s_registrations.end())
        return false;
    s_registrations.erase(found);
    return true;
}

AttributeWidget* AttributeWidgetRegistry::make(db::AttributeDef& def, const db::NodeDef* nodeType, wxWindow* parent)
{
    for (Kind kind : {Kind::Predicate, Kind::Hint, Kind::Type})
    {
        for (auto it = s_registrations.rbegin(); it != s_registrations.rend(); ++it)
        {
            if (it->kind != kind || !takes(*it, def, nodeType))
                continue;
            if (AttributeWidget* widget = it->creator(def, parent))
                return widget;
        }
    }
    return nullptr;
}

bool AttributeWidgetRegistry::serves(const db::AttributeDef& def, const db::NodeDef* nodeType)
{
    return std::any_of(s_registrations.begin(), s_registrations.end(),
                       [&](const Registration& registration) { return takes(registration, def, nodeType); });
}

} // namespace dbui
