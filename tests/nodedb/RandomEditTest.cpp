// Model-based tests: random edit sequences checked against snapshots of the
// whole database, with an observer that rebuilds the node tree from change sets
// alone; and observers that come and go while being notified, checked against
// a reference model of the observer list's rules.

#include "NodeDbTestSupport.h"

#include <db/AttributeArray.h>
#include <db/BoolArrayAttribute.h>
#include <db/BoolAttribute.h>
#include <db/DoubleAttribute.h>
#include <db/EnumArrayAttribute.h>
#include <db/FloatArrayAttribute.h>
#include <db/IntArrayAttribute.h>
#include <db/Matrix34ArrayAttribute.h>
#include <db/Matrix34Attribute.h>
#include <db/NodeContainerDef.h>
#include <db/NodeDef.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/StringArrayAttribute.h>
#include <db/Vector3ArrayAttribute.h>
#include <db/Vector3Attribute.h>
#include <db/Visitor.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <unordered_map>

using namespace nodedbtest;

namespace {

bool longMode()
{
    const char* value = std::getenv("NODEDB_LONG_MODEL_TEST");
    return value && std::string(value) == "1";
}

class Collect : public db::Visitor
{
public:
    explicit Collect(int flags) : db::Visitor(flags) {}
    bool visitNodeEnter(db::Node* node) override
    {
        nodes.push_back(node);
        return true;
    }
    bool visitAttributeEnter(db::Attribute* attribute) override
    {
        attributes.push_back(attribute);
        return true;
    }
    std::vector<db::Node*> nodes;
    std::vector<db::Attribute*> attributes;
};

/// Keeps its own picture of the nodes (name and parent of each) from change
/// sets only, as a tree view does.
class MirrorObserver : public db::DatabaseObserver
{
public:
    struct Entry
    {
        std::wstring name;
        db::Node* parent;
    };

    explicit MirrorObserver(db::Database& database) : m_database(database)
    {
        Collect all(0);
        database.accept(&all);
        for (db::Node* node : all.nodes)
            m_nodes[node] = {node->getName(), node->getParentNode()};
        database.getObservers().add(this, ObserverMode::Deferred);
    }
    ~MirrorObserver() override { m_database.getObservers().remove(this, ObserverMode::Immediate); }

    void onDatabaseChanged(db::Database*, const db::ChangeSet& changes, bool) override
    {
        for (db::Node* node : changes.ReparentedNodes())
        {
            ASSERT_EQ(m_nodes.count(node), 1u) << "moved a node the mirror does not know";
            m_nodes[node].parent = node->getParentNode();
        }
        for (db::Node* node : changes.RemovedNodes())
            EXPECT_EQ(m_nodes.erase(node), 1u) << "removed a node twice or never added";
        for (db::Node* node : changes.RenamedNodes())
        {
            if (m_nodes.count(node))
                m_nodes[node].name = node->getName();
        }
        for (db::Node* node : changes.AddedNodes())
        {
            EXPECT_EQ(m_nodes.count(node), 0u) << "added a node twice";
            m_nodes[node] = {node->getName(), node->getParentNode()};
        }
    }

