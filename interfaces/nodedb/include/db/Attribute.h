#pragma once

#include <db/AttributeDef.h>
#include <db/AttributeType.h>
#include <db/Export.h>

#include <cstdint>
#include <string>

namespace db
{

class ArrayAttribute;
class AttributeArray;
class BoolArrayAttribute;
class BoolAttribute;
class CompositeAttribute;
class Database;
class DoubleArrayAttribute;
class DoubleAttribute;
class EnumArrayAttribute;
class EnumAttribute;
class FloatArrayAttribute;
class FloatAttribute;
class IntArrayAttribute;
class IntAttribute;
class Matrix34ArrayAttribute;
class Matrix34Attribute;
class Node;
class NodeContainer;
class PointerArrayAttribute;
class PointerAttribute;
class StringArrayAttribute;
class StringAttribute;
class Vector3ArrayAttribute;
class Vector3Attribute;
class Visitor;

namespace detail
{
struct ValueSlot;
class Editor;
} // namespace detail

/// One typed value in the tree of a database (or in a detached tree being
/// built). Schema attributes take their name from their definition; nodes
/// carry their own. Edits made while the attribute belongs to a database are
/// recorded for undo and reported to the database's observers; edits on a
/// detached attribute just change it.
class DBUI_NODEDB_EXPORT Attribute
{
public:
    virtual ~Attribute();
    Attribute(const Attribute&) = delete;
    Attribute& operator=(const Attribute&) = delete;

    /// The name: the definition's, or a node's own name.
    virtual const std::wstring& getName() const;
    /// Renames a node (one undo step outside a block); false for other attributes.
    virtual bool setName(const std::wstring& name);

    /// The kind of value held: the definition's type.
    AttributeType getAttributeType() const { return m_def->getAttributeType(); }
    /// The definition: type, member name, default, limits, units (a dynamic attribute's own).
    AttributeDef& getDef() const { return *m_def; }

    // --- place in the tree ---
    /// The composite that holds this attribute; for a removed one, the one that held it.
    CompositeAttribute* getParentAttribute() const { return m_parent; }
    /// The nearest node above this attribute (for a node: the node above it); null at the root.
    Node* getParentNode() const;
    /// The node that owns this attribute (a node itself for a node).
    Node* getOwnerNode() const;
    /// Position in the parent (for a removed attribute: the position it had).
    unsigned int getIndex() const;
    ///@{
    /// The sibling before/after this one in the parent; for nodes, the neighbouring node of the
    /// same parent node, across that node's containers. Null at either end.
    Attribute* getPrevious() const;
    Attribute* getNext() const;
    ///@}
    /// True when `ancestor` is above this attribute now (an attribute is not its own descendant).
    bool isDescendantOf(const Attribute* ancestor) const;
    /// Like isDescendantOf, but follows the former parent of removed attributes: for
    /// attributes reported removed, whether they were under `ancestor`.
    bool wasDescendantOf(const Attribute* ancestor) const;
    /// True when the attribute is not in any tree: never attached, or removed.
    bool isDetached() const { return m_parent == nullptr || (m_flags & s_removed) != 0; }
    /// The database the attribute belongs to now; null when detached or in a detached tree.
    Database* getDatabase() const;
    /// The top of the tree this attribute is in (the database, or a detached root).
    Attribute* getRoot() const;

    /// Takes the attribute out of its parent (nodes, dynamic attributes, attribute
    /// array elements). Schema members cannot be removed: false.
    bool remove();

    // --- kind queries ---
    /// A node (type 22), with a name of its own and members from its node type.
    bool isNode() const { return getAttributeType() == NodeType; }
    /// A node container (type 19), holding nodes.
    bool isNodeContainer() const { return getAttributeType() == NodeContainerType; }
    /// An attribute array (type 20), whose elements are compounds of one definition.
    bool isAttributeArray() const { return getAttributeType() == AttributeArrayType; }
    /// A compound attribute (type 21): its members are shown and edited one by one.
    bool isCompound() const { return getAttributeType() == Compound; }
    /// Holds child attributes: nodes, compounds, attribute arrays and node containers.
    bool isComposite() const;
    /// An array of any kind: value arrays (10-18), node containers and attribute arrays.
    bool isArray() const;
    /// Added to its node at run time, with a definition of its own.
    bool isDynamic() const { return (m_flags & s_ownsDef) != 0; }

