#pragma once

#include <db/CompositeAttribute.h>
#include <db/Export.h>

namespace db
{

class NodeContainerDef;

/// An attribute that owns an ordered list of child nodes (type 19).
class DBUI_NODEDB_EXPORT NodeContainer : public CompositeAttribute
{
public:
    /// A detached, empty container; `def` must be a NodeContainerDef.
    explicit NodeContainer(AttributeDef& def);

    /// How many nodes it holds directly.
    unsigned int getNodeCount() const { return getAttributeCount(); }
    /// The node at `index`, which must be below getNodeCount().
    Node* getNode(unsigned int index) const;
    /// Appends a node: a detached node becomes owned by the container, an
    /// attached one is moved here. False when the container does not accept its
    /// type or the node is an ancestor of the container.
    bool add(Node* node);
    /// Inserts a node before `index`.
    bool insert(unsigned int index, Node* node);
    /// Takes a node out of the container; false when it is not in it.
    bool remove(Node* node);
    using Attribute::remove;
    /// The first child node of that name, or null.
    Node* findNode(const std::wstring& name) const;
    /// The container's definition, which says what node types it accepts.
    const NodeContainerDef& getContainerDef() const;

protected:
    bool accepts(const Attribute& child) const override;
};

} // namespace db
