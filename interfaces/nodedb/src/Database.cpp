#include "Editor.h"

#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/NodeContainer.h>
#include <db/Registry.h>
#include <db/StringAttribute.h>
#include <db/TypeRegistry.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace db
{

namespace
{
bool s_trace = false;
bool s_observerTiming = false;
double s_timingThresholdMs = 5.0;
ErrorReporter* s_errorReporter = nullptr;

StringAttribute& nameAttributeOf(Node& root)
{
    return *root.findAttribute(L"name")->asStringAttribute();
}

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
    return out;
}
} // namespace

// ------------------------------------------------------------------------- steps

Database::Step::Step() : valueSet(std::make_shared<ChangeSet::ValueChanges>())
{
}

Database::Step::~Step()
{
    if (!owning)
        return;
    for (Attribute* target : ownedObjects())
        detail::Editor::destroy(target);
}

std::vector<Attribute*> Database::Step::handOverObjects()
{
    std::vector<Attribute*> owned = owning ? ownedObjects() : std::vector<Attribute*>();
    owning = false;
    return owned;
}

std::vector<Attribute*> Database::Step::ownedObjects() const
{
    // Which of the objects this step touched are its to delete: those it left
    // detached. Done, that is what its last record on them removed; undone,
    // what its first record on them inserted. Every detached object is owned by
    // exactly one step this way, whatever the steps around it did.
    struct Touch
    {
        detail::RecordKind first;
        detail::RecordKind last;
    };
    std::unordered_map<Attribute*, Touch> touched;
    std::vector<Attribute*> order;
    for (const detail::Record& record : structure)
    {
        if (record.kind != detail::RecordKind::Insert && record.kind != detail::RecordKind::Remove)
            continue;
        auto [it, added] = touched.try_emplace(record.target, Touch{record.kind, record.kind});
        if (added)
            order.push_back(record.target);
        else
            it->second.last = record.kind;
    }
    std::vector<Attribute*> owned;
    for (Attribute* target : order)
    {
        const Touch& touch = touched[target];
        const bool mine = done ? touch.last == detail::RecordKind::Remove : touch.first == detail::RecordKind::Insert;
        if (mine && target->isDetached())
            owned.push_back(target);
    }
    return owned;
}

std::size_t Database::Step::estimateBytes() const
{
    std::size_t total = sizeof(Step) + description.capacity() * sizeof(wchar_t);
    total += structure.capacity() * sizeof(detail::Record);
    total += values.capacity() * sizeof(detail::ValueRecord);
    // The value set: a hash node and a bucket per entry, and the order list.
    total += valueSet->set.size() * (sizeof(void*) * 3) + valueSet->order.capacity() * sizeof(void*);
    for (const detail::ValueRecord& record : values)
        total += record.slot.heapBytes();
    for (const detail::Record& record : structure)
    {
        total += record.name.capacity() * sizeof(wchar_t);
        // Only what the step keeps out of the tree is held by it.
        const bool held = done ? record.kind == detail::RecordKind::Remove : record.kind == detail::RecordKind::Insert;
        if (held && record.target->isDetached())
            total += detail::Editor::subtreeBytes(*record.target);
    }
    return total;
}

// ------------------------------------------------------------------ releasing

/// Retired steps that held this many nodes or more (the nodes of a big
/// paste or load that was undone, of a big deletion that leaves the undo
/// history) are destroyed on the releaser's thread: destroyed here, they
/// would hold up the edit that retired them by milliseconds per thousand.
constexpr std::size_t s_nodesReleasedApart = 1000;

/// Destroys batches of objects that retired steps held on a thread of their
/// own, one batch at a time.
struct Database::Releaser
{
    /// Objects cut loose by Editor::severReferences, destroyed with it.
    struct Batch
    {
        std::vector<Attribute*> objects;

        explicit Batch(std::vector<Attribute*> list) : objects(std::move(list)) {}
        Batch(Batch&& other) noexcept : objects(std::exchange(other.objects, {})) {}
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        Batch& operator=(Batch&&) = delete;
        ~Batch()
        {
            for (Attribute* object : objects)
                detail::Editor::destroy(object);
        }
    };

