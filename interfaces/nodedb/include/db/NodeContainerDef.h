#pragma once

#include <db/AttributeDef.h>
#include <db/Export.h>

namespace db
{

class NodeDef;

/// Definition of a node container: an attribute that owns child nodes of one
/// node type or types derived from it.
class DBUI_NODEDB_EXPORT NodeContainerDef : public AttributeDef
{
public:
    /// `contained` null accepts every node type.
    NodeContainerDef(const std::wstring& name, NodeDef* contained);

    /// The node type the container accepts (with its derived types); null for any.
    NodeDef* getContainedDef() const { return m_contained; }
    /// Changes the accepted type, for readers that meet a container before the
    /// type it holds; nodes already in such containers stay.
    void setContainedDef(NodeDef* contained) { m_contained = contained; }
    /// True when a node of type `def` may be put in such a container.
    bool accepts(const NodeDef& def) const;

    NodeContainerDef* asNodeContainerDef() override { return this; }
    const NodeContainerDef* asNodeContainerDef() const override { return this; }
    AttributeDef* makeCopy() const override;

private:
    NodeDef* m_contained;
};

} // namespace db
