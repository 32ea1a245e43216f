#pragma once

#include <db/CompoundAttributeDef.h>
#include <db/Export.h>

#include <string>

namespace db
{

/// Definition of a node type: a type id, a name, a base type whose members
/// come first, and its own member definitions.
class DBUI_NODEDB_EXPORT NodeDef : public CompoundAttributeDef
{
public:
    /// The base's members are shared and come first; add own members afterwards.
    NodeDef(int typeId, const std::wstring& name, NodeDef* base = nullptr, bool creatable = true);

    /// The type's id, unique in its registry.
    int getTypeId() const { return m_typeId; }
    /// The type it derives from; null only for the core "Node".
    NodeDef* getBaseDef() const { return m_base; }
    ///@{
    /// False for abstract types that only serve as bases.
    bool isCreatable() const { return m_creatable; }
    void setCreatable(bool creatable) { m_creatable = creatable; }
    ///@}
    /// True when this type is `other` or derives from it (a null `other` is every type).
    bool isKindOf(const NodeDef* other) const;
    ///@{
    /// The name of the icon that views show for nodes of this type (a schema's
    /// `icon`); empty when the type names none of its own.
    const std::wstring& getIconName() const { return m_iconName; }
    void setIconName(const std::wstring& name) { m_iconName = name; }
    ///@}

    NodeDef* asNodeDef() override { return this; }
    const NodeDef* asNodeDef() const override { return this; }

private:
    int m_typeId;
    NodeDef* m_base;
    bool m_creatable;
    std::wstring m_iconName;
};

} // namespace db
