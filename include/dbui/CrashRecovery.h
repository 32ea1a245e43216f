#pragma once

#include <dbui/Document.h>
#include <dbui/DocumentObserver.h>
#include <dbui/Export.h>

#include <wx/datetime.h>
#include <wx/string.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace db
{
class FileOutputStream;
}

namespace dbui
{

class Autosaver;
class CrashSaver;
class DocumentLock;

/// Keeps a user's unsaved work when the program dies, and offers it back at
/// the next start.
///
/// Writing. While a CrashRecovery lives, the document's unsaved work (an edit
/// under way included) goes to its recovery file when the program is ended
/// or dies; the document itself keeps its name. The recovery file is
/// Document::getCrashRecoveryFilename() ("<document file>.recovery" beside the
/// document, ".recovery" in the working directory for an unnamed document).
///   - A termination signal (SIGTERM, SIGHUP, SIGINT) may come in the middle
///     of an edit; it is handed to the event loop (wxApp::SetSignalHandler),
///     which saves the recovery file as saveRecoveryFile() does once the
///     running handler has returned. A second one before the loop has got to
///     the first, or one in a program without a wxApp, is taken like a crash.
///   - A fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) or an
///     exception that reaches std::terminate comes where the program's state
///     may be broken: only the recovery file is written, as compact XML by the
///     database library's own saver with plain system calls, to names worked
///     out beforehand. No observer, window, wxWidgets call or overridden
///     Document operation runs.
/// Afterwards the previous handler runs, so crash reporters, sanitizers and
/// core dumps still work. An older recovery file is replaced only by a
/// complete new one.
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
/// Offering recovery. Instead of document.open(name), the host calls
/// recovery.openOfferingRecovery(name). When a recovery file of it exists and
/// is newer than the document (or the document is gone), the user is asked:
///   - Yes: the document opens under its own name with the recovered content
///     as one undoable change ("Recover Document"), so it shows as changed and
///     undo returns to the version last saved; saving writes the document
///     itself. The recovery file is deleted once the document is saved.
///   - No: the saved version opens, and the recovery file is kept aside as
///     "<name>.recovery.discarded" (a misclick does not destroy it).
///   - Cancel: nothing opens, both files stay as they are.
/// Without a newer recovery file it simply opens the document.
///
/// A recovery file is deleted only once its content was saved, once the
/// document is closed with nothing unsaved, or when the host calls
/// discardRecoveryFiles() because the user chose to lose the changes. Closing
/// a changed document (after a failed save, say) keeps it for the next start.
///
/// Options, off by default:
///   - setRecoveryFolder: untitled work gets a recovery file of its own in
///     that folder ("Unnamed-<process id>.recovery", offered again by
///     offerUntitledRecovery once that process has ended), and so does a
///     document whose own folder takes no new file.
///   - setAutosave: the recovery file is also written every so often while
///     there are unsaved changes, in the background, so that even a kill -9 or
///     a power cut loses no more than that interval.
///   - setDocumentLocking: the document's file is locked while it is open
///     here, and openOfferingRecovery asks before opening a file that another
///     window holds open: "Open it here too?". Its recovery file there is that
///     window's unsaved work, not a crash's, and is not offered. A window that
///     opens it anyway writes its own unsaved work to the recovery folder as
///     untitled work (so that the two never overwrite each other's), which
///     offerUntitledRecovery offers if that window dies.
///
/// Typical host set-up, right after creating the document:
///
///     m_document = std::make_unique<dbui::Document>(m_database, "scene");
///     m_recovery = std::make_unique<dbui::CrashRecovery>(*m_document);
///     m_recovery->setAutosave(std::chrono::seconds(60));
///     if (!startFile.empty())
///         m_recovery->openOfferingRecovery(startFile);
///
/// A host with several documents creates one CrashRecovery per document; a
/// crash saves each of them. The process-wide handlers are installed while at
/// least one CrashRecovery wants them and removed with the last one. Create
/// and destroy them on the user-interface thread.
///
/// Limits: a crash handler runs in a process whose state may be damaged, and
/// the crash write is a best effort. The saver and the file stream still
/// allocate memory: a crash inside the memory allocator itself (a corrupted
/// heap) can make the write wait on the allocator's lock, so it is bounded by a
/// time limit that lets the program end. The last autosave is still there then.
class DBUI_EXPORT CrashRecovery final : public DocumentObserver
{
public:
    /// Which events write the recovery file.
    enum Triggers
    {
        FatalSignals = 1,        ///< SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT
        TerminationSignals = 2,  ///< SIGTERM, SIGHUP, SIGINT
        UnhandledExceptions = 4, ///< std::terminate
        AllTriggers = FatalSignals | TerminationSignals | UnhandledExceptions,
    };

    /// How long keyboard and mouse rest before an autosave starts, unless told otherwise.
    static constexpr std::chrono::milliseconds s_defaultAutosaveIdle{2000};

    /// Installs the handlers chosen by `triggers` for `document`, which must outlive this object.
    explicit CrashRecovery(Document& document, int triggers = AllTriggers);
    /// Restores the handlers that were there before; an autosave under way is finished or stopped first.
    ~CrashRecovery();

    CrashRecovery(const CrashRecovery&) = delete;
    CrashRecovery& operator=(const CrashRecovery&) = delete;

