#pragma once

#include <dbui/Document.h>
#include <dbui/DocumentObserver.h>
#include <dbui/Export.h>

#include <wx/string.h>

namespace dbui
{

/// Keeps a user's unsaved work when the program dies, and offers it back at
/// the next start.
///
/// Writing. While a CrashRecovery lives, a fatal signal (SIGSEGV, SIGBUS,
/// SIGFPE, SIGILL, SIGABRT), a termination signal (SIGTERM, SIGHUP) or an
/// exception that reaches std::terminate makes it call the document's
/// saveAfterCrash(), but only when the document has unsaved changes. The
/// recovery file is then "<document file>.recovery" beside the document
/// (".recovery" in the working directory for an unnamed document, unless the
/// host overrides Document::getCrashRecoveryFilename). Afterwards the previous
/// handler runs, so crash reporters, sanitizers and core dumps still work.
/// The recovery file is written through the database library's safe saver, so
/// an older recovery file is replaced only by a complete new one.
///
/// wxWidgets catches exceptions that escape event handlers itself and ends
/// the program through wxApp::OnUnhandledException, which never reaches
/// std::terminate; a host therefore calls saveRecoveryFile() from its override:
///
///     class EditorApp : public wxApp
///     {
///         void OnUnhandledException() override
///         {
///             m_recovery->saveRecoveryFile();
///             wxApp::OnUnhandledException();
///         }
///     };
///
/// Do not also enable wxHandleFatalExceptions: it would replace the signal
/// handlers installed here.
///
/// Offering recovery. At start, instead of document.open(name), the host calls
/// recovery.openOfferingRecovery(name). When "<name>.recovery" exists and is
/// newer than the document (or the document is gone), the user is asked:
///   - Yes: the document opens under its own name with the recovered content
///     as one undoable change ("Recover Document"), so it shows as changed and
///     undo returns to the version last saved; saving writes the document
///     itself. The recovery file is deleted once the document is saved.
///   - No: the saved version opens, and the recovery file is kept aside as
///     "<name>.recovery.discarded" (a misclick does not destroy it).
///   - Cancel: nothing opens, both files stay as they are.
/// Without a newer recovery file it simply opens the document.
///
/// Typical host set-up, right after creating the document:
///
///     m_document = std::make_unique<dbui::Document>(m_database, "scene");
///     m_recovery = std::make_unique<dbui::CrashRecovery>(*m_document);
///     if (!startFile.empty())
///         m_recovery->openOfferingRecovery(startFile);
///
/// A host with several documents creates one CrashRecovery per document; a
/// crash saves each of them. The process-wide handlers are installed while at
/// least one CrashRecovery wants them and removed with the last one. Create
/// and destroy them on the user-interface thread.
///
/// Limits: a crash handler runs in a process whose state may be damaged; the
/// save is a best effort, bounded by a time limit so that a hung save still
/// lets the program end. Not meant for periodic autosave: saveAfterCrash makes
/// the document take over the recovery file's name.
class DBUI_EXPORT CrashRecovery : public DocumentObserver
{
public:
    /// Which events write the recovery file.
    enum Triggers
    {
        FatalSignals = 1,        ///< SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT
        TerminationSignals = 2,  ///< SIGTERM, SIGHUP
        UnhandledExceptions = 4, ///< std::terminate
        AllTriggers = FatalSignals | TerminationSignals | UnhandledExceptions,
    };

    /// Installs the handlers chosen by `triggers` for `document`, which must outlive this object.
    explicit CrashRecovery(Document& document, int triggers = AllTriggers);
    /// Restores the handlers that were there before.
    ~CrashRecovery();

    CrashRecovery(const CrashRecovery&) = delete;
    CrashRecovery& operator=(const CrashRecovery&) = delete;

    /// Writes the recovery file through saveAfterCrash if the document has
    /// unsaved changes; true when one was written. The recent-files list is
    /// left alone, so the recovery file never shows up in it.
    bool saveRecoveryFile();

    /// Opens `fileName` in the document, first offering a newer recovery file of it.
    Document::ErrorCode openOfferingRecovery(const wxString& fileName);

    /// The recovery file that saveAfterCrash writes for a document of this name by default.
    static wxString recoveryFilenameFor(const wxString& documentFile);
    /// True when the recovery file of `documentFile` exists and is newer than
    /// the document, or the document no longer exists.
    static bool hasNewerRecoveryFile(const wxString& documentFile);

    /// How long a crash handler may spend saving before the program is let go.
    static void setCrashSaveTimeLimit(unsigned int seconds);

    /// The document saved on a crash.
    Document& getDocument() const { return m_document; }
    /// The Triggers given at construction.
    int getTriggers() const { return m_triggers; }

private:
    void onDocumentSaved() override;
    Document::ErrorCode recover(const wxString& fileName, const wxString& recoveryFile);

    Document& m_document;
    int m_triggers;
    /// A recovery file whose content was taken into the document; deleted once the document is saved.
    wxString m_recoveredFrom;
};

} // namespace dbui