    void check() const
    {
        Collect all(0);
        m_database.accept(&all);
        ASSERT_EQ(all.nodes.size(), m_nodes.size());
        EXPECT_EQ(m_database.getTotalNodeCount(), all.nodes.size());
        for (db::Node* node : all.nodes)
        {
            const auto it = m_nodes.find(node);
            ASSERT_NE(it, m_nodes.end());
            EXPECT_EQ(it->second.name, node->getName());
            EXPECT_EQ(it->second.parent, node->getParentNode());
        }
    }

private:
    db::Database& m_database;
    std::unordered_map<db::Node*, Entry> m_nodes;
};

class RandomEditor
{
public:
    RandomEditor(db::Database& database, unsigned int seed) : m_database(database), m_rng(seed) {}

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_rng); }
    bool chance(int percent) { return pick(100) < percent; }

    std::vector<db::Node*> nodes()
    {
        Collect all(0);
        m_database.accept(&all);
        return all.nodes;
    }

    db::Node* anyNode(bool allowRoot)
    {
        std::vector<db::Node*> all = nodes();
        if (!allowRoot)
            all.erase(all.begin());
        return all.empty() ? nullptr : all[static_cast<std::size_t>(pick(static_cast<int>(all.size())))];
    }

    std::vector<db::Attribute*> attributesOf(db::Node& node)
    {
        Collect all(0);
        for (unsigned int i = 0; i < node.getAttributeCount(); ++i)
            collect(*node.getAttribute(i), all.attributes);
        return all.attributes;
    }

    static void collect(db::Attribute& attribute, std::vector<db::Attribute*>& out)
    {
        if (attribute.isNode())
            return;
        out.push_back(&attribute);
        if (attribute.isCompound() || attribute.isAttributeArray())
        {
            db::CompositeAttribute* composite = attribute.asCompositeAttribute();
            for (unsigned int i = 0; i < composite->getAttributeCount(); ++i)
                collect(*composite->getAttribute(i), out);
        }
    }

    void setRandomValue(db::Attribute& a)
    {
        const float f = static_cast<float>(pick(2000) - 1000) / 4.0f;
        if (auto* v = a.asIntAttribute())
            v->setValue(pick(3000) - 1500);
        else if (auto* v = a.asBoolAttribute())
            v->setValue(chance(50));
        else if (auto* v = a.asEnumAttribute())
            v->setValue(pick(4));
        else if (auto* v = a.asFloatAttribute())
            v->setValue(f);
        else if (auto* v = a.asDoubleAttribute())
            v->setValue(f * 3.0);
        else if (auto* v = a.asStringAttribute())
            v->setValue(L"s" + std::to_wstring(pick(100)));
        else if (auto* v = a.asVector3Attribute())
            v->setValue(OrkP::Vector3(f, -f, 1));
        else if (auto* v = a.asMatrix34Attribute())
        {
            OrkP::Matrix34 m;
            m.set(3, 1, f);
            v->setValue(m);
        }
        else if (auto* v = a.asPointerAttribute())
            v->setValue(chance(20) ? nullptr : anyNode(true));
        else if (db::ArrayAttribute* array = a.asArrayAttribute())
            editArray(*array);
        else if (db::AttributeArray* elements = a.asAttributeArray())
        {
            if (elements->getAttributeCount() > 0 && chance(40))
                elements->removeElement(static_cast<unsigned int>(pick(static_cast<int>(elements->getAttributeCount()))));
            else
                elements->add(chance(50));
        }
    }

    void editArray(db::ArrayAttribute& array)
    {
        const unsigned int size = array.getSize();
        const int choice = pick(4);
        if (choice == 0 && size > 0)
            array.removeElement(static_cast<unsigned int>(pick(static_cast<int>(size))));
        else if (choice == 1 && size > 0 && chance(30))
            array.clear();
        else if (auto* v = array.asFloatArrayAttribute(); v && size > 0 && choice == 2)
            v->setElement(0, static_cast<float>(pick(50)));
        else if (auto* p = array.asPointerArrayAttribute())
            p->add(anyNode(true));
        else if (auto* s = array.asStringArrayAttribute(); s && choice == 2)
            s->insert(0, L"first");
        else
            array.addDefault();
    }

    db::NodeContainer* anyContainer()
    {
        std::vector<db::NodeContainer*> containers;
        for (db::Node* node : nodes())
        {
            for (db::Attribute* attribute : attributesOf(*node))
            {
                if (db::NodeContainer* container = attribute->asNodeContainer())
                    containers.push_back(container);
            }
        }
        return containers[static_cast<std::size_t>(pick(static_cast<int>(containers.size())))];
    }

    void addNode()
    {
        if (nodes().size() > 40)
            return;
        db::NodeContainer* container = anyContainer();
        std::vector<db::NodeDef*> types;
        db::getCreatableTypes(container->getContainerDef().getContainedDef(), types);
        if (types.empty())
            return;
        db::Node* node = db::makeNode(types[static_cast<std::size_t>(pick(static_cast<int>(types.size())))]->getTypeId(),
                                      L"n" + std::to_wstring(pick(50)));
        const unsigned int index = static_cast<unsigned int>(pick(static_cast<int>(container->getNodeCount()) + 1));
        if (!container->insert(index, node))
            delete node;
    }

    void step(int depth)
    {
        switch (pick(14))
        {
        case 0:
        case 1:
        case 2: {
            db::Node* node = anyNode(true);
            std::vector<db::Attribute*> attributes = attributesOf(*node);
            if (!attributes.empty())
                setRandomValue(*attributes[static_cast<std::size_t>(pick(static_cast<int>(attributes.size())))]);
            break;
        }
        case 3:
            if (db::Node* node = anyNode(true))
                node->setName(L"r" + std::to_wstring(pick(20)));
            break;
        case 4:
        case 5:
            addNode();
            break;
        case 6:
            if (db::Node* node = anyNode(false); node && chance(60))
                node->remove();
            break;
        case 7:
            if (db::Node* node = anyNode(false))
            {
                db::NodeContainer* target = anyContainer();
                target->insert(static_cast<unsigned int>(pick(static_cast<int>(target->getNodeCount()) + 1)), node);
            }
            break;
        case 8:
            if (db::Node* node = anyNode(true))
            {
                if (node->getDynamicAttributeCount() > 0 && chance(40))
                    node->getAttribute(node->getAttributeCount() - 1)->remove();
                else if (chance(50))
                    node->addDynamicFloat(L"DynamicFloat", 1.5f, -10, 10);
                else
                    node->addDynamicStringArray(L"DynamicStringArray", L"x");
            }
            break;
        case 9:
            if (depth < 3)
            {
                db::ChangeBlock block(m_database, L"nested " + std::to_wstring(depth));
                const int count = 1 + pick(4);
                for (int i = 0; i < count; ++i)
                    step(depth + 1);
            }
            break;
        case 10:
            if (depth == 0)
                drag();
            break;
        case 11:
            if (depth == 0 && m_database.undo())
                m_last = Last::Undo;
            break;
        case 12:
            if (depth == 0 && m_database.redo())
                m_last = Last::Redo;
            break;
        default:
            if (chance(3))
                m_database.clear();
            break;
        }
    }

    void drag()
    {
        const std::string before = m_checkCancel ? describe(m_database) : std::string();
        m_database.beginChangeBlock(db::ChangeMode::Transient);
        const int steps = 1 + pick(4);
        for (int i = 0; i < steps; ++i)
        {
            step(2);
            m_database.commitTransient();
        }
        if (chance(30))
        {
            m_database.cancelChangeBlock();
            if (m_checkCancel)
            {
                EXPECT_EQ(describe(m_database), before) << "a cancelled drag left changes behind";
            }
        }
        else
            m_database.endChangeBlock(L"drag");
    }

    void setCheckCancel(bool check) { m_checkCancel = check; }

    enum class Last
    {
        Edit,
        Undo,
        Redo,
    };
    /// What the last top-level step did, then forgets it.
    Last takeLast()
    {
        const Last last = m_last;
        m_last = Last::Edit;
        return last;
    }

