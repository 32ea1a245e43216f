#pragma once

#include <dbui/DocumentObserver.h>
#include <dbui/Export.h>

#include <db/DatabaseObserver.h>
#include <db/Progress.h>

#include <foundations/ObserverManager.h>

#include <wx/string.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class wxStatusBar;

namespace db
{
class ChangeSet;
class Database;
} // namespace db

namespace wxUtils
{
class OrkFileHistory2;
}

namespace dbui
{

class CrashRecovery;
class FileProgress;

/// Binds one database to a file on disk: creates, opens, saves and closes
/// documents, asks before discarding unsaved changes, keeps the title and the
/// recent-files list, and tells its DocumentObservers what happened.
///
/// The document owns neither the database nor the recent-files list. Every
/// dialog and message it shows goes through a virtual operation, so a host can
/// derive and replace any of them. Nothing here throws; every lifecycle
/// operation answers with an ErrorCode.
class DBUI_EXPORT Document : public db::DatabaseObserver
{
public:
    /// The result of every lifecycle operation.
    enum ErrorCode
    {
        /// Writing failed; the document keeps its old file name and stays changed.
        SaveFailed = 0,
        /// Reading failed, or there was no recent file to open.
        LoadFailed = 1,
        Success = 2,
        /// The user cancelled, declined to overwrite, or the target cannot be written.
        Cancelled = 3,
    };

    /// Behaviour a host can switch on; none is on by default.
    enum Options
    {
        /// A file that cannot be opened leaves the previous document open and
        /// unchanged: the previous document is closed only once the new file has
        /// been read whole (an overriding loadFile calls fileRead at that point).
        KeepDocumentOnFailedOpen = 1,
        /// "Cannot write to '%s'." also gives the system's reason.
        ExplainFileErrors = 2,
        /// Files named "*.dbb" are binary documents and "*.xml" XML ones,
        /// whatever the document's format; files are read in the format their
        /// content is in. The file dialogs offer both kinds, so that Save As can
        /// change a document's kind.
        FormatByExtension = 4,
        /// Opening, saving and reverting that take longer than the progress
        /// delay show a progress dialog, and the windows keep repainting; an
        /// open can be cancelled there, which returns Cancelled.
        ShowProgress = 8,
        /// Another program's changes to the document's file are noticed. Saving
        /// over a file changed since it was opened or saved here asks first;
        /// checkFileOnDisk offers to reload it; a file deleted behind the
        /// document's back counts as an unsaved change, so that closing asks to save.
        NoticeOutsideChanges = 16,
    };

    /// How documents are written.
    enum class FileFormat
    {
        Xml,
        /// The database library's binary format (.dbb): smaller, and several times faster to load.
        Binary,
    };

    /// How long a load or save runs before ShowProgress shows its dialog, unless told otherwise.
    static constexpr std::chrono::milliseconds s_defaultProgressDelay{500};

    /// The observers to notify. Hosts add and remove theirs on it directly.
    ObserverManager<DocumentObserver> m_observers;

    /// Starts with title "No file open", no undo history and the database's
    /// current state as the saved state, whatever the database held.
    Document(db::Database& database, const wxString& fileExtension);
    /// Unregisters from the database; does not close, prompt or notify.
    ~Document() override;

    ///@{
    /// Copies every member as it is, observers included. A copy is not
    /// registered with the database, though it unregisters when destroyed.
    Document(const Document& other);
    Document& operator=(const Document& other);
    ///@}

    // --- access -----------------------------------------------------------

    /// The database the document binds to a file (not owned); null once it
    /// has been destroyed.
    db::Database* getDatabase() const { return m_database; }
    /// The observer list, for hosts that prefer a call to the member.
    ObserverManager<DocumentObserver>& getObservers() { return m_observers; }
    /// The document type's extension, without the dot.
    wxString getFileExtension() const { return m_fileExtension; }
    /// The file the document belongs to; empty while it has none.
    wxString getFilename() const { return m_fileName; }
    /// "No file open", "Unnamed", or the file's name without folder and extension.
    wxString getTitle() const { return m_title; }
    /// The title followed by " *" while there are unsaved changes: the caption to show.
    wxString getTitleWithChangeIndicator() const;
    /// True while the database differs from the last opened, saved, created or
    /// closed state, and with NoticeOutsideChanges while checkFileOnDisk has
    /// found the file deleted.
    bool hasChangedSinceLastSave() const;

