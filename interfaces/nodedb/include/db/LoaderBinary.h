#pragma once

#include <db/Export.h>
#include <db/FileInputStream.h>
#include <db/LoadError.h>

namespace db {

class Attribute;
class ReferenceResolver;
class TypeRegistry;

/// Reads the binary form (.dbb) of a database or of one node's subtree. The file is read
/// into a detached tree first and attached only when all of it is good, so a
/// failed load leaves the target as it was. Loading a database file into an
/// empty database restores it; into a non-empty one, and for subtree files,
/// the file's nodes are added below the target.
class DBUI_NODEDB_EXPORT LoaderBinary
{
public:
    /// `flags` is 0 (reserved); `resolver` may be null.
    LoaderBinary(FileInputStream& stream, int flags = 0, ReferenceResolver* resolver = nullptr);

    ///@{
    /// Loads into `target` (a database, a node or a node container); false with `getError` set on failure.
    bool load(Attribute* target);
    bool load(Attribute& target) { return load(&target); }
    ///@}

    /// Node types come from the target database's registry; this one is used
    /// when the target is detached (default: the default registry).
    void setTypeRegistry(TypeRegistry* registry) { m_registry = registry; }

    /// Why the last load failed; empty after a success.
    const LoadError& getError() const { return m_error; }
    /// The flags given at construction.
    int getFlags() const { return m_flags; }
    /// True when the last file read held one node's subtree rather than a whole database.
    bool isSubtreeFile() const { return m_subtree; }

private:
    FileInputStream& m_stream;
    int m_flags;
    ReferenceResolver* m_resolver;
    TypeRegistry* m_registry = nullptr;
    LoadError m_error;
    bool m_subtree = false;
};

} // namespace db
