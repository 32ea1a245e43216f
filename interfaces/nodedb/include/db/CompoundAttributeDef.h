#pragma once

#include <db/AttributeDef.h>
#include <db/Export.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace db
{

/// Definition of a composite attribute: an ordered list of member definitions
/// with a constant-time look-up by name. Serves compound attributes, the
/// elements of attribute arrays, and (as NodeDef) nodes.
class DBUI_NODEDB_EXPORT CompoundAttributeDef : public AttributeDef
{
public:
    /// A definition without members; `type` is Compound, or NodeType for node types.
    explicit CompoundAttributeDef(const std::wstring& name, AttributeType type = Compound, int units = 0);
    ~CompoundAttributeDef() override;

    /// Appends a member definition (owned); returns it, or null when the name is taken.
    AttributeDef* addAttributeDef(std::unique_ptr<AttributeDef> def);
    /// Convenience: appends a new plain member definition.
    AttributeDef* addAttributeDef(const std::wstring& name, AttributeType type, int units = 0);

    /// How many members it has, a node type's inherited ones included.
    unsigned int getAttributeDefCount() const { return static_cast<unsigned int>(m_members.size()); }
    /// The member at `index`, which must be below getAttributeDefCount().
    AttributeDef& getAttributeDef(unsigned int index) const { return *m_members[index]; }
    /// The member of that name, null if none. Constant time.
    AttributeDef* findAttributeDef(const std::wstring& name) const;
    /// Position of the member of that name, -1 if none. Constant time.
    int findAttributeIndex(const std::wstring& name) const;

    CompoundAttributeDef* asCompoundAttributeDef() override { return this; }
    const CompoundAttributeDef* asCompoundAttributeDef() const override { return this; }
    bool canHoldNodes() const override { return m_canHoldNodes; }
    /// Positions of the members that are, or contain, node containers: walks
    /// looking for nodes visit only these.
    const std::vector<unsigned int>& getNodeHoldingMembers() const { return m_nodeHoldingMembers; }
    /// Positions of the members that hold members of their own (compounds, attribute
    /// arrays, node containers): counting a subtree need not touch the others.
    const std::vector<unsigned int>& getCompositeMembers() const { return m_compositeMembers; }
    AttributeDef* makeCopy() const override;

protected:
    /// Appends a member owned elsewhere (a base node type's member).
    void addSharedAttributeDef(AttributeDef* def);

private:
    std::vector<AttributeDef*> m_members;
    std::vector<std::unique_ptr<AttributeDef>> m_owned;
    std::unordered_map<std::wstring, int> m_index;
    std::vector<unsigned int> m_nodeHoldingMembers;
    std::vector<unsigned int> m_compositeMembers;
    bool m_canHoldNodes = false;
};

} // namespace db
