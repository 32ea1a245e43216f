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

/// Reads the XML form of a database or of one node's subtree. The file is read
/// into a detached tree first and attached only when all of it is good, so a
/// failed load leaves the target as it was. Loading a database file into an
/// empty database restores it; into a non-empty one, and for subtree files,
/// the file's nodes are added below the target.
///
/// Big files are read piece by piece and built on all processors but one
/// besides the calling thread, which holds neither the whole file nor a
/// parse tree of it in memory.
class DBUI_NODEDB_EXPORT LoaderXML
{
public:
    /// `flags` is 0 (reserved); `resolver` may be null.
    LoaderXML(FileInputStream& stream, int flags = 0, ReferenceResolver* resolver = nullptr);

    ///@{
    /// Loads into `target` (a database, a node or a node container); false with `getError` set on failure.
    bool load(Attribute* target);
    bool load(Attribute& target) { return load(&target); }
    ///@}

    /// Node types come from the target database's registry; this one is used
    /// when the target is detached (default: the default registry).
    void setTypeRegistry(TypeRegistry* registry) { m_registry = registry; }

    /// Called once the whole file has been read and checked, right before the
    /// target changes: the last moment to make room for what was read.
    void setBeforeAttach(std::function<void()> beforeAttach) { m_beforeAttach = std::move(beforeAttach); }

    /// Called once what was read is in the target and the load has succeeded,
    /// before the loader frees what it read with (tens of ms for a big file):
    /// a host waiting on another thread may go on using the target from here.
    void setAfterAttach(std::function<void()> afterAttach) { m_afterAttach = std::move(afterAttach); }

    /// Follows the load in bytes of the file; see Progress. Called on the loading thread.
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    /// Why the last load failed; empty after a success.
    const LoadError& getError() const { return m_error; }
    /// The flags given at construction.
    int getFlags() const { return m_flags; }
    /// True when the last file read held one node's subtree rather than a whole database.
    bool isSubtreeFile() const { return m_subtree; }

    /// Test-only: told, for each piece of a big file, whether it was built
    /// straight from its text or had to be parsed first; called on the
    /// threads that build the pieces. Pass an empty hook to clear.
    static void setPieceHook(std::function<void(bool direct)> hook);

private:
    /// Reads the file whole and parses it in one piece: the way that gives
    /// exact positions for every error.
    bool loadWhole(Attribute* target, bool beforeAttachDone);
    /// Tells the host that the load has succeeded; true.
    bool attached();

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