    std::thread thread;

    ~Releaser() { finish(); }

    void finish()
    {
        if (thread.joinable())
            thread.join();
    }

    void release(std::vector<Attribute*> objects)
    {
        finish();
        try
        {
            thread = std::thread(
                [batch = Batch(std::move(objects))]() mutable
                {
                    detail::Editor::destroyOnlySeveredTrees();
                    const Batch going = std::move(batch); // destroyed here, with the bookkeeping off
                });
        }
        catch (const std::system_error&)
        {
            // No thread to be had: the batch went with the thread's state,
            // here, where the bookkeeping it skips finds nothing to do anyway.
        }
    }
};

// ---------------------------------------------------------------- construction

Database::Database(const std::wstring& displayName, TypeRegistry* registry)
    : Node(registry ? registry->getDatabaseDef() : TypeRegistry::getDefault().getDatabaseDef(), L""),
      name(nameAttributeOf(*this)), m_registry(registry ? registry : &TypeRegistry::getDefault()),
      m_observers(s_errorReporter), m_undoObservers(s_errorReporter)
{
    setFlag(s_database, true);
    // Not recorded: a database is not yet registered or observed while it is built.
    detail::ValueSlot slot;
    slot.value = displayName;
    detail::Editor::exchange(name, slot);
    m_rootContainer = findAttribute(L"nodes")->asNodeContainer();
    std::size_t nodes = 0;
    std::size_t attributes = 0;
    detail::Editor::countSubtree(*this, nodes, attributes);
    m_nodeCount = nodes;
    m_attributeCount = attributes;
    Registry::getInstance().registerDatabase(this);
}

Database::~Database()
{
    // First of all, while everything is still whole: whoever holds this
    // database lets go of it.
    m_destroying = true;
    m_observers.notify([this](DatabaseObserver* observer) { observer->onDatabaseDestroyed(this); });
    Registry::getInstance().unregisterDatabase(this);
    // Whatever is still being destroyed apart goes before the database does.
    m_releaser.reset();
    m_recorder.reset();
    m_redo.clear();
    m_undo.clear();
    m_retired.clear();
}

const std::wstring& Database::getName() const
{
    return name.getValue();
}

bool Database::setName(const std::wstring& newName)
{
    name.setValue(newName);
    return true;
}

void Database::clearAndForgetHistory()
{
    if (m_depth > 0)
    {
        // The open block may have recorded edits of what would go.
        clear();
        clearUndoHistory();
        return;
    }
    const bool atCheckpoint = !hasChangedSinceCheckpoint();
    // Before the content: a step that goes reads the objects it touched,
    // some of which may be in the tree.
    retireHistory();
    ChangeSetBuilder builder;
    std::unique_ptr<Step> content = detachContent(builder);
    const bool removed = !content->isEmpty();
    // A new state with no way back to the old one, as after the two calls.
    m_baseSerial = m_nextSerial++;
    m_checkpoint = atCheckpoint && !removed ? m_baseSerial : 0;
    m_releaseApart = true;
    if (!removed)
    {
        releaseRetired();
        return;
    }
    auto changes = builder.finish(content->valueSet, L"Clear", ChangeSet::Origin::Edit, false);
    retire(std::move(content));
    report(std::move(changes), false);
}

void Database::finishReleasing()
{
    if (m_releaser)
        m_releaser->finish();
}

std::unique_ptr<Database::Step> Database::detachContent(ChangeSetBuilder& builder)
{
    auto step = std::make_unique<Step>();
    for (unsigned int i = getAttributeCount(); i-- > getNodeDef().getAttributeDefCount();)
    {
        Attribute* attribute = getAttribute(i);
        step->structure.push_back(detail::Record{detail::RecordKind::Remove, attribute, this, nullptr, i, 0, {}});
        detail::Editor::applyRemove(this, *this, *attribute, &builder);
    }
    detail::Editor::detachNodes(*m_rootContainer, step->structure, builder);
    // Counted again rather than subtracted: what is left is the root alone.
    std::size_t nodes = 0;
    std::size_t attributes = 0;
    detail::Editor::countSubtree(*this, nodes, attributes);
    m_nodeCount = nodes;
    m_attributeCount = attributes;
    return step;
}

