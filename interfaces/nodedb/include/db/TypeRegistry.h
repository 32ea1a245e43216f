#pragma once

#include <db/Export.h>
#include <db/NodeDef.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace db
{

/// The node types known to a program. Every registry starts with the core
/// types "Node" (id 1, the abstract base of all nodes) and "Database" (id 2,
/// the root: a string "name" and a node container "nodes").
class DBUI_NODEDB_EXPORT TypeRegistry
{
public:
    /// The id of the core type "Node".
    static constexpr int s_nodeTypeId = 1;
    /// The id of the core type "Database".
    static constexpr int s_databaseTypeId = 2;

    TypeRegistry();
    ~TypeRegistry();
    TypeRegistry(const TypeRegistry&) = delete;
    TypeRegistry& operator=(const TypeRegistry&) = delete;

    /// The registry used when none is given: the core types plus the example
    /// scene schema, unless `setDefault` installed another one.
    static TypeRegistry& getDefault();
    /// Installs `registry` (not owned) as the default; null restores the built-in one.
    static void setDefault(TypeRegistry* registry);

    /// Takes the definition; returns it, or null (and drops it) when its id or name is taken.
    NodeDef* registerNodeDef(std::unique_ptr<NodeDef> def);
    /// Convenience: registers a new type deriving from `base` (the core "Node" when null).
    NodeDef* registerNodeDef(int typeId, const std::wstring& name, NodeDef* base = nullptr, bool creatable = true);

    ///@{
    /// The type with that id (name), or null.
    NodeDef* findNodeDef(int typeId) const;
    NodeDef* findNodeDef(const std::wstring& name) const;
    ///@}
    /// The core type "Node", base of every other.
    NodeDef& getNodeBaseDef() const { return *m_nodeDef; }
    /// The core type "Database", the type of every database's root.
    NodeDef& getDatabaseDef() const { return *m_databaseDef; }
    /// Every type in order of registration.
    const std::vector<NodeDef*>& getNodeDefs() const { return m_ordered; }

private:
    std::vector<std::unique_ptr<NodeDef>> m_defs;
    std::vector<NodeDef*> m_ordered;
    std::unordered_map<int, NodeDef*> m_byId;
    std::unordered_map<std::wstring, NodeDef*> m_byName;
    NodeDef* m_nodeDef = nullptr;
    NodeDef* m_databaseDef = nullptr;
};

/// Registers the example scene schema (groups, meshes, lights, cameras,
/// scripts, materials and a type holding every attribute kind). Type ids from 100.
DBUI_NODEDB_EXPORT void registerExampleSchema(TypeRegistry& registry);

} // namespace db
