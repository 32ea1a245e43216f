#pragma once

#include <db/AttributeArray.h>
#include <db/ChangeBlock.h>
#include <db/ChangeSet.h>
#include <db/Database.h>
#include <db/EnumAttribute.h>
#include <db/FloatAttribute.h>
#include <db/IntAttribute.h>
#include <db/Node.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/StringAttribute.h>
#include <db/Visitor.h>

#include <sstream>
#include <string>
#include <vector>

namespace nodedbtest
{

/// Remembers every report a database sends.
class RecordingObserver : public db::DatabaseObserver
{
public:
    struct Report
    {
        db::ChangeSet changes;
        bool transient;
    };

    explicit RecordingObserver(db::Database& database) : m_database(database)
    {
        m_database.getObservers().add(this, ObserverMode::Deferred);
    }
    ~RecordingObserver() override { m_database.getObservers().remove(this, ObserverMode::Immediate); }

    void onDatabaseChanged(db::Database*, const db::ChangeSet& changes, bool transient) override
    {
        reports.push_back({changes, transient});
    }
    void postDatabaseChanged(db::Database*, bool) override { ++postCount; }

    const db::ChangeSet& last() const { return reports.back().changes; }

    std::vector<Report> reports;
    int postCount = 0;

private:
    db::Database& m_database;
};

/// A node of the example schema added under `parent` (the root when null).
inline db::Node* addNode(db::Database& database, const std::wstring& type, const std::wstring& name,
                         db::Node* parent = nullptr)
{
    db::Node* node = db::makeNode(type, name);
    db::NodeContainer* container =
        parent ? parent->findAttribute(L"children")->asNodeContainer() : &database.getRootContainer();
    container->add(node);
    return node;
}

/// Every node and attribute value of a tree as text, with node identities, for
/// comparing whole states.
std::string describe(db::Attribute& root);

/// Every node and attribute below a root, the root included, parents first.
class Everything : public db::Visitor
{
public:
    Everything() : db::Visitor(VisitAttributes) {}
    bool visitNodeEnter(db::Node* node) override
    {
        all.push_back(node);
        return true;
    }
    bool visitAttributeEnter(db::Attribute* attribute) override
    {
        all.push_back(attribute);
        return true;
    }
    std::vector<db::Attribute*> all;
};

} // namespace nodedbtest