    ///@{
    /// The recent-files list; null (the default) disables everything that uses it.
    void setFileHistory(wxUtils::OrkFileHistory2* history) { m_fileHistory = history; }
    wxUtils::OrkFileHistory2* getFileHistory() const { return m_fileHistory; }
    ///@}
    /// The most recent entry of the recent-files list, or empty.
    wxString getMostRecentFile() const;

    /// Why the last loadFile or saveFile of this class failed ("file: where: what"); empty after a success.
    wxString getLastFileError() const { return m_lastFileError; }

    ///@{
    /// A combination of Options.
    void setOptions(int options) { m_options = options; }
    int getOptions() const { return m_options; }
    ///@}

    ///@{
    /// The format of the files the document writes (and, without FormatByExtension, reads); XML by default.
    void setFileFormat(FileFormat format) { m_fileFormat = format; }
    FileFormat getFileFormat() const { return m_fileFormat; }
    ///@}
    /// The format a file of that name is written in.
    FileFormat getFileFormatFor(const wxString& fileName) const;

    ///@{
    /// With ShowProgress: how long a load or save runs before its dialog shows.
    void setProgressDelay(std::chrono::milliseconds delay) { m_progressDelay = delay; }
    std::chrono::milliseconds getProgressDelay() const { return m_progressDelay; }
    ///@}

    ///@{
    /// With ShowProgress: a status bar (not owned) that shows progress instead
    /// of a dialog: a gauge, and for an open a Cancel button that Esc presses
    /// too, while its frame's other windows take no input. Null, the default: a dialog.
    void setProgressStatusBar(wxStatusBar* bar) { m_progressBar = bar; }
    wxStatusBar* getProgressStatusBar() const { return m_progressBar; }
    ///@}

    // --- lifecycle --------------------------------------------------------

    /// After the save prompt, replaces the document with an empty "Unnamed" one, leaving no undo step.
    ErrorCode createNew();
    /// Asks for a file with the open dialog, then opens it.
    ErrorCode open();
    /// After the save prompt, closes the document and loads `fileName`; a failed load leaves it
    /// closed, or as it was with KeepDocumentOnFailedOpen.
    ErrorCode open(const wxString& fileName);
    /// Opens entry `index` of the recent-files list (0 = most recent); offers to drop an entry that fails.
    ErrorCode openRecent(int index);
    /// openRecent(0).
    ErrorCode openMostRecent();
    /// Closes without asking.
    ErrorCode close();
    /// Closes after the save prompt.
    ErrorCode closeIfAllowed();
    /// False only when the user cancelled the save prompt (or its save dialog).
    bool canClose();
    /// Saves to the document's file, asking for a name only when it has none.
    ErrorCode save();
    /// Saves to `fileName` without an overwrite question; the document takes that name.
    ErrorCode save(const wxString& fileName);
    /// Saves under a new name (asked for when empty), asking before overwriting.
    ErrorCode saveAs(const wxString& fileName);
    /// Saves to `fileName`, asking before overwriting; the document then belongs to that file.
    ErrorCode saveCopy(const wxString& fileName);
    /// Saves to getCrashRecoveryFilename(); the document then carries that name.
    ErrorCode saveAfterCrash();
    /// Reads the document's file again, dropping unsaved changes without
    /// asking (the host asks first). Cancelled for a document without a file;
    /// a file that cannot be read leaves the document as it was.
    ErrorCode revert();
    /// Success when there is nothing to save, the user saved, or agreed to lose the changes.
    ErrorCode userSavedOrAgreedToLoss();
    /// With NoticeOutsideChanges, for hosts to call when their window becomes
    /// active: if another program has changed or deleted the document's file
    /// since it was opened or saved here, tells the user, once for each such
    /// version, and offers to reload it (losing unsaved changes only when the
    /// user says so). Success when reloaded; LoadFailed when the reload failed,
    /// the document staying as it was; otherwise Cancelled.
    ErrorCode checkFileOnDisk();
    /// With NoticeOutsideChanges: true when checkFileOnDisk has news for the
    /// user, so that a host can first apply what is typed but not yet applied.
    bool fileChangedOnDisk() const;