void Database::clear()
{
    const bool implicit = m_depth == 0;
    if (implicit)
        beginChangeBlock(ChangeMode::Normal);
    for (unsigned int i = getAttributeCount(); i-- > getNodeDef().getAttributeDefCount();)
        removeAttribute(getAttribute(i));
    for (unsigned int i = m_rootContainer->getNodeCount(); i-- > 0;)
        m_rootContainer->remove(m_rootContainer->getNode(i));
    if (implicit)
        endChangeBlock(L"Clear");
}

// --------------------------------------------------------------- change blocks

void Database::beginChangeBlock(ChangeMode mode)
{
    if (m_depth++ > 0)
        return;
    m_mode = mode;
    m_recorder = std::make_unique<Recorder>();
    m_recorder->commitValues = std::make_shared<ChangeSet::ValueChanges>();
}

void Database::commitTransient()
{
    if (m_depth == 0 || m_mode != ChangeMode::Transient)
        return;
    Recorder& recorder = *m_recorder;
    if (recorder.commitValues->order.empty() && recorder.commit.isEmpty())
        return;
    auto values = std::move(recorder.commitValues);
    recorder.commitValues = std::make_shared<ChangeSet::ValueChanges>();
    report(recorder.commit.finish(std::move(values), EmptyString(), ChangeSet::Origin::Edit, true), true);
}

void Database::endChangeBlock(const std::wstring& description)
{
    if (m_depth == 0)
        return;
    if (--m_depth > 0)
        return;
    std::unique_ptr<Recorder> recorder = std::move(m_recorder);
    const ChangeMode mode = m_mode;
    m_mode = ChangeMode::Normal;
    if (recorder->step.isEmpty() && recorder->block.isEmpty())
        return;
    // Observers of a transient block have been told its structural changes at
    // each commit already; the closing report repeats only the values (which
    // are safe to apply twice) and adds what came after the last commit.
    ChangeSetBuilder& builder = mode == ChangeMode::Transient ? recorder->commit : recorder->block;
    auto changes = builder.finish(recorder->step.valueSet, description, ChangeSet::Origin::Edit, false);
    std::unique_ptr<Step> step = takeStep(*recorder);
    step->description = description;
    pushUndo(std::move(step));
    report(std::move(changes), false);
}

void Database::cancelChangeBlock()
{
    if (m_depth == 0)
        return;
    if (--m_depth > 0)
    {
        // An inner block cannot be taken back on its own: the outer block goes on
        // and ends normally.
        return;
    }
    std::unique_ptr<Recorder> recorder = std::move(m_recorder);
    const ChangeMode mode = m_mode;
    m_mode = ChangeMode::Normal;
    if (mode == ChangeMode::Transient && !recorder->commit.isEmpty())
    {
        // Structure edited since the last commit is told first, so that the
        // reversal below undoes only what observers know of.
        auto values = std::move(recorder->commitValues);
        recorder->commitValues = std::make_shared<ChangeSet::ValueChanges>();
        report(recorder->commit.finish(std::move(values), EmptyString(), ChangeSet::Origin::Edit, true), true);
    }
    if (recorder->step.isEmpty())
        return;
    std::unique_ptr<Step> step = takeStep(*recorder);
    ChangeSetBuilder builder;
    apply(*step, false, builder);
    step->done = false;
    auto changes = builder.finish(step->valueSet, EmptyString(), ChangeSet::Origin::Cancel, false);
    // The step deletes what only the cancelled edits had created, once the
    // report that names those objects has been delivered.
    retire(std::move(step));
    report(std::move(changes), false);
}

