#pragma once

#include <dbui/Export.h>

namespace dbui
{

/// Told by a Document (through its public observer list) when a document was
/// created, is closing, was closed, was saved or was modified. Every operation
/// has an empty default, so an observer overrides only what it needs.
class DBUI_EXPORT DocumentObserver
{
public:
    DocumentObserver() = default;
    ///@{
    /// Observers copy freely: a copy is registered nowhere.
    DocumentObserver(const DocumentObserver&) = default;
    DocumentObserver& operator=(const DocumentObserver&) = default;
    ///@}

    /// A new document was created or a file was opened.
    virtual void onDocumentCreated() {}
    /// The document is about to be closed; the database still holds its content.
    virtual void onDocumentClosing() {}
    /// The document was closed; the database has been cleared.
    virtual void onDocumentClosed() {}
    /// The document was written to a file.
    virtual void onDocumentSaved() {}
    /// The database changed; `transient` is the database's flag, passed on unchanged.
    virtual void onDocumentModified(bool transient) { (void)transient; }

protected:
    // Observers are never deleted through this interface, hence no virtual
    // destructor; making it protected lets the compiler catch anyone who tries.
    ~DocumentObserver() = default;
};

} // namespace dbui