    // --- database callback ------------------------------------------------

    /// Passes every change on to the observers as onDocumentModified.
    void onDatabaseChanged(db::Database* database, const db::ChangeSet& changes, bool transient) override;
    /// The document closes with its database (onDocumentClosing, then
    /// onDocumentClosed) and is left without one: it has nothing to save, and
    /// loading or saving fails.
    void onDatabaseDestroyed(db::Database* database) override;

    // --- file access, overridable -----------------------------------------

    /// Reads the XML file (or binary, see FileFormat) into the database; false (and nothing changed) on failure.
    virtual bool loadFile(const std::wstring& fileName);
    /// Writes the database as XML (or binary, see FileFormat); an existing file is replaced only once the
    /// whole new one is on disk.
    virtual bool saveFile(const std::wstring& fileName);

    // --- dialogs, overridable ---------------------------------------------

    /// Asked before createNew replaces the document; anything but wxID_OK cancels. Default: wxID_OK.
    virtual int showFileNewDialog() const;
    /// The "Open" file dialog; writes the chosen path into `fileName` whatever the answer.
    virtual int showFileOpenDialog(wxString& fileName) const;
    /// The "Save as" file dialog; writes the chosen path into `fileName` whatever the answer.
    virtual int showFileSaveAsDialog(wxString& fileName) const;
    /// The "Save copy" file dialog, for hosts to call before saveCopy.
    virtual int showFileSaveCopyDialog(wxString& fileName);
    /// A modal message box captioned with the application's display name; returns the answer.
    virtual int messageBox(const wxString& message, long style) const;
    /// "Would you like to save your changes?" with yes, no and cancel.
    virtual int showPromptForSaveDialog() const;
    /// Tells the user that saving failed.
    virtual void signalSaveFailed() const;
    /// The wildcard of the open dialog; by default the saving one, led by both kinds at once with FormatByExtension.
    virtual wxString getFileDialogFileTypeStringForOpening() const;
    /// "<App> Documents (*.<ext>)|*.<ext>", and the binary kind after it with FormatByExtension.
    virtual wxString getFileDialogFileTypeStringForSaving() const;
    /// The file name followed by ".recovery".
    virtual wxString getCrashRecoveryFilename() const;

protected:
    /// Loads `fileName` without asking anything; on success the document
    /// belongs to it, with no undo history, and observers hear onDocumentCreated.
    ErrorCode doOpen(const wxString& fileName);
    /// Called by loadFile once the whole file has been read and checked, right
    /// before the database changes; see KeepDocumentOnFailedOpen.
    void fileRead();
    /// Empties the database and its history without asking; observers hear
    /// onDocumentClosing before and onDocumentClosed after.
    ErrorCode doClose();
    /// For an overriding loadFile or saveFile: follows the load or save under way
    /// for the user (ShowProgress); empty when nobody watches. False from it means
    /// the user cancelled: stop, and fail.
    db::Progress getFileProgress() const;
    /// Sets the title without the change mark.
    void setTitle(const wxString& title) { m_title = title; }
    /// Titles the document with its file's name, without folder and extension.
    void setTitleFromFilename();
    /// Makes `fileName` the most recent entry; nothing without a list.
    void addToFileHistory(const wxString& fileName);

private:
    // Recovery takes over a document's name without loading it from that file.
    friend class CrashRecovery;

