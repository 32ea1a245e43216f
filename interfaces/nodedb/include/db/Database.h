#pragma once

#include <db/ChangeSet.h>
#include <db/DatabaseObserver.h>
#include <db/Export.h>
#include <db/Node.h>
#include <db/UndoObserver.h>

#include <foundations/ErrorReporter.h>
#include <foundations/ObserverManager.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace db
{

class NodeContainer;
class StringAttribute;
class detail_ChangeSetAccess;
class TypeRegistry;

/// How a change block reports its edits.
enum class ChangeMode : int
{
    /// One report when the outermost block ends.
    Normal = 1,
    /// Also a report (flagged transient) at each commitTransient: spin drags.
    Transient = 2,
};

/// A tree of nodes with undo and redo. The database is itself the root node:
/// its "name" attribute is its display name, and its "nodes" container holds
/// the top-level nodes. Every edit of an attribute in the tree runs inside a
/// change block (its own one when none is open); when the outermost block
/// ends the edits become one undo step and the observers get one change set.
///
/// Transient blocks (spin drags) report at each commitTransient what changed
/// since the previous report, flagged transient; the closing report (not
/// transient) lists every value changed in the block, and only the structural
/// changes made after the last commit, so that no view applies an addition twice.
/// A cancelled block reports the reverted attributes and the inverse of its
/// structural changes, with Origin::Cancel.
///
/// Re-entrancy: observers may edit, undo or open blocks while being told of a
/// change. Those edits take effect at once and become undo steps at once, but
/// their reports are queued and delivered, in order, after the running
/// notification has finished; every observer thus sees change sets one at a time.
class DBUI_NODEDB_EXPORT Database : public Node
{
public:
    /// An empty database named `name`, registered with the Registry while it lives. Its
    /// node types come from `registry` (not owned), or from TypeRegistry::getDefault().
    explicit Database(const std::wstring& name = L"Database", TypeRegistry* registry = nullptr);
    ~Database() override;

    /// The display name: read with `name()`, set with `name.setValue` or `setName`.
    StringAttribute& name;

    const std::wstring& getName() const override;
    bool setName(const std::wstring& name) override;

    /// The container of the top-level nodes.
    NodeContainer& getRootContainer() const { return *m_rootContainer; }
    /// The node types that loading and node creation in this database use.
    TypeRegistry& getTypeRegistry() const { return *m_registry; }

    /// Removes every node and every dynamic attribute of the root (one undo step
    /// outside a block). The name stays.
    void clear();
    /// clear() and clearUndoHistory() in one, for closing a document: the
    /// clearing is reported as one change set ("Clear") but recorded nowhere,
    /// and what it removed is destroyed on a thread of its own once the
    /// observers have been told (pointers elsewhere to it are cleared at once).
    /// The undo observers hear of each step that goes. Inside a block it is
    /// exactly the two calls.
    void clearAndForgetHistory();
    /// Waits until what the database's thread was given is destroyed: what
    /// clearAndForgetHistory removed, and the nodes of undo steps that held a
    /// thousand or more when they left the history (a big deletion pushed out,
    /// a big paste undone and then overwritten by a new edit). Before loading
    /// a big file, which would otherwise share the processors with the
    /// destroying and could not reuse the memory it frees.
    void finishReleasing();

    // --- change blocks ---
    ///@{
    /// Opens a change block (blocks nest; the outermost one's mode counts); end it with
    /// endChangeBlock or cancelChangeBlock. A db::ChangeBlock does both for a scope.
    /// The int form takes the mode's number: 2 is transient, anything else normal.
    void beginChangeBlock(ChangeMode mode = ChangeMode::Normal);
    void beginChangeBlock(int mode) { beginChangeBlock(mode == 2 ? ChangeMode::Transient : ChangeMode::Normal); }
    ///@}
    /// Reports the edits since the last report, flagged transient (only in transient blocks).
    void commitTransient();
    /// Ends the innermost block; the outermost one names the undo step.
    void endChangeBlock(const std::wstring& description);
    /// Ends the innermost block, reverting every edit of the outermost block:
    /// no undo step; observers get the reverted attributes.
    void cancelChangeBlock();
    /// True while a block is open.
    bool isInChangeBlock() const { return m_depth > 0; }
    /// True while the database tells its observers that it is being destroyed:
    /// what is still being typed for it has nowhere to go.
    bool isBeingDestroyed() const { return m_destroying; }
    /// How many blocks are open, one inside the other.
    int getChangeBlockDepth() const { return m_depth; }

    // --- undo ---
    ///@{
    /// True when there is a step to undo (redo) and no block is open.
    bool canUndo() const;
    bool canRedo() const;
    ///@}
    ///@{
    /// Undoes the newest step (redoes the newest undone one); false when there is
    /// none or a block is open. Observers are told as for the edit itself.
    bool undo();
    bool redo();
    ///@}
    ///@{
    /// Steps on the undo (redo) stack.
    unsigned int getUndoStackSize() const { return static_cast<unsigned int>(m_undo.size()); }
    unsigned int getRedoStackSize() const { return static_cast<unsigned int>(m_redo.size()); }
    ///@}
    ///@{
    /// Description of the undo (redo) step at `index`, 0 being the oldest; "" out of range.
    const std::wstring& getUndoDescription(unsigned int index) const;
    const std::wstring& getRedoDescription(unsigned int index) const;
    ///@}
    /// -1 for no limit.
    int getMaxUndoItems() const { return m_maxUndoItems; }
    /// Drops the oldest steps beyond the limit at once (telling onUndoStackPoppedFront).
    void setMaxUndoItems(int count);
    /// Forgets every undo and redo step (the content stays as it is).
    void clearUndoHistory();
    /// Bytes held by the undo and redo steps: records, saved values and removed subtrees.
    std::size_t getUndoMemoryUsage() const;
    /// Marks the current state as saved.
    void setCheckpoint();
    /// True unless the undo position is the one marked by setCheckpoint.
    bool hasChangedSinceCheckpoint() const;

    // --- statistics ---
    /// Nodes in the tree, the database itself included.
    std::size_t getTotalNodeCount() const { return m_nodeCount; }
    /// Attributes in the tree that are not nodes.
    std::size_t getTotalAttributeCount() const { return m_attributeCount; }

    // --- observers ---
    /// Told of every change set; views add themselves deferred and leave immediately.
    ObserverManager<DatabaseObserver>& getObservers() { return m_observers; }
    /// Told of every push and pop of the undo and redo stacks.
    ObserverManager<UndoObserver>& getUndoObservers() { return m_undoObservers; }

    // --- switches for all databases ---
    ///@{
    /// Prints each finished change block to stderr.
    static void enableTrace(bool enable);
    static bool isTraceEnabled();
    ///@}
    ///@{
    /// Times each observer call and reports those slower than the threshold.
    static void enableObserverTiming(bool enable);
    static bool isObserverTimingEnabled();
    ///@}
    /// The time an observer call may take before timing reports it; 5 ms to start with.
    static void setObserverTimingThreshold(double milliseconds);
    ///@{
    /// Where observer-list problems and slow observers are reported; may be null.
    static void setErrorReporter(ErrorReporter* reporter);
    static ErrorReporter* getErrorReporter();
    ///@}

private:
    friend class detail::Editor;
    struct Step;
    struct Recorder;
    struct Releaser;

    /// Redoes a step (`forward`) or undoes it, reporting to `builder`.
    void apply(Step& step, bool forward, detail_ChangeSetAccess& builder);
    /// Moves the top step between the stacks, applying it: redo when `forward`, else undo.
    bool travel(bool forward);
    /// The recorder's edits as a step of their own.
    static std::unique_ptr<Step> takeStep(Recorder& recorder);
    void pushUndo(std::unique_ptr<Step> step);
    void dropRedo();
    void trimUndo();
    /// Keeps a step that leaves the stacks until no report is under way.
    void retire(std::unique_ptr<Step> step);
    void releaseRetired();
    /// Retires every undo and redo step, newest first.
    void retireHistory();
    /// Takes the root's nodes and dynamic attributes out of the tree as a
    /// done step that removed them, reporting to `builder`.
    std::unique_ptr<Step> detachContent(detail_ChangeSetAccess& builder);
    std::uint64_t currentSerial() const;
    void report(std::shared_ptr<ChangeSet> changes, bool transient);

    TypeRegistry* m_registry;
    NodeContainer* m_rootContainer = nullptr;
    ObserverManager<DatabaseObserver> m_observers;
    ObserverManager<UndoObserver> m_undoObservers;

    int m_depth = 0;
    ChangeMode m_mode = ChangeMode::Normal;
    std::unique_ptr<Recorder> m_recorder;
    std::deque<std::unique_ptr<Step>> m_undo;
    std::deque<std::unique_ptr<Step>> m_redo;
    /// Steps off the stacks whose objects a pending report may still name.
    std::vector<std::unique_ptr<Step>> m_retired;
    /// The retired steps go to the releaser's thread however few nodes they hold.
    bool m_releaseApart = false;
    std::unique_ptr<Releaser> m_releaser;
    int m_maxUndoItems = -1;
    std::uint64_t m_nextSerial = 1;
    std::uint64_t m_baseSerial = 0;
    std::uint64_t m_checkpoint = 0;
    bool m_replaying = false;
    bool m_destroying = false;

    std::deque<std::pair<std::shared_ptr<ChangeSet>, bool>> m_pendingReports;
    bool m_reporting = false;

    std::size_t m_undoBytes = 0;
    std::size_t m_nodeCount = 1;
    std::size_t m_attributeCount = 0;
};

} // namespace db
