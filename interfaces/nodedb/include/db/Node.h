#pragma once

#include <db/CompositeAttribute.h>
#include <db/Export.h>

#include <OrkP/Matrix34.h>
#include <OrkP/Vector3.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace db
{

class BoolArrayAttribute;
class NodeDef;

/// A named node: a composite of the attributes its type defines, plus dynamic
/// attributes added at run time. Child nodes live in its node containers.
class DBUI_NODEDB_EXPORT Node : public CompositeAttribute
{
public:
    ///@{
    /// A detached node of type `def` whose members hold their defaults.
    Node(NodeDef& def, const std::wstring& name);
    Node(NodeDef& def, std::wstring&& name);
    ///@}
    ~Node() override;

    const std::wstring& getName() const override;
    /// Renames the node; reported in RenamedNodes. Any text is a valid name.
    bool setName(const std::wstring& name) override;

    /// The node type's name, shown as the node's class.
    const std::wstring& getClassID() const;
    /// The node type's id, as schemas and binary files give it.
    int getTypeId() const;
    /// The node type: its members, base and creatability.
    NodeDef& getNodeDef() const;

    ///@{
    /// The neighbouring node under the same parent node (across its containers), or null.
    Node* getPrevious() const;
    Node* getNext() const;
    ///@}
    /// The nodes directly below this one, in order (containers in attribute order).
    std::vector<Node*> getChildNodes() const;
    /// The first direct child node of that name, or null.
    Node* findChildNode(const std::wstring& name) const;

    Attribute* findAttribute(const std::wstring& name) const override;

    /// A detached deep copy (attributes, dynamic attributes and child nodes).
    /// Pointers into the copied subtree point at the copies. With an empty name
    /// the copy is named after this node with a number that no sibling uses.
    Node* makeCopy(const std::wstring& name) const;
    /// Detached deep copies of `nodes`, named as they are, in their order. Pointers
    /// into any of the copied subtrees point at the copies; no node may lie below another.
    static std::vector<std::unique_ptr<Node>> makeCopies(const std::vector<const Node*>& nodes);
    /// `name` with its trailing digits replaced by the lowest number from 1 that
    /// gives a name not in `taken`: "Lamp" or "Lamp1" among "Lamp1" and "Lamp2" gives "Lamp3".
    static std::wstring numberedName(const std::wstring& name, const std::unordered_set<std::wstring>& taken);
    /// Names taken among siblings, for naming many nodes in a row: `next` keeps,
    /// for each name without its trailing digits, the lowest number not yet
    /// known to be taken, so that naming k nodes among n siblings costs about
    /// k + n look-ups instead of k × n.
    struct TakenNames
    {
        /// Every name taken so far.
        std::unordered_set<std::wstring> names;
        /// For a name without its trailing digits, the lowest number not yet known to be taken.
        std::unordered_map<std::wstring, unsigned long> next;
    };
    /// numberedName against `taken`, whose names may only have grown since it was last asked.
    static std::wstring numberedName(const std::wstring& name, TakenNames& taken);

    ///@{
    /// Adds an attribute that the node type does not declare, after the others;
    /// one undo step outside a block. `value` is both its default and its value;
    /// the limits, where given, bound later edits. A name already in use gets a
    /// number appended. Null on a bad definition.
    IntAttribute* addDynamicInt(const std::wstring& name, int value, int minimum, int maximum);
    BoolAttribute* addDynamicBool(const std::wstring& name, bool value);
    FloatAttribute* addDynamicFloat(const std::wstring& name, float value, float minimum, float maximum);
    DoubleAttribute* addDynamicDouble(const std::wstring& name, double value, double minimum, double maximum);
    StringAttribute* addDynamicString(const std::wstring& name, const std::wstring& value);
    Vector3Attribute* addDynamicVector3(const std::wstring& name, const OrkP::Vector3& value);
    Matrix34Attribute* addDynamicMatrix34(const std::wstring& name, const OrkP::Matrix34& value);
    ///@}
    ///@{
    /// Arrays start empty; `value` and the limits apply to each element.
    IntArrayAttribute* addDynamicIntArray(const std::wstring& name, int value, int minimum, int maximum);
    BoolArrayAttribute* addDynamicBoolArray(const std::wstring& name, bool value);
    FloatArrayAttribute* addDynamicFloatArray(const std::wstring& name, float value, float minimum, float maximum);
    DoubleArrayAttribute* addDynamicDoubleArray(const std::wstring& name, double value, double minimum, double maximum);
    StringArrayAttribute* addDynamicStringArray(const std::wstring& name, const std::wstring& value);
    Vector3ArrayAttribute* addDynamicVector3Array(const std::wstring& name, const OrkP::Vector3& value);
    Matrix34ArrayAttribute* addDynamicMatrix34Array(const std::wstring& name, const OrkP::Matrix34& value);
    ///@}
    /// Any kind but node containers, with a definition of its own (loaders use this).
    Attribute* addDynamicAttribute(std::unique_ptr<AttributeDef> def);
    /// How many of the attributes are dynamic (they come after the schema members).
    unsigned int getDynamicAttributeCount() const;

    void accept(Visitor* visitor) override;

protected:
    bool accepts(const Attribute& child) const override;

private:
    friend class Database;
    friend class detail::Editor;
    Node(NodeDef& def, const std::wstring& name, NoMembers);
    void buildMembers();

    // The schema members of a node and the list of them are allocated together
    // (see buildMembers): one allocation per node instead of one per attribute.
    std::wstring m_name;
};

} // namespace db
