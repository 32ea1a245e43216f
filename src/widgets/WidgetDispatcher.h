#pragma once

#include <db/DatabaseObserver.h>

#include <absl/container/flat_hash_map.h>

#include <memory>

class wxWindow;

namespace db
{
class Database;
} // namespace db

namespace dbui
{

class AttributeWidget;

/// Observes a database once for all the attribute widgets inside one window
/// (the inspector, a compound or attribute-array widget) and hands each change
/// only to the widgets bound to attributes of the definitions it touched: the
/// few widgets a change may concern, found without indexing every attribute.
/// Every widget gets the calls, in the order, that it would get registered with
/// the database itself: a widget bound while the database notifies is first
/// called in the next notification, one unbound gets no further call.
class WidgetDispatcher : public db::DatabaseObserver
{
public:
    /// Serves the widgets inside `host` (which outlives it) from now on.
    explicit WidgetDispatcher(wxWindow& host);
    /// Widgets still registered here go back to their databases' own lists.
    ~WidgetDispatcher() override;

    WidgetDispatcher(const WidgetDispatcher&) = delete;
    WidgetDispatcher& operator=(const WidgetDispatcher&) = delete;

    /// The dispatcher of the outermost window above `widget` that has one, or
    /// null: nested compounds and arrays share their inspector's.
    static WidgetDispatcher* outermostAbove(const wxWindow& widget);

    /// Registers `widget`, bound to attributes of `database`, in deferred mode.
    void add(AttributeWidget& widget, db::Database& database);
    /// Unregisters `widget` in immediate mode.
    void remove(AttributeWidget& widget, db::Database& database);
    ///@{
    /// Called before and after the bound list of a registered widget changes.
    void forgetAttributes(AttributeWidget& widget, db::Database& database);
    void learnAttributes(AttributeWidget& widget, db::Database& database);
    ///@}

private:
    struct Table;

    void onDatabaseChanged(db::Database* database, const db::ChangeSet& changes, bool transient) override;
    void postDatabaseChanged(db::Database* database, bool transient) override;
    void onDatabaseDestroyed(db::Database* database) override;

    /// The widgets of `database`, those bound during earlier notifications
    /// made callable; null when there are none.
    Table* settledTable(db::Database* database);
    void dropIfEmpty(db::Database& database);

    wxWindow& m_host;
    absl::flat_hash_map<db::Database*, std::unique_ptr<Table>> m_tables;
};

} // namespace dbui