private:
    db::Database& m_database;
    std::mt19937 m_rng;
    bool m_checkCancel = true;
    Last m_last = Last::Edit;
};

void runSequence(unsigned int seed, int steps, bool snapshots)
{
    SCOPED_TRACE("seed " + std::to_string(seed));
    db::Database database(L"model");
    RandomEditor editor(database, seed);
    editor.setCheckCancel(snapshots);
    // A starting scene with some of everything.
    for (int i = 0; i < 6; ++i)
        editor.addNode();
    addNode(database, L"AllTypes", L"all");
    database.clearUndoHistory();

    MirrorObserver mirror(database);
    const std::string start = describe(database);
    std::vector<std::string> history{start};
    std::vector<std::string> future;

    for (int i = 0; i < steps; ++i)
    {
        const unsigned int undoBefore = database.getUndoStackSize();
        editor.step(0);
        ASSERT_FALSE(database.isInChangeBlock());
        mirror.check();
        if (::testing::Test::HasFatalFailure())
            return;
        const RandomEditor::Last last = editor.takeLast();
        if (!snapshots)
            continue;
        const unsigned int undoAfter = database.getUndoStackSize();
        if (last == RandomEditor::Last::Redo)
        {
            // The state after a step was saved when it was undone.
            history.push_back(future.back());
            future.pop_back();
            ASSERT_EQ(describe(database), history.back()) << "redo did not restore the state after the step";
        }
        else if (last == RandomEditor::Last::Undo)
        {
            future.push_back(history.back());
            history.pop_back();
            ASSERT_EQ(describe(database), history.back()) << "undo did not restore the state before the step";
        }
        else if (undoAfter == undoBefore + 1)
        {
            history.push_back(describe(database));
            future.clear();
        }
        else
        {
            ASSERT_EQ(undoAfter, undoBefore);
            ASSERT_EQ(describe(database), history.back()) << "a change left no undo step";
        }
    }

    const std::string end = describe(database);
    // Steps undone by the sequence itself stay on the redo stack; redo only what is undone here.
    int undone = 0;
    while (database.undo())
    {
        ++undone;
        mirror.check();
    }
    EXPECT_EQ(describe(database), start) << "undoing everything did not restore the start";
    for (int k = 0; k < undone; ++k)
    {
        database.redo();
        mirror.check();
    }
    EXPECT_EQ(describe(database), end) << "redoing everything did not restore the end";
}

