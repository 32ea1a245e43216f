#pragma once

#include <db/Export.h>

#include <string>
#include <vector>

namespace db
{

class Node;
class NodeDef;
class TypeRegistry;

/// A new detached node of the type with id `typeId` (null when the registry has
/// no such creatable type). An empty name names the node after its type.
/// `registry` null means the default registry. With `reportErrors`, an unknown
/// type is reported to the database error reporter.
DBUI_NODEDB_EXPORT Node* makeNode(int typeId, const std::wstring& name, TypeRegistry* registry = nullptr,
                                  bool reportErrors = false);
/// The same by type name.
DBUI_NODEDB_EXPORT Node* makeNode(const std::wstring& typeName, const std::wstring& name,
                                  TypeRegistry* registry = nullptr, bool reportErrors = false);

/// Fills `list` with the creatable types that are `base` or derive from it
/// (all creatable types when `base` is null), sorted by name.
DBUI_NODEDB_EXPORT void getCreatableTypes(const NodeDef* base, std::vector<NodeDef*>& list,
                                          TypeRegistry* registry = nullptr);

} // namespace db
