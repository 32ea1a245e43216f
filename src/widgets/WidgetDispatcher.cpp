#include "widgets/WidgetDispatcher.h"

#include <dbui/AttributeWidget.h>

#include <db/Attribute.h>
#include <db/ChangeSet.h>
#include <db/Database.h>
#include <foundations/ObserverManager.h>

#include <wx/window.h>

#include <absl/container/flat_hash_set.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace dbui
{

namespace
{

absl::flat_hash_map<const wxWindow*, WidgetDispatcher*>& hosts()
{
    static absl::flat_hash_map<const wxWindow*, WidgetDispatcher*> s_hosts;
    return s_hosts;
}

} // namespace

/// The widgets of one database.
struct WidgetDispatcher::Table
{
    /// The callable widgets, in order of registration.
    ObserverManager<AttributeWidget> widgets;
    /// Widgets bound while the database notified, with the number of that
    /// notification: they join `widgets` once it is over. An entry whose
    /// widget left again is no longer in `arrivingIn`.
    std::vector<std::pair<AttributeWidget*, std::uint64_t>> arriving;
    absl::flat_hash_map<const AttributeWidget*, std::uint64_t> arrivingIn;
    /// Every registered widget under the definition of each attribute bound
    /// to it, and the definitions under which each widget is. Attributes of
    /// one definition mostly go to one widget: an inspector of 200,000 nodes
    /// binds 1.8 million attributes under a dozen definitions.
    absl::flat_hash_map<const db::AttributeDef*, absl::flat_hash_set<AttributeWidget*>> byDefinition;
    absl::flat_hash_map<const AttributeWidget*, std::vector<const db::AttributeDef*>> definitionsOf;

    bool isEmpty() const { return widgets.count() == 0 && arrivingIn.empty(); }

    void learn(AttributeWidget& widget)
    {
        std::vector<const db::AttributeDef*>& definitions = definitionsOf[&widget];
        const db::AttributeDef* last = nullptr;
        for (const db::Attribute* attribute : widget.getAttributes())
        {
            const db::AttributeDef* definition = &attribute->getDef();
            if (definition != last && byDefinition[definition].insert(&widget).second)
                definitions.push_back(definition);
            last = definition;
        }
    }

    /// Touches no attribute: they may be gone already.
    void forget(AttributeWidget& widget)
    {
        const auto it = definitionsOf.find(&widget);
        if (it == definitionsOf.end())
            return;
        for (const db::AttributeDef* definition : it->second)
        {
            const auto bound = byDefinition.find(definition);
            bound->second.erase(&widget);
            if (bound->second.empty())
                byDefinition.erase(bound);
        }
        definitionsOf.erase(it);
    }

    /// Makes the widgets bound during notifications that are over callable,
    /// in the order they were bound.
    void settle(ObserverManager<db::DatabaseObserver>& databaseList)
    {
        if (arriving.empty() || widgets.isNotifying())
            return;
        const bool notifying = databaseList.isNotifying();
        const std::uint64_t running = databaseList.notificationCount();
        std::size_t settled = 0;
        for (; settled < arriving.size(); ++settled)
        {
            const auto [widget, notification] = arriving[settled];
            if (notifying && notification == running)
                break;
            const auto it = arrivingIn.find(widget);
            if (it == arrivingIn.end() || it->second != notification)
                continue;
            arrivingIn.erase(it);
            widgets.add(widget, ObserverMode::Immediate);
        }
        arriving.erase(arriving.begin(), arriving.begin() + static_cast<std::ptrdiff_t>(settled));
    }

    /// The widgets bound to an attribute of the definition of one that
    /// `changes` touched: those bound to a touched attribute and maybe others,
    /// which find nothing of theirs in the change, as they would if the
    /// database told them itself.
    std::vector<AttributeWidget*> touchedBy(const db::ChangeSet& changes) const
    {
        std::vector<AttributeWidget*> touched;
        absl::flat_hash_set<const db::AttributeDef*> seen;
        const db::AttributeDef* last = nullptr;
        auto collect = [&](const db::Attribute* attribute)
        {
            const db::AttributeDef* definition = &attribute->getDef();
            if (definition == last)
                return;
            last = definition;
            const auto it = byDefinition.find(definition);
            if (it != byDefinition.end() && seen.insert(definition).second)
                touched.insert(touched.end(), it->second.begin(), it->second.end());
        };
        for (const db::Attribute* attribute : changes.ChangedAttributes())
            collect(attribute);
        for (const db::Attribute* attribute : changes.StructurallyChangedAttributes())
            collect(attribute);
        return touched;
    }
};

WidgetDispatcher::WidgetDispatcher(wxWindow& host) : m_host(host)
{
    hosts()[&m_host] = this;
}

WidgetDispatcher::~WidgetDispatcher()
{
    hosts().erase(&m_host);
    // The host is going and its widgets with it, but some may have moved to
    // other windows, and the last ones still hear of what their neighbours'
    // destructors do: they keep being told as before, by the database itself.
    for (auto& [database, table] : m_tables)
    {
        std::vector<AttributeWidget*> widgets;
        table->widgets.notify([&widgets](AttributeWidget* widget) { widgets.push_back(widget); });
        for (const auto& [widget, notification] : table->arriving)
        {
            const auto it = table->arrivingIn.find(widget);
            if (it != table->arrivingIn.end() && it->second == notification)
                widgets.push_back(widget);
        }
        for (AttributeWidget* widget : widgets)
        {
            widget->m_dispatcher = nullptr;
            database->getObservers().add(widget, ObserverMode::Deferred);
        }
        database->getObservers().remove(this, ObserverMode::Immediate);
    }
}

WidgetDispatcher* WidgetDispatcher::outermostAbove(const wxWindow& widget)
{
    const auto& all = hosts();
    if (all.empty())
        return nullptr;
    WidgetDispatcher* outermost = nullptr;
    for (const wxWindow* window = widget.GetParent(); window; window = window->GetParent())
    {
        const auto it = all.find(window);
        if (it != all.end())
            outermost = it->second;
        if (window->IsTopLevel())
            break;
    }
    return outermost;
}

void WidgetDispatcher::add(AttributeWidget& widget, db::Database& database)
{
    std::unique_ptr<Table>& slot = m_tables[&database];
    if (!slot)
    {
        slot = std::make_unique<Table>();
        database.getObservers().add(this, ObserverMode::Deferred);
    }
    Table& table = *slot;
    ObserverManager<db::DatabaseObserver>& databaseList = database.getObservers();
    table.settle(databaseList);
    table.learn(widget);
    if (!databaseList.isNotifying())
    {
        table.widgets.add(&widget, ObserverMode::Deferred);
        return;
    }
    const std::uint64_t notification = databaseList.notificationCount();
    table.arrivingIn[&widget] = notification;
    table.arriving.emplace_back(&widget, notification);
}

void WidgetDispatcher::remove(AttributeWidget& widget, db::Database& database)
{
    const auto it = m_tables.find(&database);
    wxCHECK_RET(it != m_tables.end(), "remove a widget from the dispatcher it was added to");
    Table& table = *it->second;
    table.forget(widget);
    if (table.arrivingIn.erase(&widget) == 0)
        table.widgets.remove(&widget, ObserverMode::Immediate);
    dropIfEmpty(database);
}

void WidgetDispatcher::forgetAttributes(AttributeWidget& widget, db::Database& database)
{
    const auto it = m_tables.find(&database);
    if (it != m_tables.end())
        it->second->forget(widget);
}

void WidgetDispatcher::learnAttributes(AttributeWidget& widget, db::Database& database)
{
    const auto it = m_tables.find(&database);
    if (it != m_tables.end())
        it->second->learn(widget);
}

WidgetDispatcher::Table* WidgetDispatcher::settledTable(db::Database* database)
{
    const auto it = m_tables.find(database);
    if (it == m_tables.end())
        return nullptr;
    it->second->settle(database->getObservers());
    return it->second.get();
}

void WidgetDispatcher::dropIfEmpty(db::Database& database)
{
    const auto it = m_tables.find(&database);
    // Not while the table is being walked: the walk drops it when done.
    if (it == m_tables.end() || it->second->widgets.isNotifying() || !it->second->isEmpty())
        return;
    m_tables.erase(it);
    database.getObservers().remove(this, ObserverMode::Immediate);
}

void WidgetDispatcher::onDatabaseChanged(db::Database* database, const db::ChangeSet& changes, bool transient)
{
    Table* table = settledTable(database);
    if (!table)
        return;
    table->widgets.notifyAmong(
        table->touchedBy(changes), [&](AttributeWidget* widget)
        { static_cast<db::DatabaseObserver*>(widget)->onDatabaseChanged(database, changes, transient); });
    dropIfEmpty(*database);
}

void WidgetDispatcher::postDatabaseChanged(db::Database* database, bool transient)
{
    Table* table = settledTable(database);
    if (!table)
        return;
    table->widgets.notify([&](AttributeWidget* widget)
                          { static_cast<db::DatabaseObserver*>(widget)->postDatabaseChanged(database, transient); });
    dropIfEmpty(*database);
}

void WidgetDispatcher::onDatabaseDestroyed(db::Database* database)
{
    Table* table = settledTable(database);
    if (!table)
        return;
    table->widgets.notify([&](AttributeWidget* widget)
                          { static_cast<db::DatabaseObserver*>(widget)->onDatabaseDestroyed(database); });
    dropIfEmpty(*database);
    wxASSERT_MSG(m_tables.find(database) == m_tables.end(), "a widget kept a database that was destroyed");
}

} // namespace dbui