TEST(RandomEdits, UndoAllRestoresTheStartAndRedoAllTheEnd)
{
    const bool extended = longMode();
    const unsigned int seeds = extended ? 1000 : 10;
    const int steps = extended ? 10000 : 200;
    for (unsigned int seed = 1; seed <= seeds; ++seed)
    {
        runSequence(seed, steps, !extended);
        if (::testing::Test::HasFailure())
            break;
    }
}

// ------------------------------------------------------------- observer churn

struct Action
{
    int target;
    bool add;
    ObserverMode mode;
};

/// What observer `who` does when told of notification `round`: the same in the
/// reference model and against the real list.
std::vector<Action> actionsFor(unsigned int seed, int round, int who, int population)
{
    std::mt19937 rng(seed * 7919u + static_cast<unsigned int>(round) * 131u + static_cast<unsigned int>(who));
    std::vector<Action> actions;
    const int count = static_cast<int>(rng() % 3);
    for (int i = 0; i < count; ++i)
    {
        Action action;
        action.target = static_cast<int>(rng() % static_cast<unsigned int>(population));
        action.add = rng() % 2 == 0;
        action.mode = rng() % 2 == 0 ? ObserverMode::Immediate : ObserverMode::Deferred;
        actions.push_back(action);
    }
    return actions;
}

/// The observer list's rules, written out plainly.
class ReferenceList
{
public:
    bool notifying = false;
    std::vector<int> observers;
    std::vector<int> pendingAdd;
    std::vector<int> pendingRemove;
    int reports = 0;

    static bool erase(std::vector<int>& list, int who)
    {
        for (auto it = list.begin(); it != list.end(); ++it)
        {
            if (*it == who)
            {
                list.erase(it);
                return true;
            }
        }
        return false;
    }
    static bool contains(const std::vector<int>& list, int who)
    {
        return std::find(list.begin(), list.end(), who) != list.end();
    }

    void add(int who, ObserverMode mode)
    {
        if (erase(pendingRemove, who))
            return;
        std::vector<int>& list = notifying && mode == ObserverMode::Deferred ? pendingAdd : observers;
        if (!contains(list, who))
            list.push_back(who);
    }
    void remove(int who, ObserverMode mode)
    {
        if (erase(pendingAdd, who))
            return;
        const auto it = std::find(observers.begin(), observers.end(), who);
        if (it == observers.end())
        {
            ++reports;
            return;
        }
        if (!notifying)
            observers.erase(it);
        else if (mode == ObserverMode::Immediate)
        {
            *it = -1;
            erase(pendingRemove, who);
        }
        else if (!contains(pendingRemove, who))
            pendingRemove.push_back(who);
    }
    template <class F>
    void notify(F&& call)
    {
        notifying = true;
        for (std::size_t i = 0; i < observers.size(); ++i)
        {
            if (observers[i] >= 0)
                call(observers[i]);
        }
        notifying = false;
        observers.erase(std::remove(observers.begin(), observers.end(), -1), observers.end());
        for (int who : pendingRemove)
            erase(observers, who);
        pendingRemove.clear();
        for (int who : pendingAdd)
        {
            if (!contains(observers, who))
                observers.push_back(who);
        }
        pendingAdd.clear();
    }
};