    /// What tells one version of a file from another without reading it.
    struct DiskStamp
    {
        bool exists = false;
        unsigned long long device = 0;
        unsigned long long inode = 0;
        long long size = 0;
        long long seconds = 0;
        long long nanoseconds = 0;

        bool operator==(const DiskStamp& other) const;
        bool operator!=(const DiskStamp& other) const { return !(*this == other); }
    };
    static DiskStamp stampOf(const wxString& fileName);

    /// NoticeOutsideChanges is on, and there is a file, known as it was read or
    /// written here, and no load or save is under way.
    bool watchesFile() const;
    /// With NoticeOutsideChanges: false when the user declines to save over
    /// another program's changes to `fileName`, the document's own file.
    bool mayWriteOver(const wxString& fileName) const;
    /// The document's file is as `stamp` says, read or written here (or there is none).
    void knowFileAs(const DiskStamp& stamp);
    /// Takes note of the document's file being gone or back, telling the observers.
    void setFileVanished(bool vanished);

    /// Removes the entry naming `fileName` from the recent-files list.
    void removeFromFileHistory(const wxString& fileName);
    void copyObserversFrom(const Document& other);
    /// "Cannot write to '<fileName>'." (with the reason under ExplainFileErrors).
    void signalCannotWrite(const wxString& fileName) const;
    /// Makes the database's current state the saved one, with no undo history.
    void forgetHistory();
    /// The bookkeeping of a successful save.
    void becomeSavedAs(const wxString& fileName);
    /// The bookkeeping of a successful load.
    ErrorCode becomeOpened(const wxString& fileName, const DiskStamp& stamp);
    /// Loads `fileName`, running `beforeChange` as loadFileThen does, and makes the document its.
    ErrorCode openFile(const wxString& fileName, const std::function<void()>& beforeChange,
                       const wxString& activity = "Opening");
    /// Loads `fileName` with `beforeChange` run between reading the file and
    /// changing the database, showing `activity` ("Opening") when it takes long.
    /// LoadFailed, Cancelled by the user, or Success.
    ErrorCode loadFileThen(const wxString& fileName, const std::function<void()>& beforeChange,
                           const wxString& activity = "Opening");
    /// Saves through saveFile, showing progress when it takes long.
    bool saveFileShowingProgress(const wxString& fileName);
    /// The progress dialog of ShowProgress for `activity` on `fileName`, or null without the option.
    std::unique_ptr<FileProgress> watch(const wxString& activity, const wxString& fileName, bool cancellable) const;
    /// The default saveFile in the background, with the window repainting, while progress is watched.
    bool saveInBackground(const std::wstring& fileName);
    int showFileDialog(const wxString& message, const wxString& filter, long style, wxString& fileName) const;
    /// `fileName` with the extension of `chosen` added unless it names a document kind already.
    wxString withKindOf(const wxString& fileName, FileFormat chosen) const;

    db::Database* m_database;
    wxString m_title;
    wxString m_fileName;
    wxString m_fileExtension;
    wxUtils::OrkFileHistory2* m_fileHistory = nullptr;
    wxString m_lastFileError;
    int m_options = 0;
    FileFormat m_fileFormat = FileFormat::Xml;
    std::chrono::milliseconds m_progressDelay = s_defaultProgressDelay;
    wxStatusBar* m_progressBar = nullptr;
    /// Run by fileRead during a load that must make room first.
    std::function<void()> m_onFileRead;
    /// The progress shown for the load or save under way; null when none is.
    FileProgress* m_progress = nullptr;
    /// Loads and saves under way: the document is not checked against its file meanwhile.
    int m_fileWork = 0;
    /// The document's file as it was last read or written here.
    DiskStamp m_diskStamp;
    /// The version of the file the user last knew of: the one read or written
    /// here, or another program's that the user was told of.
    DiskStamp m_toldStamp;
    /// The document's file was found deleted; see NoticeOutsideChanges.
    bool m_fileVanished = false;
};

} // namespace dbui
