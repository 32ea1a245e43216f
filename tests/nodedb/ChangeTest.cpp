#include "NodeDbTestSupport.h"

#include <db/IntArrayAttribute.h>
#include <db/PointerArrayAttribute.h>
#include <db/PointerAttribute.h>
#include <db/Registry.h>
#include <db/UndoObserver.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

using namespace nodedbtest;

namespace
{

db::FloatAttribute* intensityOf(db::Node* light)
{
    return light->findAttribute(L"intensity")->asFloatAttribute();
}

// Nested blocks, their descriptions and their undo are the random edit test's.
TEST(ChangeBlocks, EditsOutsideBlocksAreStepsOfTheirOwnAndEmptyBlocksNone)
{
    db::Database database;
    db::Node* light = addNode(database, L"Light", L"sun");
    database.clearUndoHistory();
    RecordingObserver observer(database);
    {
        // A block on no database is harmless.
        db::ChangeBlock harmless(nullptr, L"ignored");
        intensityOf(light)->setValue(4);
        light->setName(L"star");
    }
    EXPECT_EQ(observer.reports.size(), 2u);
    EXPECT_EQ(database.getUndoStackSize(), 2u);
    EXPECT_EQ(database.getUndoDescription(0), L"Set value");
    EXPECT_EQ(database.getUndoDescription(1), L"Rename node");
    {
        db::ChangeBlock empty(database, L"Delete nodes");
    }
    EXPECT_EQ(database.getUndoStackSize(), 2u);
    EXPECT_EQ(observer.reports.size(), 2u);
}

TEST(ChangeBlocks, ChangeSetsAnswerForExactlyTheAttributesTouched)
{
    db::Database database;
    db::Node* group = addNode(database, L"Group", L"g");
    db::Node* child = addNode(database, L"Light", L"child", group);
    db::Node* other = addNode(database, L"Light", L"other");
    RecordingObserver observer(database);
    auto* container = group->findAttribute(L"children");

    intensityOf(child)->setValue(9);
    const db::ChangeSet& value = observer.last();
    EXPECT_TRUE(value.hasChangedAny({intensityOf(other), intensityOf(child)}, false));
    EXPECT_FALSE(value.hasChangedAny({intensityOf(other), container}, false));
    EXPECT_TRUE(value.hasChangedAny({child}, true));
    EXPECT_TRUE(value.hasChangedAny({group}, true));
    EXPECT_FALSE(value.hasChangedAny({other}, true));

    // A node container changes with the nodes it holds: added, renamed, removed.
    child->setName(L"renamed");
    EXPECT_TRUE(observer.last().hasChangedAny({container}, false));
    other->remove();
    EXPECT_FALSE(observer.last().hasChangedAny({container}, false));
    EXPECT_TRUE(observer.last().hasChangedAny({&database.getRootContainer()}, false));
    group->findAttribute(L"children")->asNodeContainer()->add(db::makeNode(L"Mesh", L"m"));
    EXPECT_TRUE(observer.last().hasChangedAny({container}, false));
}

TEST(ChangeBlocks, DeletedSubtreesAreReportedParentsFirstAndANodeThatCameAndWentNotAtAll)
{
    db::Database database;
    db::Node* group = addNode(database, L"Group", L"g");
    db::Node* a = addNode(database, L"Group", L"a", group);
    db::Node* b = addNode(database, L"Mesh", L"b", a);
    RecordingObserver observer(database);
    {
        db::ChangeBlock block(database, L"churn");
        db::Node* temporary = addNode(database, L"Light", L"t");
        temporary->setName(L"t2");
        temporary->remove();
        b->setName(L"b2");
    }
    EXPECT_EQ(observer.last().RenamedNodes(), std::vector<db::Node*>{b});
    group->remove();
    EXPECT_EQ(observer.last().RemovedNodes(), (std::vector<db::Node*>{group, a, b}));
}

// How a drag ends (one step, or nothing left when cancelled) is the random edit test's.
TEST(ChangeBlocks, TransientDragsReportEachStepAndACancelSaysWhatItPutBack)
{
    db::Database database;
    db::Node* light = addNode(database, L"Light", L"sun");
    database.clearUndoHistory();
    RecordingObserver observer(database);
    database.beginChangeBlock(2);
    for (int i = 0; i < 3; ++i)
    {
        intensityOf(light)->setValue(intensityOf(light)->getValue() + 1);
        database.commitTransient();
    }
    ASSERT_EQ(observer.reports.size(), 3u);
    EXPECT_TRUE(observer.reports[0].transient);
    EXPECT_TRUE(observer.reports[0].changes.hasChangedAny({intensityOf(light)}, false));
    EXPECT_FALSE(database.canUndo());
    database.cancelChangeBlock();
    EXPECT_FLOAT_EQ(intensityOf(light)->getValue(), 1.0f);
    EXPECT_EQ(observer.last().getOrigin(), db::ChangeSet::Origin::Cancel);
    EXPECT_TRUE(observer.last().hasChangedAny({intensityOf(light)}, false));
}

class UndoLog : public db::UndoObserver
{
public:
    void onUndoStackPushed(db::Database*) override { log += "U+"; }
    void onUndoStackPopped(db::Database*) override { log += "U-"; }
    void onUndoStackPoppedFront(db::Database*) override { log += "U<"; }
    void onRedoStackPushed(db::Database*) override { log += "R+"; }
    void onRedoStackPopped(db::Database*) override { log += "R-"; }
    std::string log;
};

TEST(UndoHistory, StacksAreFollowedStepByStepAndLimitedAndTheCheckpointFollowsThePosition)
{
    db::Database database;
    db::Node* light = addNode(database, L"Light", L"sun");
    database.clearUndoHistory();
    UndoLog log;
    database.getUndoObservers().add(&log, ObserverMode::Deferred);

    intensityOf(light)->setValue(2);
    intensityOf(light)->setValue(3);
    database.undo();
    EXPECT_EQ(log.log, "U+U+U-R+");
    intensityOf(light)->setValue(5);
    EXPECT_EQ(log.log, "U+U+U-R+R-U+");
    EXPECT_EQ(database.getRedoStackSize(), 0u);

    log.log.clear();
    database.setMaxUndoItems(1);
    EXPECT_EQ(log.log, "U<");
    intensityOf(light)->setValue(6);
    EXPECT_EQ(log.log, "U<U+U<");
    EXPECT_EQ(database.getUndoStackSize(), 1u);
    database.setMaxUndoItems(0);
    intensityOf(light)->setValue(7);
    EXPECT_FALSE(database.canUndo());
    EXPECT_EQ(database.getMaxUndoItems(), 0);
    database.setMaxUndoItems(-1);
    EXPECT_EQ(database.getMaxUndoItems(), -1);

    EXPECT_FALSE(database.undo());
    database.getUndoObservers().remove(&log, ObserverMode::Immediate);

    // The checkpoint follows the undo position.
    database.clearUndoHistory();
    database.setCheckpoint();
    EXPECT_FALSE(database.hasChangedSinceCheckpoint());
    intensityOf(light)->setValue(2);
    EXPECT_TRUE(database.hasChangedSinceCheckpoint());
    database.undo();
    EXPECT_FALSE(database.hasChangedSinceCheckpoint());
    database.redo();
    database.setCheckpoint();
    intensityOf(light)->setValue(3);
    database.undo();
    EXPECT_FALSE(database.hasChangedSinceCheckpoint());
    database.undo();
    EXPECT_TRUE(database.hasChangedSinceCheckpoint());

    // Forgetting history keeps the saved/unsaved state.
    database.clearUndoHistory();
    EXPECT_TRUE(database.hasChangedSinceCheckpoint());
    database.setCheckpoint();
    database.clearUndoHistory();
    EXPECT_FALSE(database.hasChangedSinceCheckpoint());

    // An edit that the limit drops at once still counts as a change.
    database.setMaxUndoItems(0);
    intensityOf(light)->setValue(8);
    EXPECT_TRUE(database.hasChangedSinceCheckpoint());
}

TEST(UndoHistory, ClearingTheDatabaseIsUndoableAndMemoryIsAccounted)
{
    db::Database database(L"doc");
    for (int i = 0; i < 20; ++i)
        addNode(database, L"AllTypes", L"n" + std::to_wstring(i));
    database.addDynamicBool(L"flag", true);
    database.clearUndoHistory();
    EXPECT_EQ(database.getUndoMemoryUsage(), 0u);
    const std::string before = describe(database);
    const std::size_t attributes = database.getTotalAttributeCount();

    RecordingObserver observer(database);
    {
        // Inside a block, a document's clearing is the plain, undoable one.
        db::ChangeBlock block(database, L"New Document");
        database.clearAndForgetHistory();
        database.setCheckpoint();
    }
    EXPECT_EQ(database.getRootContainer().getNodeCount(), 0u);
    EXPECT_EQ(database.getTotalNodeCount(), 1u);
    EXPECT_EQ(database.getTotalAttributeCount(), 2u);
    EXPECT_EQ(database.name(), L"doc");
    EXPECT_EQ(observer.last().RemovedNodes().size(), 20u);
    EXPECT_EQ(database.getUndoStackSize(), 1u);
    EXPECT_GT(database.getUndoMemoryUsage(), 20u * 30u * 32u);

    database.undo();
    EXPECT_EQ(describe(database), before);
    EXPECT_EQ(database.getTotalAttributeCount(), attributes);
    database.clearUndoHistory();
    EXPECT_EQ(database.getUndoMemoryUsage(), 0u);
}

TEST(DatabaseName, SettingTheNameSetsTheNameAttribute)
{
    db::Database database(L"first");
    database.setName(L"third");
    EXPECT_EQ(database.name(), L"third");
}

class RegistryLog : public db::RegistryObserver
{
public:
    void onDatabaseRegistered(db::Database* d) override { seen.push_back(d); }
    void onDatabaseUnregistered(db::Database* d) override { gone.push_back(d); }
    std::vector<db::Database*> seen;
    std::vector<db::Database*> gone;
};

TEST(DatabaseRegistry, DatabasesComeAndGoInOrder)
{
    RegistryLog log;
    db::Registry::getInstance().getObservers().add(&log, ObserverMode::Deferred);
    db::Database* raw = nullptr;
    {
        db::Database database(L"registered");
        raw = &database;
        const auto& all = db::Registry::getInstance().getRegisteredDatabases();
        EXPECT_EQ(all.back(), &database);
    }
    db::Registry::getInstance().getObservers().remove(&log, ObserverMode::Immediate);
    EXPECT_EQ(log.seen, std::vector<db::Database*>{raw});
    EXPECT_EQ(log.gone, std::vector<db::Database*>{raw});
    for (db::Database* d : db::Registry::getInstance().getRegisteredDatabases())
        EXPECT_NE(d, raw);
}

/// A view that holds its database until told it goes.
class HoldingObserver : public db::DatabaseObserver
{
public:
    explicit HoldingObserver(db::Database& database, bool removeItself) : held(&database), m_removeItself(removeItself)
    {
        database.getObservers().add(this, ObserverMode::Deferred);
    }
    void onDatabaseDestroyed(db::Database* database) override
    {
        ASSERT_EQ(database, held);
        const auto& registered = db::Registry::getInstance().getRegisteredDatabases();
        stillWhole = database->getName() == L"going" &&
                     std::find(registered.begin(), registered.end(), database) != registered.end();
        if (m_removeItself)
            database->getObservers().remove(this, ObserverMode::Immediate);
        held = nullptr;
        ++told;
    }
    db::Database* held;
    bool stillWhole = false;
    int told = 0;

private:
    bool m_removeItself;
};

TEST(DatabaseObservers, AreToldFirstWhenTheirDatabaseIsDestroyed)
{
    auto database = std::make_unique<db::Database>(L"going");
    HoldingObserver leaving(*database, true);
    HoldingObserver staying(*database, false);
    database.reset();
    for (const HoldingObserver* observer : {&leaving, &staying})
    {
        EXPECT_EQ(observer->told, 1);
        EXPECT_EQ(observer->held, nullptr);
        EXPECT_TRUE(observer->stillWhole) << "told while the database is whole and registered";
    }
}

/// Reacts to a change by editing again, as a widget that rebuilds might.
class EchoObserver : public db::DatabaseObserver
{
public:
    EchoObserver(db::Database& database, db::FloatAttribute& target) : m_database(database), m_target(target) {}
    void onDatabaseChanged(db::Database*, const db::ChangeSet& changes, bool) override
    {
        ++calls;
        depth = std::max(depth, ++m_inside);
        if (changes.hasChangedAny({&m_target}, false) && m_target.getValue() < 5)
        {
            db::ChangeBlock block(m_database, L"echo");
            m_target.setValue(m_target.getValue() + 1);
        }
        --m_inside;
    }
    int calls = 0;
    int depth = 0;

private:
    db::Database& m_database;
    db::FloatAttribute& m_target;
    int m_inside = 0;
};

TEST(ChangeBlocks, BlocksOpenedInsideANotificationAreReportedAfterIt)
{
    db::Database database;
    db::Node* light = addNode(database, L"Light", L"sun");
    database.clearUndoHistory();
    EchoObserver echo(database, *intensityOf(light));
    RecordingObserver recorder(database);
    database.getObservers().add(&echo, ObserverMode::Deferred);
    intensityOf(light)->setValue(1);
    database.getObservers().remove(&echo, ObserverMode::Immediate);
    EXPECT_FLOAT_EQ(intensityOf(light)->getValue(), 5.0f);
    EXPECT_EQ(echo.depth, 1);
    EXPECT_EQ(echo.calls, 5);
    EXPECT_EQ(recorder.reports.size(), 5u);
    EXPECT_EQ(database.getUndoStackSize(), 5u);
}

/// Reads the name of every removed node, as a view taking its items out does.
class RemovalReader : public db::DatabaseObserver
{
public:
    void onDatabaseChanged(db::Database*, const db::ChangeSet& changes, bool) override
    {
        for (db::Node* node : changes.RemovedNodes())
            names.push_back(node->getName());
        for (db::Attribute* attribute : changes.RemovedAttributes())
            attributeNames.push_back(attribute->getName());
    }
    std::vector<std::wstring> names;
    std::vector<std::wstring> attributeNames;
};

/// Makes one edit of its own while told of the first change, as a widget that
/// writes back a value might.
class EditOnce : public db::DatabaseObserver
{
public:
    explicit EditOnce(std::function<void()> edit) : m_edit(std::move(edit)) {}
    void onDatabaseChanged(db::Database*, const db::ChangeSet&, bool) override
    {
        if (auto edit = std::exchange(m_edit, nullptr))
            edit();
    }

private:
    std::function<void()> m_edit;
};

// The undo step that holds removed nodes may be dropped (by the undo limit,
// or as redo history when an observer edits) while observers are still being
// told of their removal; they must be able to read them all the same.
TEST(UndoHistory, DroppedStepsKeepTheirNodesUntilEveryObserverHasBeenTold)
{
    enum Action
    {
        RemoveLamp,
        UndoAddingLamp,
        CancelAddingLamp,
    };
    struct Case
    {
        const char* name;
        int limit;
        Action action;
        bool observerEdits;
    };
    const Case cases[] = {
        {"limit 0 drops the step at once", 0, RemoveLamp, false},
        {"limit 1 drops it when an observer edits", 1, RemoveLamp, true},
        {"an edit during an undo drops the redo step", -1, UndoAddingLamp, true},
        {"a cancelled block inside a report", -1, CancelAddingLamp, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        db::Database database;
        db::Node* sun = addNode(database, L"Light", L"sun");
        const auto addLamp = [&database]
        {
            db::ChangeBlock block(database, L"Add lamp");
            db::Node* lamp = addNode(database, L"Light", L"lamp");
            addNode(database, L"Light", L"bulb", lamp);
            return lamp;
        };
        db::Node* lamp = c.action == RemoveLamp ? addLamp() : nullptr;
        database.clearUndoHistory();
        database.setMaxUndoItems(c.limit);
        if (c.action == UndoAddingLamp)
            addLamp();
        std::function<void()> edit = [&] { intensityOf(sun)->setValue(4); };
        if (c.action == CancelAddingLamp)
            edit = [&]
            {
                database.beginChangeBlock();
                addLamp();
                database.cancelChangeBlock();
            };
        EditOnce editor(c.observerEdits ? edit : nullptr);
        RemovalReader reader;
        database.getObservers().add(&editor, ObserverMode::Deferred);
        database.getObservers().add(&reader, ObserverMode::Deferred);
        switch (c.action)
        {
        case RemoveLamp:
            lamp->remove();
            break;
        case UndoAddingLamp:
            database.undo();
            break;
        case CancelAddingLamp:
            sun->setName(L"day");
            break;
        }
        database.getObservers().remove(&reader, ObserverMode::Immediate);
        database.getObservers().remove(&editor, ObserverMode::Immediate);
        std::sort(reader.names.begin(), reader.names.end());
        EXPECT_EQ(reader.names, (std::vector<std::wstring>{L"bulb", L"lamp"}));
        EXPECT_EQ(database.getRootContainer().getNodeCount(), 1u);
    }
}

// ---------------------------------------------------------------------------
// Clearing for a closed document
// ---------------------------------------------------------------------------

/// The names of the nodes below `node`, parents first.
std::vector<std::wstring> namesBelow(const db::Node& node)
{
    std::vector<std::wstring> names;
    for (const db::Node* child : node.getChildNodes())
    {
        names.push_back(child->getName());
        const std::vector<std::wstring> below = namesBelow(*child);
        names.insert(names.end(), below.begin(), below.end());
    }
    return names;
}

TEST(UndoHistory, ClearingForAClosedDocumentIsOneReportAndLeavesNothingToUndo)
{
    struct Case
    {
        const char* name;
        bool content;
        std::function<void(db::Database&, db::Node* sun)> before;
        const char* undoLog;
    };
    const Case cases[] = {
        {"saved, nothing to undo", true, [](db::Database&, db::Node*) {}, ""},
        {"right after an edit", true, [](db::Database&, db::Node* sun) { intensityOf(sun)->setValue(2); }, "U-"},
        {"with a step to redo", true,
         [](db::Database& database, db::Node* sun)
         {
             intensityOf(sun)->setValue(2);
             intensityOf(sun)->setValue(3);
             database.undo();
         },
         "R-U-"},
        {"with removed nodes kept for undo", true,
         [](db::Database& database, db::Node* sun)
         {
             sun->getChildNodes().front()->remove();
             addNode(database, L"Light", L"lamp", sun);
         },
         "U-U-"},
        {"an empty database", false, [](db::Database&, db::Node*) {}, ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        db::Database database(L"doc");
        db::Node* sun = nullptr;
        if (c.content)
        {
            sun = addNode(database, L"Light", L"sun");
            addNode(database, L"Light", L"bulb", addNode(database, L"Light", L"glow", sun));
            addNode(database, L"Group", L"props");
            database.addDynamicBool(L"flag", true);
        }
        database.clearUndoHistory();
        database.setCheckpoint();
        c.before(database, sun);
        const std::vector<std::wstring> removed = namesBelow(database);
        UndoLog log;
        database.getUndoObservers().add(&log, ObserverMode::Deferred);
        RecordingObserver observer(database);
        // What was removed can be read only while the observers are told.
        RemovalReader reader;
        database.getObservers().add(&reader, ObserverMode::Deferred);

        database.clearAndForgetHistory();
        database.getObservers().remove(&reader, ObserverMode::Immediate);

        EXPECT_EQ(log.log, c.undoLog) << "told of each step that goes, of none that comes";
        EXPECT_FALSE(database.canUndo());
        EXPECT_FALSE(database.canRedo());
        EXPECT_EQ(database.getUndoMemoryUsage(), 0u);
        EXPECT_EQ(database.getTotalNodeCount(), 1u);
        EXPECT_EQ(database.getTotalAttributeCount(), 2u);
        EXPECT_EQ(database.name(), L"doc");
        EXPECT_EQ(database.hasChangedSinceCheckpoint(), c.content) << "different from the saved state, unless empty";
        if (!c.content)
        {
            EXPECT_TRUE(observer.reports.empty());
        }
        else
        {
            ASSERT_EQ(observer.reports.size(), 1u);
            const db::ChangeSet& changes = observer.last();
            EXPECT_EQ(reader.names, removed);
            EXPECT_EQ(reader.attributeNames, std::vector<std::wstring>{L"flag"});
            EXPECT_TRUE(changes.AddedNodes().empty());
            EXPECT_TRUE(changes.hasChanged(&database.getRootContainer()));
            EXPECT_EQ(changes.getOrigin(), db::ChangeSet::Origin::Edit);
            EXPECT_EQ(changes.getDescription(), L"Clear");
            EXPECT_FALSE(observer.reports.back().transient);
        }

        // Usable at once, with an undo history of its own.
        addNode(database, L"Group", L"next");
        EXPECT_TRUE(database.hasChangedSinceCheckpoint());
        ASSERT_TRUE(database.undo());
        EXPECT_EQ(database.getTotalNodeCount(), 1u);
        database.getUndoObservers().remove(&log, ObserverMode::Immediate);
    }
}

TEST(UndoHistory, ClearingAskedForDuringAReportWaitsUntilEveryObserverHasBeenTold)
{
    db::Database database;
    db::Node* sun = addNode(database, L"Light", L"sun");
    addNode(database, L"Light", L"bulb", sun);
    EditOnce closer([&database] { database.clearAndForgetHistory(); });
    RemovalReader reader;
    database.getObservers().add(&closer, ObserverMode::Deferred);
    database.getObservers().add(&reader, ObserverMode::Deferred);
    intensityOf(sun)->setValue(3);
    database.getObservers().remove(&reader, ObserverMode::Immediate);
    database.getObservers().remove(&closer, ObserverMode::Immediate);
    EXPECT_EQ(reader.names, (std::vector<std::wstring>{L"sun", L"bulb"}));
    EXPECT_FALSE(database.canUndo());
    EXPECT_EQ(database.getTotalNodeCount(), 1u);
}

TEST(UndoHistory, NodesLeavingForGoodCutThePointersBetweenThemAndOthers)
{
    // However nodes leave for good, few (destroyed at once) or many (on the
    // database's thread), pointers elsewhere to them are cleared at once, and
    // they leave the lists of what they pointed at.
    auto target = [](db::Node* node) { return node->findAttribute(L"target")->asPointerAttribute(); };
    auto targets = [](db::Node* node) { return node->findAttribute(L"targets")->asPointerArrayAttribute(); };
    struct Case
    {
        const char* name;
        std::function<void(db::Database&, db::Node* batch)> leave;
    };
    const Case cases[] = {
        {"the document closed", [](db::Database& database, db::Node*) { database.clearAndForgetHistory(); }},
        {"an undone paste overwritten by an edit",
         [](db::Database& database, db::Node*)
         {
             database.undo();
             addNode(database, L"Mesh", L"next");
         }},
        {"a deletion pushed out of the undo history",
         [](db::Database& database, db::Node* batch)
         {
             batch->remove();
             database.setMaxUndoItems(0);
         }},
        {"a deletion whose history was cleared",
         [](db::Database& database, db::Node* batch)
         {
             batch->remove();
             database.clearUndoHistory();
         }},
    };
    for (const Case& c : cases)
        for (std::size_t filler : {std::size_t(0), std::size_t(1500)})
        {
            SCOPED_TRACE(std::string(c.name) + (filler ? ", many nodes" : ", few nodes"));
            db::Database other(L"other");
            db::Node* keeper = addNode(other, L"Camera", L"keeper");
            db::Node* kept = addNode(other, L"Mesh", L"kept");
            std::unique_ptr<db::Node> loose(db::makeNode(L"Script", L"loose"));
            {
                db::Database database(L"doc");
                db::Node* batch = nullptr;
                {
                    db::ChangeBlock paste(database, L"Paste nodes");
                    batch = addNode(database, L"Group", L"batch");
                    db::Node* camera = addNode(database, L"Camera", L"cam", batch);
                    db::Node* mesh = addNode(database, L"Mesh", L"mesh", batch);
                    db::Node* outward = addNode(database, L"Camera", L"outward", batch);
                    for (std::size_t i = 0; i < filler; ++i)
                        addNode(database, L"Light", L"filler", batch);
                    target(camera)->setValue(mesh);
                    target(outward)->setValue(kept);
                    target(keeper)->setValue(mesh);
                    targets(loose.get())->setValues({camera, kept});
                }
                c.leave(database, batch);

                EXPECT_EQ(target(keeper)->getValue(), nullptr) << "pointers from elsewhere are cleared at once";
                EXPECT_EQ(targets(loose.get())->getValues(), (std::vector<db::Attribute*>{nullptr, kept}));
                EXPECT_NE(addNode(database, L"Mesh", L"after"), nullptr) << "usable at once";
            }
            // The nodes are gone; had they stayed on the lists of what they
            // pointed at, destroying that would write into freed memory.
            kept->remove();
            other.clearUndoHistory();
            EXPECT_EQ(targets(loose.get())->getValues(), (std::vector<db::Attribute*>{nullptr, nullptr}));
        }
}

TEST(Defaults, ResetPutsBackWhatANewNodeHoldsAsOneStepAndOnlyWhereNeeded)
{
    db::Database database;
    db::Node* fresh = addNode(database, L"AllTypes", L"fresh");
    db::Node* edited = addNode(database, L"AllTypes", L"edited");
    edited->findAttribute(L"int")->asIntAttribute()->setValue(-5);
    edited->findAttribute(L"enum")->asEnumAttribute()->setValue(0);
    edited->findAttribute(L"string")->asStringAttribute()->setValue(L"changed");
    edited->findAttribute(L"pointer")->asPointerAttribute()->setValue(fresh);
    edited->findAttribute(L"intArray")->asIntArrayAttribute()->setValues({1, 2});
    edited->findAttribute(L"entries")->asAttributeArray()->add(false);
    edited->attributeFromDatabasePath(L".compound.inner.note", false)->asStringAttribute()->setValue(L"deep");
    // A dynamic attribute's default is the value it was added with.
    db::FloatAttribute* dynamic = edited->addDynamicFloat(L"weight", 2.0f, 0.0f, 10.0f);
    dynamic->setValue(3.0f);
    database.clearUndoHistory();
    const std::string before = describe(*edited);

    for (unsigned int i = 0; i < fresh->getAttributeCount(); ++i)
        EXPECT_TRUE(fresh->getAttribute(i)->holdsDefault()) << describe(*fresh->getAttribute(i));
    {
        db::ChangeBlock block(database, L"Reset");
        for (unsigned int i = 0; i < edited->getAttributeCount(); ++i)
            edited->getAttribute(i)->resetToDefault();
    }
    ASSERT_EQ(database.getUndoStackSize(), 1u);
    for (unsigned int i = 0; i < fresh->getAttributeCount(); ++i)
    {
        EXPECT_TRUE(edited->getAttribute(i)->holdsDefault()) << describe(*edited->getAttribute(i));
        EXPECT_TRUE(edited->getAttribute(i)->hasSameValue(*fresh->getAttribute(i)))
            << describe(*edited->getAttribute(i));
    }
    EXPECT_EQ(dynamic->getValue(), 2.0f);

    database.undo();
    EXPECT_EQ(describe(*edited), before);
    database.redo();
    // Nothing left to put back: no step.
    {
        db::ChangeBlock block(database, L"Reset");
        for (unsigned int i = 0; i < edited->getAttributeCount(); ++i)
            edited->getAttribute(i)->resetToDefault();
    }
    EXPECT_EQ(database.getUndoStackSize(), 1u);
}

} // namespace