    /// Writes the recovery file now if the document has unsaved changes; true
    /// when one was written. The document's name, title and recent files stay.
    bool saveRecoveryFile();
    /// Where the document's unsaved work goes: beside the document, or in the
    /// recovery folder for untitled work.
    wxString getRecoveryFilename() const;
    /// The recovery file last written for the document's unsaved work; empty when none is.
    wxString getLastRecoveryFile() const { return m_written.empty() ? wxString() : m_written.back(); }
    /// The user chose to lose the unsaved changes: the recovery files written
    /// or recovered for them are deleted.
    void discardRecoveryFiles();

    /// Opens `fileName` in the document, first offering a newer recovery file of it.
    Document::ErrorCode openOfferingRecovery(const wxString& fileName);
    /// Offers the newest untitled work that an ended program left in the
    /// recovery folder; Cancelled when there is none or the user declines.
    Document::ErrorCode offerUntitledRecovery();

    ///@{
    /// The folder for recovery files that cannot lie beside a document; empty (the default) for none.
    void setRecoveryFolder(const wxString& folder);
    wxString getRecoveryFolder() const { return m_folder; }
    ///@}

    ///@{
    ///@{
    /// See setDocumentLocking above; off by default.
    void setDocumentLocking(bool on);
    bool getDocumentLocking() const { return m_lock != nullptr; }
    ///@}

    ///@{
    /// Writes the recovery file in the background once the document has had
    /// unsaved changes for `interval` and keyboard and mouse have rested for
    /// `idle`; an interval of zero (the default) turns autosave off.
    void setAutosave(std::chrono::milliseconds interval, std::chrono::milliseconds idle = s_defaultAutosaveIdle);
    std::chrono::milliseconds getAutosaveInterval() const;
    ///@}
    /// Called on the user-interface thread after each autosave, written or failed.
    void setAutosaveListener(std::function<void()> listener) { m_autosaveListener = std::move(listener); }
    /// Told how far an autosave has come (0 to 1) and how long it has been running.
    using AutosaveProgressListener = std::function<void(double fraction, std::chrono::milliseconds running)>;
    /// Called on the user-interface thread as an autosave goes on, after each slice of it.
    void setAutosaveProgressListener(AutosaveProgressListener listener)
    {
        m_autosaveProgressListener = std::move(listener);
    }
    /// When the last autosave reached the disk; invalid before the first.
    wxDateTime getLastAutosaveTime() const { return m_lastAutosave; }
    /// Why the last autosave failed; empty when it succeeded.
    wxString getLastAutosaveError() const { return m_lastAutosaveError; }
    /// True while an autosave is being written.
    bool isAutosaving() const;

    /// The recovery file that the document writes beside a document of this name by default.
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
    friend class Autosaver;

    void onDocumentCreated() override;
    void onDocumentClosing() override;
    void onDocumentClosed() override;
    void onDocumentSaved() override;
    void onDocumentModified(bool transient) override;

    Document::ErrorCode recover(const wxString& fileName, const wxString& recoveryFile);
    /// Opens `fileName`, which another window holds open, if the user agrees.
    Document::ErrorCode openHeldElsewhere(const wxString& fileName);
    /// True when unsaved work goes to the recovery folder as untitled work.
    bool writesUntitledFile() const;
    /// Locks the document's file, with setDocumentLocking.
    void lockDocument();
    /// The document's file is another now, or was written anew: its lock and crash targets follow.
    void followDocumentFile();
    /// The recovery file of `documentFile` newer than it, among beside it and the recovery folder; empty for none.
    wxString findNewerRecoveryFile(const wxString& documentFile) const;
    /// The recovery folder's file for `documentFile`; empty without a folder.
    wxString folderFileFor(const wxString& documentFile) const;
    /// A stream onto the recovery file, falling back on the recovery folder; `target` says where.
    std::unique_ptr<db::FileOutputStream> openRecoveryStream(wxString& target) const;
    /// Autosave and crash saves wrote `fileName`.
    void wrote(const wxString& fileName);
    /// An autosave has come to `fraction` after `running`.
    void autosaveProgressed(double fraction, std::chrono::milliseconds running);
    /// An autosave to `target` has ended, `written` or failed with `error`.
    void autosaveEnded(const wxString& target, bool written, const std::string& error);
    /// Lets an autosave under way end, so that no file appears after this.
    void settleAutosave();
    /// Deletes the recovery files of this document's unsaved work and forgets them.
    void removeRecoveryFiles(const wxString& keep = wxString());
    /// Tells the crash handlers where the recovery file goes now.
    void updateCrashTargets();

    Document& m_document;
    int m_triggers;
    wxString m_folder;
    /// A recovery file whose content was taken into the document; deleted once the document is saved.
    wxString m_recoveredFrom;
    /// Recovery files written for the document's unsaved work since it was opened or last saved, the latest last.
    std::vector<wxString> m_written;
    std::unique_ptr<Autosaver> m_autosaver;
    /// Null without setDocumentLocking.
    std::unique_ptr<DocumentLock> m_lock;
    /// The document is open in another window too.
    bool m_shared = false;
    std::unique_ptr<CrashSaver> m_crashSaver;
    std::function<void()> m_autosaveListener;
    AutosaveProgressListener m_autosaveProgressListener;
    wxDateTime m_lastAutosave;
    wxString m_lastAutosaveError;
};

} // namespace dbui