std::unique_ptr<Database::Step> Database::takeStep(Recorder& recorder)
{
    auto step = std::make_unique<Step>();
    step->structure = std::move(recorder.step.structure);
    step->values = std::move(recorder.step.values);
    step->valueSet = recorder.step.valueSet;
    return step;
}

// ----------------------------------------------------------------- undo & redo

bool Database::canUndo() const
{
    return m_depth == 0 && !m_undo.empty();
}

bool Database::canRedo() const
{
    return m_depth == 0 && !m_redo.empty();
}

namespace
{

/// Applies one structural record, as it was made (`forward`) or undone.
void applyRecord(Database* db, detail::Record& record, bool forward, ChangeSetBuilder& builder)
{
    using detail::RecordKind;
    switch (record.kind)
    {
    case RecordKind::Insert:
    case RecordKind::Remove:
        if ((record.kind == RecordKind::Insert) == forward)
            detail::Editor::applyInsert(db, *record.parent, record.index, *record.target, &builder);
        else
            detail::Editor::applyRemove(db, *record.parent, *record.target, &builder);
        break;
    case RecordKind::Move:
        if (forward)
            detail::Editor::applyMove(db, *record.target, *record.newParent, record.newIndex, &builder);
        else
            detail::Editor::applyMove(db, *record.target, *record.parent, record.index, &builder);
        break;
    case RecordKind::Rename:
        detail::Editor::applyRename(*record.target->asNode(), record.name, &builder);
        break;
    }
}

} // namespace

void Database::apply(Step& step, bool forward, ChangeSetBuilder& builder)
{
    m_replaying = true;
    // Undone records go last first.
    if (forward)
    {
        for (detail::Record& record : step.structure)
            applyRecord(this, record, true, builder);
    }
    else
    {
        for (auto it = step.structure.rbegin(); it != step.structure.rend(); ++it)
            applyRecord(this, *it, false, builder);
    }
    // Value records are independent of the structure (each holds its own
    // object alive), so their order against it does not matter. Among
    // themselves it does: element edits of one array go back last first.
    auto replay = [this, forward, &builder](detail::ValueRecord& record)
    {
        detail::Editor::replay(record, forward);
        detail::Editor::reportValue(this, *record.attribute, &builder);
    };
    if (forward)
        std::for_each(step.values.begin(), step.values.end(), replay);
    else
        std::for_each(step.values.rbegin(), step.values.rend(), replay);
    m_replaying = false;
}

bool Database::undo()
{
    return canUndo() && travel(false);
}

bool Database::redo()
{
    return canRedo() && travel(true);
}

bool Database::travel(bool forward)
{
    // Undo takes a step from the undo stack to the redo stack; redo the other way.
    auto& from = forward ? m_redo : m_undo;
    auto& to = forward ? m_undo : m_redo;
    std::unique_ptr<Step> step = std::move(from.back());
    from.pop_back();
    m_undoBytes -= step->bytes;
    m_undoObservers.notify([this, forward](UndoObserver* o)
                           { forward ? o->onRedoStackPopped(this) : o->onUndoStackPopped(this); });
    ChangeSetBuilder builder;
    apply(*step, forward, builder);
    step->done = forward;
    auto changes = builder.finish(step->valueSet, step->description,
                                  forward ? ChangeSet::Origin::Redo : ChangeSet::Origin::Undo, false);
    step->bytes = step->estimateBytes();
    m_undoBytes += step->bytes;
    to.push_back(std::move(step));
    m_undoObservers.notify([this, forward](UndoObserver* o)
                           { forward ? o->onUndoStackPushed(this) : o->onRedoStackPushed(this); });
    report(std::move(changes), false);
    return true;
}

void Database::pushUndo(std::unique_ptr<Step> step)
{
    dropRedo();
    step->serial = m_nextSerial++;
    step->bytes = step->estimateBytes();
    m_undoBytes += step->bytes;
    m_undo.push_back(std::move(step));
    m_undoObservers.notify([this](UndoObserver* o) { o->onUndoStackPushed(this); });
    trimUndo();
}

