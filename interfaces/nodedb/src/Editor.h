#pragma once

#include "ChangeSetBuilder.h"
#include "ValueSlot.h"

#include <db/ArrayAttribute.h>
#include <db/Attribute.h>
#include <db/CompositeAttribute.h>
#include <db/Database.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace db
{
namespace detail
{

enum class RecordKind : std::uint8_t
{
    Insert,
    Remove,
    Move,
    Rename,
};

/// One structural edit of an undo step.
struct Record
{
    RecordKind kind;
    Attribute* target;
    CompositeAttribute* parent;    // Insert, Remove: the parent; Move: the old parent
    CompositeAttribute* newParent; // Move only
    unsigned int index;            // Insert, Remove: the position; Move: the old position
    unsigned int newIndex;         // Move only
    std::wstring name;             // Rename: the other name
};

/// One saved value of an undo step. A whole value holds the value the
/// attribute does not have now; an element edit of an array holds the element
/// that is out of the array now (none for an insertion that is done).
struct ValueRecord
{
    Attribute* attribute;
    ValueSlot slot;
    bool element = false;
    ElementOp op = ElementOp::Exchange;
    unsigned int index = 0;
};

/// The tree surgery and edit recording shared by every attribute class. All
/// functions are no-ops on the recording side for detached trees.
class Editor
{
public:
    // --- value edits ---
    /// Open while one attribute's value changes: joins (or opens) a change block
    /// of the attribute's database and saves the old value once per block.
    class ValueEdit
    {
    public:
        explicit ValueEdit(Attribute& attribute);
        ~ValueEdit();
        ValueEdit(const ValueEdit&) = delete;
        ValueEdit& operator=(const ValueEdit&) = delete;

    private:
        Database* m_database = nullptr;
        bool m_implicit = false;
    };

    /// Open while a loader sets the values of nodes it has just built, which no
    /// database holds: the value edits of this thread skip looking for one.
    class DetachedBuild
    {
    public:
        DetachedBuild();
        ~DetachedBuild();
        DetachedBuild(const DetachedBuild&) = delete;
        DetachedBuild& operator=(const DetachedBuild&) = delete;

    private:
        bool m_outer;
    };

    /// Makes one element edit of `array` (see ArrayAttribute::replayElement)
    /// and records it, joining or opening a change block as ValueEdit does.
    static void editElement(ArrayAttribute& array, ElementOp op, unsigned int index, ValueSlot slot);
    /// Undoes (`forward` false) or redoes one saved value.
    static void replay(ValueRecord& record, bool forward);

    // --- structural edits (recorded when in a database) ---
    static bool insert(CompositeAttribute& parent, unsigned int index, Attribute& child);
    static bool remove(CompositeAttribute& parent, Attribute& child);
    static bool rename(Node& node, const std::wstring& name);
    /// Appends detached nodes that a loader built to their parents, as `insert`
    /// would one by one, trusting what the loader learnt while building them
    /// instead of walking them again: `subtree` lists every node of them,
    /// parents first, and `attributes` counts their attributes. The parents
    /// lie in one tree and accept the nodes.
    static void insertBuilt(const std::vector<std::pair<CompositeAttribute*, Node*>>& placements,
                            const std::vector<Node*>& subtree, std::size_t attributes);

    /// Appends a node that a loader has just built to a container of the
    /// detached tree it builds, as `insert` would, less what cannot fail
    /// there: no database records that tree, and the node is above nothing
    /// in it. False when the container does not take such nodes.
    static bool appendBuilt(CompositeAttribute& container, Node& node);

    // --- replays and raw surgery ---
    static void applyInsert(Database* db, CompositeAttribute& parent, unsigned int index, Attribute& child,
                            ChangeSetBuilder* builder);
    static void applyRemove(Database* db, CompositeAttribute& parent, Attribute& child, ChangeSetBuilder* builder);
    static void applyMove(Database* db, Attribute& child, CompositeAttribute& newParent, unsigned int newIndex,
                          ChangeSetBuilder* builder);
    static void applyRename(Node& node, std::wstring& name, ChangeSetBuilder* builder);
    /// Takes every node out of `container` at once, as applyRemove would one
    /// by one, adding a Remove record of each to `records`. The database's
    /// counts are left to the caller.
    static void detachNodes(CompositeAttribute& container, std::vector<Record>& records, ChangeSetBuilder& builder);
    static void reportValue(Database* db, Attribute& attribute, ChangeSetBuilder* builder);

    static void exchange(Attribute& attribute, ValueSlot& slot) { attribute.exchangeValue(slot); }
    static void save(const Attribute& attribute, ValueSlot& slot) { attribute.saveValue(slot); }

    /// The nodes of a subtree, parents first (the root included when it is a node).
    static void collectNodes(Attribute& root, std::vector<Node*>& out);
    static void countSubtree(const Attribute& root, std::size_t& nodes, std::size_t& attributes);
    /// The attributes of a node that countSubtree counts, less those of the nodes below it.
    static std::size_t countOwnAttributes(const Node& node);
    /// Bytes a subtree takes, roughly (for the undo memory figure).
    static std::size_t subtreeBytes(const Attribute& root);

    /// Creates the members of `def` in `owner` with one allocation: the
    /// members one after the other, then the array of pointers to them that
    /// the child list starts in.
    static void buildMembers(CompositeAttribute& owner, const CompoundAttributeDef& def);
    /// Destroys the children of `owner`, then the block buildMembers made.
    static void destroyMembers(CompositeAttribute& owner);
    /// A new attribute of the definition's type, placed at `where` when given.
    static Attribute* createAttribute(AttributeDef& def, void* where = nullptr);
    static std::size_t attributeSize(AttributeType type);
    static void markOwnsDef(Attribute& attribute) { attribute.setFlag(Attribute::s_ownsDef, true); }
    static void markInArena(Attribute& attribute) { attribute.setFlag(Attribute::s_inArena, true); }
    static bool isInArena(const Attribute& attribute) { return attribute.hasFlag(Attribute::s_inArena); }
    static void destroy(Attribute* attribute);
    static ChildList& children(CompositeAttribute& parent) { return parent.m_children; }
    static void setParentRaw(Attribute& child, CompositeAttribute* parent, unsigned int index);

    /// Marks `target` as referenced by a pointer attribute (`referrer`).
    static void addReferrer(Attribute* target, Attribute* referrer);
    static void removeReferrer(Attribute* target, Attribute* referrer);
    /// Points a pointer (`index` -1) or pointer array element of a detached tree
    /// at `target`: nothing records such a tree, so no edit is opened.
    static void setDetachedPointer(Attribute& owner, int index, Attribute* target);
    /// setDetachedPointer for a pointer or element that points nowhere yet, but
    /// leaving `target` to be told of its referrer (addReferrers); false, and
    /// nothing done, when it points somewhere or the element is not there.
    static bool pointDetached(Attribute& owner, int index, Attribute* target);
    /// Marks `target` as referenced by `count` referrers at once.
    static void addReferrers(Attribute* target, Attribute* const* referrers, std::size_t count);
    /// Makes room for `targets` more referenced attributes, about to be told of their referrers.
    static void expectReferred(std::size_t targets);
    /// Called as a referenced attribute is destroyed: its referrers forget it.
    static void targetDestroyed(Attribute* target);
    /// Does for the pointers into and out of the trees under `roots` (detached
    /// trees, about to be destroyed) what destroying them would: pointers
    /// elsewhere to them are cleared, and they leave the referrer lists of
    /// targets elsewhere. They can then be destroyed without the bookkeeping.
    /// `nodes` are the trees' nodes, as collectNodes lists them.
    static void severReferences(const std::vector<Attribute*>& roots, const std::vector<Node*>& nodes);
    /// Points `referrer` (a pointer or pointer array) at nothing where it pointed at `target`.
    static void forgetTarget(Attribute* referrer, const Attribute* target);
    /// From now on this thread destroys only trees that severReferences has
    /// cut loose: their destructors leave the referrer bookkeeping, which
    /// belongs to the thread that edits, alone.
    static void destroyOnlySeveredTrees();

    /// Starts an edit: the database recording it (opening a block of its own when
    /// none is open, `implicit` then true), or null for a detached attribute.
    static Database* beginEdit(const Attribute& attribute, bool& implicit);
    static void endEdit(Database* database, bool implicit, const wchar_t* description);
};

} // namespace detail

struct Database::Step
{
    std::wstring description;
    std::uint64_t serial = 0;
    bool done = true;
    std::vector<detail::Record> structure;
    std::vector<detail::ValueRecord> values;
    std::shared_ptr<ChangeSet::ValueChanges> valueSet;
    std::size_t bytes = 0;
    /// False once the objects it would delete have been handed over.
    bool owning = true;

    Step();
    ~Step();
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;
    bool isEmpty() const { return structure.empty() && values.empty(); }
    std::size_t estimateBytes() const;
    /// The detached objects this step deletes when it goes.
    std::vector<Attribute*> ownedObjects() const;
    /// The same, for the caller to delete: the step then deletes nothing.
    std::vector<Attribute*> handOverObjects();
};

struct Database::Recorder
{
    Step step;
    /// Arrays kept as element edits in this block, with the count of those
    /// records; an array edited in the block but not listed here has a copy
    /// of its whole value as its latest record, which covers every edit after it.
    std::unordered_map<const Attribute*, std::size_t> elementRecords;
    ChangeSetBuilder block;
    ChangeSetBuilder commit;
    std::shared_ptr<ChangeSet::ValueChanges> commitValues;
};

} // namespace db