    ///@{
    /// This attribute as the class of its type, or null when it is of another
    /// type: a checked cast that costs no RTTI.
    IntAttribute* asIntAttribute();
    BoolAttribute* asBoolAttribute();
    EnumAttribute* asEnumAttribute();
    FloatAttribute* asFloatAttribute();
    DoubleAttribute* asDoubleAttribute();
    StringAttribute* asStringAttribute();
    Vector3Attribute* asVector3Attribute();
    Matrix34Attribute* asMatrix34Attribute();
    PointerAttribute* asPointerAttribute();
    IntArrayAttribute* asIntArrayAttribute();
    BoolArrayAttribute* asBoolArrayAttribute();
    EnumArrayAttribute* asEnumArrayAttribute();
    FloatArrayAttribute* asFloatArrayAttribute();
    DoubleArrayAttribute* asDoubleArrayAttribute();
    StringArrayAttribute* asStringArrayAttribute();
    Vector3ArrayAttribute* asVector3ArrayAttribute();
    Matrix34ArrayAttribute* asMatrix34ArrayAttribute();
    PointerArrayAttribute* asPointerArrayAttribute();
    /// Any value array (types 10 to 18).
    ArrayAttribute* asArrayAttribute();
    NodeContainer* asNodeContainer();
    AttributeArray* asAttributeArray();
    CompositeAttribute* asCompositeAttribute();
    Node* asNode();
    Database* asDatabase();
    const Node* asNode() const;
    const CompositeAttribute* asCompositeAttribute() const;
    ///@}

    // --- values ---
    /// True when `other` has the same type and an equal value (deeply for arrays and
    /// composites; floats compare exactly, so NaN differs from everything).
    virtual bool hasSameValue(const Attribute& other) const;
    /// Sets this attribute's value from `other` of the same type (deeply); false on a type mismatch.
    virtual bool copyValueFrom(const Attribute& other);
    /// Element count of arrays, child count of composites, 0 for single values.
    virtual unsigned int getSize() const { return 0; }
    /// True when the attribute holds what a new one of its definition holds:
    /// the definition's default (limits applied), no target for pointers, no
    /// elements for arrays and attribute arrays, and for compounds every member
    /// its own default. Node containers always do.
    bool holdsDefault() const;
    /// Gives the attribute what holdsDefault looks for, as ordinary edits of the
    /// open change block; members and elements that already hold it are left alone.
    void resetToDefault();

    /// Walks this attribute: visitAttributeEnter, its members (unless the visitor
    /// skipped them), visitAttributeExit. Nodes are visited with the node callbacks.
    virtual void accept(Visitor* visitor);

    // --- paths ---
    /// Writes the path that names this attribute: from the root ("/Scene/Cube.position",
    /// "/Cube.layers[2].weight", "/" for the database) or, when `relativeTo` is an
    /// ancestor, relative to it. Replaces `path` unless `append` is true. A detached
    /// attribute's path is taken from its detached root.
    void toDatabasePath(std::wstring& path, const Attribute* relativeTo = nullptr, bool append = false) const;
    /// The attribute a path names, or null. A path starting with "/" is taken from this
    /// attribute's root when `fromRoot` is true (from this attribute otherwise); other
    /// paths are relative to this attribute.
    Attribute* attributeFromDatabasePath(const std::wstring& path, bool fromRoot = true);

protected:
    /// A detached attribute of `def` (not owned) holding the definition's default.
    explicit Attribute(AttributeDef& def);

    /// Exchanges the value with a snapshot slot (undo and redo of value edits).
    virtual void exchangeValue(detail::ValueSlot& slot);
    /// Stores the current value in a snapshot slot.
    virtual void saveValue(detail::ValueSlot& slot) const;

    ///@{
    /// Bits of the attribute's state, kept beside its index: removed (still
    /// alive for undo), owns its definition (dynamic), allocated in its node's
    /// arena, the target of some pointer, a database itself, a node about to
    /// be destroyed together with many others.
    static constexpr std::uint32_t s_removed = 1;
    static constexpr std::uint32_t s_ownsDef = 2;
    static constexpr std::uint32_t s_inArena = 4;
    static constexpr std::uint32_t s_pointerTarget = 8;
    static constexpr std::uint32_t s_database = 16;
    static constexpr std::uint32_t s_doomed = 32;

    bool hasFlag(std::uint32_t flag) const { return (m_flags & flag) != 0; }
    void setFlag(std::uint32_t flag, bool on) { m_flags = on ? (m_flags | flag) : (m_flags & ~flag); }
    ///@}

private:
    friend class CompositeAttribute;
    friend class Node;
    friend class Database;
    friend class detail::Editor;
    friend class PointerArrayAttribute;
    friend class PointerAttribute;

    /// Finds this attribute among its siblings when the stored index is stale.
    unsigned int locateInParent() const;

    AttributeDef* m_def;
    CompositeAttribute* m_parent = nullptr;
    // Index and flags share one word so that small value types fit in the base's
    // tail padding: a float attribute stays at 32 bytes. The index is a hint:
    // inserting or removing a child leaves its later siblings' indices as they
    // were, and getIndex corrects a stale one when it is asked (see
    // locateInParent), so that removing many of 300,000 siblings does not
    // renumber all the others each time.
    mutable std::uint32_t m_index : 24;
    std::uint32_t m_flags : 8;
};

} // namespace db