void Database::dropRedo()
{
    while (!m_redo.empty())
    {
        std::unique_ptr<Step> step = std::move(m_redo.back());
        m_redo.pop_back();
        m_undoBytes -= step->bytes;
        retire(std::move(step));
        m_undoObservers.notify([this](UndoObserver* o) { o->onRedoStackPopped(this); });
    }
}

void Database::trimUndo()
{
    while (m_maxUndoItems >= 0 && m_undo.size() > static_cast<std::size_t>(m_maxUndoItems))
    {
        std::unique_ptr<Step> step = std::move(m_undo.front());
        m_undo.pop_front();
        m_undoBytes -= step->bytes;
        m_baseSerial = step->serial;
        retire(std::move(step));
        m_undoObservers.notify([this](UndoObserver* o) { o->onUndoStackPoppedFront(this); });
    }
}

const std::wstring& Database::getUndoDescription(unsigned int index) const
{
    return index < m_undo.size() ? m_undo[index]->description : EmptyString();
}

const std::wstring& Database::getRedoDescription(unsigned int index) const
{
    return index < m_redo.size() ? m_redo[index]->description : EmptyString();
}

void Database::retire(std::unique_ptr<Step> step)
{
    // A report still to be delivered (the one of the edit that pushed this
    // step out, or of the undo it belongs to) may name the objects the step
    // holds detached; they live until every report has been delivered.
    m_retired.push_back(std::move(step));
}

void Database::releaseRetired()
{
    if (m_reporting)
        return;
    const bool apart = std::exchange(m_releaseApart, false);
    // Which objects the steps held is settled here, once: the steps read
    // some of them to tell, and the editing may go on beside the thread.
    std::vector<Attribute*> owned;
    for (const std::unique_ptr<Step>& step : m_retired)
    {
        const std::vector<Attribute*> ofStep = step->handOverObjects();
        owned.insert(owned.end(), ofStep.begin(), ofStep.end());
    }
    m_retired.clear();
    if (owned.empty())
        return;
    std::vector<Node*> nodes;
    for (Attribute* root : owned)
        detail::Editor::collectNodes(*root, nodes);
    if (!apart && nodes.size() < s_nodesReleasedApart)
    {
        for (Attribute* object : owned)
            detail::Editor::destroy(object);
        return;
    }
    // Once no report is under way nothing reaches the retired objects but
    // pointers from elsewhere, cut here; the thread then has them to itself.
    detail::Editor::severReferences(owned, nodes);
    if (!m_releaser)
        m_releaser = std::make_unique<Releaser>();
    m_releaser->release(std::move(owned));
}

void Database::retireHistory()
{
    dropRedo();
    while (!m_undo.empty())
    {
        std::unique_ptr<Step> step = std::move(m_undo.back());
        m_undo.pop_back();
        m_undoBytes -= step->bytes;
        retire(std::move(step));
        m_undoObservers.notify([this](UndoObserver* o) { o->onUndoStackPopped(this); });
    }
}

void Database::setMaxUndoItems(int count)
{
    m_maxUndoItems = count < 0 ? -1 : count;
    trimUndo();
    releaseRetired();
}

void Database::clearUndoHistory()
{
    const bool atCheckpoint = !hasChangedSinceCheckpoint();
    retireHistory();
    // The state itself did not change: it stays saved or unsaved as it was.
    m_baseSerial = m_nextSerial++;
    m_checkpoint = atCheckpoint ? m_baseSerial : 0;
    releaseRetired();
}

std::size_t Database::getUndoMemoryUsage() const
{
    return m_undoBytes;
}

std::uint64_t Database::currentSerial() const
{
    return m_undo.empty() ? m_baseSerial : m_undo.back()->serial;
}

void Database::setCheckpoint()
{
    m_checkpoint = currentSerial();
}

bool Database::hasChangedSinceCheckpoint() const
{
    return currentSerial() != m_checkpoint;
}

// ------------------------------------------------------------------- reporting