class CountingReporter : public ErrorReporter
{
public:
    void report(int severity, const std::wstring& message) override
    {
        EXPECT_EQ(severity, 1);
        EXPECT_EQ(message, L"Observer not found in ObserverManager::remove()");
        ++count;
    }
    int count = 0;
};

class ChurningObserver : public db::DatabaseObserver
{
public:
    ChurningObserver(int id, std::vector<ChurningObserver*>& all, std::vector<std::string>& log, unsigned int seed)
        : m_id(id), m_all(all), m_log(log), m_seed(seed)
    {
    }
    void onDatabaseChanged(db::Database* database, const db::ChangeSet&, bool) override
    {
        m_log.push_back("c" + std::to_string(m_id));
        for (const Action& action : actionsFor(m_seed, round, m_id, static_cast<int>(m_all.size())))
        {
            if (action.add)
                database->getObservers().add(m_all[static_cast<std::size_t>(action.target)], action.mode);
            else
                database->getObservers().remove(m_all[static_cast<std::size_t>(action.target)], action.mode);
        }
    }
    void postDatabaseChanged(db::Database*, bool) override { m_log.push_back("p" + std::to_string(m_id)); }

    static int round;

private:
    int m_id;
    std::vector<ChurningObserver*>& m_all;
    std::vector<std::string>& m_log;
    unsigned int m_seed;
};

int ChurningObserver::round = 0;

TEST(ObserverChurn, ObserversComingAndGoingDuringNotificationsFollowTheListRules)
{
    CountingReporter reporter;
    db::Database::setErrorReporter(&reporter);
    const unsigned int seeds = longMode() ? 500 : 40;
    for (unsigned int seed = 1; seed <= seeds; ++seed)
    {
        SCOPED_TRACE("seed " + std::to_string(seed));
        db::Database database;
        db::Node* light = addNode(database, L"Light", L"l");
        const int population = 6;
        std::vector<std::string> log;
        std::vector<std::string> expected;
        std::vector<ChurningObserver*> all;
        std::vector<std::unique_ptr<ChurningObserver>> owned;
        for (int i = 0; i < population; ++i)
        {
            owned.push_back(std::make_unique<ChurningObserver>(i, all, log, seed));
            all.push_back(owned.back().get());
        }
        ReferenceList model;
        for (int i = 0; i < population; i += 2)
        {
            database.getObservers().add(all[static_cast<std::size_t>(i)], ObserverMode::Deferred);
            model.add(i, ObserverMode::Deferred);
        }
        reporter.count = 0;
        for (int round = 0; round < 12; ++round)
        {
            ChurningObserver::round = round;
            light->findAttribute(L"range")->asFloatAttribute()->setValue(static_cast<float>(round));
            model.notify([&](int who) {
                expected.push_back("c" + std::to_string(who));
                for (const Action& action : actionsFor(seed, round, who, population))
                {
                    if (action.add)
                        model.add(action.target, action.mode);
                    else
                        model.remove(action.target, action.mode);
                }
            });
            model.notify([&](int who) { expected.push_back("p" + std::to_string(who)); });
            ASSERT_EQ(log, expected) << "round " << round;
            EXPECT_EQ(reporter.count, model.reports);
            EXPECT_EQ(database.getObservers().count(), model.observers.size());
        }
        for (ChurningObserver* observer : all)
        {
            if (database.getObservers().contains(observer))
                database.getObservers().remove(observer, ObserverMode::Immediate);
        }
    }
    db::Database::setErrorReporter(nullptr);
}

} // namespace
