#pragma once

#include <db/Export.h>
#include <db/FileInputStream.h>
#include <db/LoadError.h>
#include <db/Progress.h>

#include <functional>

namespace db
{

class Attribute;
class ReferenceResolver;
class TypeRegistry;

/// Reads the binary form (.dbb) of a database or of one node's subtree. The file is read
/// into a detached tree first and attached only when all of it is good, so a
/// failed load leaves the target as it was. Loading a database file into an
/// empty database restores it; into a non-empty one, and for subtree files,
/// the file's nodes are added below the target.
///
/// Runs of small nodes are built on all processors but one besides the
/// calling thread.
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

    /// True when the stream holds a binary file, damaged or not (by its first bytes).
    static bool isBinaryFile(FileInputStream& stream);

    /// Called once the whole file has been read and checked, right before the
    /// target changes: the last moment to make room for what was read.
    void setBeforeAttach(std::function<void()> beforeAttach) { m_beforeAttach = std::move(beforeAttach); }

    /// Called once what was read is in the target and the load has succeeded,
    /// before the loader frees what it read with (tens of ms for a big file):
    /// a host waiting on another thread may go on using the target from here.
    void setAfterAttach(std::function<void()> afterAttach) { m_afterAttach = std::move(afterAttach); }

    /// Follows the load: reading the file, then building its nodes, as bytes
    /// of twice the file's size; see Progress. Called on the loading thread.
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    /// Why the last load failed; empty after a success.
    const LoadError& getError() const { return m_error; }
    /// The flags given at construction.
    int getFlags() const { return m_flags; }
    /// True when the last file read held one node's subtree rather than a whole database.
    bool isSubtreeFile() const { return m_subtree; }

private:
    bool cancelled();

    FileInputStream& m_stream;
    int m_flags;
    ReferenceResolver* m_resolver;
    TypeRegistry* m_registry = nullptr;
    std::function<void()> m_beforeAttach;
    std::function<void()> m_afterAttach;
    Progress m_progress;
    LoadError m_error;
    bool m_subtree = false;
};

} // namespace db