void Database::report(std::shared_ptr<ChangeSet> changes, bool transient)
{
    m_pendingReports.emplace_back(std::move(changes), transient);
    // A report asked for while observers are being told waits its turn, so that
    // no observer is told of a change in the middle of being told of another.
    if (m_reporting)
        return;
    m_reporting = true;
    while (!m_pendingReports.empty())
    {
        auto [set, flag] = std::move(m_pendingReports.front());
        m_pendingReports.pop_front();
        if (s_trace)
        {
            std::fprintf(stderr,
                         "[db] %s \"%s\"%s: %zu values, +%zu/-%zu nodes, %zu renamed, %zu moved, +%zu/-%zu "
                         "attributes\n",
                         narrow(getName()).c_str(), narrow(set->getDescription()).c_str(), flag ? " (transient)" : "",
                         set->ChangedAttributes().size(), set->AddedNodes().size(), set->RemovedNodes().size(),
                         set->RenamedNodes().size(), set->ReparentedNodes().size(), set->AddedAttributes().size(),
                         set->RemovedAttributes().size());
        }
        const ChangeSet& changes = *set;
        const bool isTransient = flag;
        m_observers.notify(
            [this, &changes, isTransient](DatabaseObserver* observer)
            {
                if (!s_observerTiming)
                {
                    observer->onDatabaseChanged(this, changes, isTransient);
                    return;
                }
                const auto start = std::chrono::steady_clock::now();
                observer->onDatabaseChanged(this, changes, isTransient);
                const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
                if (spent.count() >= s_timingThresholdMs)
                {
                    const std::wstring message =
                        L"Slow database observer: " + std::to_wstring(spent.count()) + L" ms in onDatabaseChanged";
                    if (s_errorReporter)
                        s_errorReporter->report(0, message);
                    else
                        std::fprintf(stderr, "[db] %s\n", narrow(message).c_str());
                }
            });
        m_observers.notify([this, isTransient](DatabaseObserver* observer)
                           { observer->postDatabaseChanged(this, isTransient); });
    }
    m_reporting = false;
    releaseRetired();
}

// -------------------------------------------------------------------- switches

void Database::enableTrace(bool enable)
{
    s_trace = enable;
}

bool Database::isTraceEnabled()
{
    return s_trace;
}

void Database::enableObserverTiming(bool enable)
{
    s_observerTiming = enable;
}

bool Database::isObserverTimingEnabled()
{
    return s_observerTiming;
}

void Database::setObserverTimingThreshold(double milliseconds)
{
    s_timingThresholdMs = milliseconds;
}

void Database::setErrorReporter(ErrorReporter* reporter)
{
    s_errorReporter = reporter;
    for (Database* database : Registry::getInstance().getRegisteredDatabases())
    {
        database->m_observers.setErrorReporter(reporter);
        database->m_undoObservers.setErrorReporter(reporter);
    }
    Registry::getInstance().getObservers().setErrorReporter(reporter);
}

ErrorReporter* Database::getErrorReporter()
{
    return s_errorReporter;
}

// -------------------------------------------------------------------- registry

Registry& Registry::getInstance()
{
    static Registry s_registry;
    return s_registry;
}

void Registry::registerDatabase(Database* database)
{
    m_databases.push_back(database);
    m_observers.notify([database](RegistryObserver* o) { o->onDatabaseRegistered(database); });
}

void Registry::unregisterDatabase(Database* database)
{
    for (auto it = m_databases.begin(); it != m_databases.end(); ++it)
    {
        if (*it == database)
        {
            m_databases.erase(it);
            break;
        }
    }
    m_observers.notify([database](RegistryObserver* o) { o->onDatabaseUnregistered(database); });
}

// ----------------------------------------------------------------- ChangeBlock

ChangeBlock::ChangeBlock(Database* database, const std::wstring& description)
    : m_database(database), m_description(description)
{
    if (m_database)
        m_database->beginChangeBlock(ChangeMode::Normal);
}

ChangeBlock::ChangeBlock(Database& database, const std::wstring& description) : ChangeBlock(&database, description)
{
}

ChangeBlock::~ChangeBlock()
{
    if (m_database)
        m_database->endChangeBlock(m_description);
}

} // namespace db
