#include <dbui/Document.h>
#include <dbui/FileSystemName.h>

#include "BackgroundSave.h"
#include "FileProgress.h"

#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/FileOutputStream.h>
#include <db/LoaderBinary.h>
#include <db/LoaderXML.h>
#include <db/SaverBinary.h>
#include <db/SaverXML.h>

#include <Tarn/Tarn.h>
#include <wxUtils/OrkFileHistory2.h>
#include <wxUtils/OrkMessageBox.h>

#include <wx/debug.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace dbui
{

namespace
{
const wxString s_noFileTitle = "No file open";
const wxString s_unnamedTitle = "Unnamed";

/// True when `fileName` names an existing file that we may not replace: the
/// file the save would write, spelt as the save spells it.
bool existsButCannotBeWritten(const wxString& fileName)
{
    const std::string bytes = toFileSystemName(fileName);
    struct stat info
    {
    };
    return ::stat(bytes.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(bytes.c_str(), W_OK) != 0;
}

/// Why `fileName` cannot be written, as the system says it.
wxString whyNotWritable(const wxString& fileName)
{
    if (::access(toFileSystemName(fileName).c_str(), W_OK) == 0)
        return wxString();
    return wxString::FromUTF8(std::strerror(errno));
}

const wxString s_binaryExtension = "dbb";

/// Writes the database to `stream` in `format` and commits it; false with `error` on failure.
bool writeDatabase(db::FileOutputStream& stream, const db::Database& database, Document::FileFormat format,
                   const db::Progress& progress, std::string& error)
{
    // One thread: a save in slices lets the windows read the database
    // between them, and a crash's save should start no threads.
    bool saved = false;
    if (format == Document::FileFormat::Binary)
    {
        db::SaverBinary saver(stream, db::SaverBinary::s_oneThread);
        saver.setProgress(progress);
        saved = saver.save(database);
        error = saver.getError();
    }
    else
    {
        db::SaverXML saver(stream, db::SaverXML::s_oneThread);
        saver.setProgress(progress);
        saved = saver.save(database);
        error = saver.getError();
    }
    if (!saved && error.empty())
        error = stream.getError();
    return saved;
}

/// A stream writing beside `fileName` (in the system's bytes) in `format`'s encoding.
std::unique_ptr<db::FileOutputStream> openStream(const std::string& fileName, Document::FileFormat format)
{
    if (format == Document::FileFormat::Binary)
        return std::make_unique<db::FileOutputStream>(fileName, db::FileOpenMode::Binary,
                                                      db::OutputStreamEncoding::Raw);
    return std::make_unique<db::FileOutputStream>(fileName, db::FileOpenMode::Text, db::OutputStreamEncoding::Utf8);
}

/// How long the background save of a shown save reads the database before the windows get a turn.
constexpr std::chrono::milliseconds s_saveSlice{40};
} // namespace

// ===========================================================================
// Construction and copies
// ===========================================================================

Document::Document(db::Database& database, const wxString& fileExtension)
    : m_observers(gTarn.getErrorReporter()), m_database(&database), m_fileExtension(fileExtension)
{
    m_title = s_noFileTitle;
    m_database->getObservers().add(this, ObserverMode::Deferred);
    // Whatever the host put in the database before handing it over is the
    // starting point, not something the user could undo or lose.
    forgetHistory();
}

Document::~Document()
{
    if (m_database)
        m_database->getObservers().remove(this, ObserverMode::Immediate);
}

Document::Document(const Document& other)
    : db::DatabaseObserver(other), m_observers(other.m_observers.getErrorReporter()), m_database(other.m_database)
{
    // One list of what a copy takes, the assignment's.
    *this = other;
}

Document& Document::operator=(const Document& other)
{
    if (this == &other)
        return *this;
    db::DatabaseObserver::operator=(other);
    // Emptying the list must not trip the "not found" report: remove only
    // what is there, then take over the other's entries.
    std::vector<DocumentObserver*> current;
    m_observers.notify([&current](DocumentObserver* o) { current.push_back(o); });
    for (DocumentObserver* o : current)
        m_observers.remove(o, ObserverMode::Immediate);
    m_observers.setErrorReporter(other.m_observers.getErrorReporter());
    copyObserversFrom(other);
    m_database = other.m_database;
    m_title = other.m_title;
    m_fileName = other.m_fileName;
    m_fileExtension = other.m_fileExtension;
    m_fileHistory = other.m_fileHistory;
    m_lastFileError = other.m_lastFileError;
    m_options = other.m_options;
    m_fileFormat = other.m_fileFormat;
    m_progressDelay = other.m_progressDelay;
    m_progressBar = other.m_progressBar;
    m_diskStamp = other.m_diskStamp;
    m_toldStamp = other.m_toldStamp;
    m_fileVanished = other.m_fileVanished;
    return *this;
}

void Document::copyObserversFrom(const Document& other)
{
    // The observer list offers no way to read its entries other than walking
    // them, and walking is not const; collecting calls nothing on the observers.
    auto& source = const_cast<ObserverManager<DocumentObserver>&>(other.m_observers);
    std::vector<DocumentObserver*> entries;
    source.notify([&entries](DocumentObserver* o) { entries.push_back(o); });
    for (DocumentObserver* o : entries)
        m_observers.add(o, ObserverMode::Immediate);
}

// ===========================================================================
// Access and titles
// ===========================================================================

bool Document::hasChangedSinceLastSave() const
{
    return (m_database && m_database->hasChangedSinceCheckpoint()) || m_fileVanished;
}

wxString Document::getTitleWithChangeIndicator() const
{
    return hasChangedSinceLastSave() ? m_title + " *" : m_title;
}

void Document::setTitleFromFilename()
{
    m_title = wxFileName(m_fileName).GetName();
}

wxString Document::getMostRecentFile() const
{
    if (m_fileHistory == nullptr || m_fileHistory->getCount() == 0)
        return wxString();
    return m_fileHistory->getHistoryFile(0);
}

void Document::addToFileHistory(const wxString& fileName)
{
    if (m_fileHistory != nullptr)
        m_fileHistory->addFileToHistory(fileName);
}

void Document::removeFromFileHistory(const wxString& fileName)
{
    if (m_fileHistory == nullptr)
        return;
    for (std::size_t i = 0; i < m_fileHistory->getCount(); ++i)
    {
        if (m_fileHistory->getHistoryFile(i) == fileName)
        {
            m_fileHistory->removeFileFromHistory(i);
            return;
        }
    }
}

// ===========================================================================
// Lifecycle
// ===========================================================================

Document::ErrorCode Document::userSavedOrAgreedToLoss()
{
    if (!hasChangedSinceLastSave())
        return Success;
    switch (showPromptForSaveDialog())
    {
    case wxYES:
    {
        const ErrorCode result = save();
        if (result == SaveFailed)
            signalSaveFailed();
        return result;
    }
    case wxCANCEL:
        return Cancelled;
    default:
        return Success;
    }
}

Document::ErrorCode Document::checkFileOnDisk()
{
    if (!watchesFile())
        return Cancelled;
    const DiskStamp now = stampOf(m_fileName);
    setFileVanished(!now.exists);
    if (now == m_toldStamp)
        return Cancelled;
    // Before the question: the window's coming back to the front when it is
    // answered must not ask again.
    m_toldStamp = now;
    const wxString name = wxFileName(m_fileName).GetFullName();
    if (!now.exists)
    {
        messageBox(wxString::Format("'%s' has been deleted or moved by another program.\n\n"
                                    "The document stays open; saving it writes the file again.",
                                    name),
                   wxOK | wxICON_EXCLAMATION);
        return Cancelled;
    }
    const bool changed = hasChangedSinceLastSave();
    const wxString question = wxString::Format("'%s' has been changed by another program.\n\n%s", name,
                                               changed ? "Reload it and lose your unsaved changes?" : "Reload it?");
    if (messageBox(question, wxYES_NO | wxICON_QUESTION | (changed ? wxNO_DEFAULT : 0)) != wxYES)
        return Cancelled;
    return revert();
}

bool Document::fileChangedOnDisk() const
{
    return watchesFile() && stampOf(m_fileName) != m_toldStamp;
}

bool Document::watchesFile() const
{
    return (m_options & NoticeOutsideChanges) && !m_fileName.empty() && m_diskStamp.exists && m_fileWork == 0;
}

bool Document::mayWriteOver(const wxString& fileName) const
{
    if (!(m_options & NoticeOutsideChanges) || fileName != m_fileName || !m_diskStamp.exists)
        return true;
    const DiskStamp now = stampOf(fileName);
    if (!now.exists || now == m_diskStamp)
        return true;
    const wxString question = wxString::Format("'%s' has been changed by another program since it was opened or "
                                               "saved here.\n\nSave over it and lose those changes?",
                                               wxFileName(fileName).GetFullName());
    return messageBox(question, wxYES_NO | wxNO_DEFAULT | wxICON_EXCLAMATION) == wxYES;
}

void Document::knowFileAs(const DiskStamp& stamp)
{
    m_diskStamp = stamp;
    m_toldStamp = stamp;
    m_fileVanished = false;
}

void Document::setFileVanished(bool vanished)
{
    if (vanished == m_fileVanished)
        return;
    m_fileVanished = vanished;
    // The change mark comes or goes with it.
    m_observers.notify([](DocumentObserver* o) { o->onDocumentModified(false); });
}

Document::DiskStamp Document::stampOf(const wxString& fileName)
{
    DiskStamp stamp;
    struct stat info
    {
    };
    if (::stat(toFileSystemName(fileName).c_str(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.seconds = info.st_mtim.tv_sec;
    stamp.nanoseconds = info.st_mtim.tv_nsec;
    return stamp;
}

bool Document::DiskStamp::operator==(const DiskStamp& other) const
{
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
           seconds == other.seconds && nanoseconds == other.nanoseconds;
}

bool Document::canClose()
{
    // A failed save does not stop the close: the user has been told, and
    // refusing to close would trap them in a document they cannot save.
    return userSavedOrAgreedToLoss() != Cancelled;
}

Document::ErrorCode Document::close()
{
    return doClose();
}

Document::ErrorCode Document::closeIfAllowed()
{
    if (!canClose())
        return Cancelled;
    return doClose();
}

Document::ErrorCode Document::doClose()
{
    m_observers.notify([](DocumentObserver* o) { o->onDocumentClosing(); });
    // Nothing of a closed document can be undone: its clearing need not be
    // recorded, nor what it removed destroyed before the user gets on.
    if (m_database)
        m_database->clearAndForgetHistory();
    forgetHistory();
    m_fileName.clear();
    knowFileAs(DiskStamp());
    m_title = s_noFileTitle;
    m_observers.notify([](DocumentObserver* o) { o->onDocumentClosed(); });
    return Success;
}

Document::ErrorCode Document::createNew()
{
    if (!canClose())
        return Cancelled;
    if (showFileNewDialog() != wxID_OK)
        return Cancelled;
    doClose();
    // What the closed document's observers did to the database is part of the new one.
    forgetHistory();
    m_title = s_unnamedTitle;
    m_observers.notify([](DocumentObserver* o) { o->onDocumentCreated(); });
    return Success;
}

Document::ErrorCode Document::open()
{
    wxString fileName;
    if (showFileOpenDialog(fileName) != wxID_OK)
        return Cancelled;
    return open(fileName);
}

Document::ErrorCode Document::open(const wxString& fileName)
{
    if (!(m_options & KeepDocumentOnFailedOpen))
    {
        if (closeIfAllowed() == Cancelled)
            return Cancelled;
        return doOpen(fileName);
    }
    if (!canClose())
        return Cancelled;
    // The previous document goes only once everything that can fail in
    // reading the new file has passed.
    return openFile(fileName, [this] { doClose(); });
}

Document::ErrorCode Document::revert()
{
    if (m_fileName.empty())
        return Cancelled;
    const wxString fileName = m_fileName;
    return openFile(
        fileName, [this] { doClose(); }, "Reverting");
}

Document::ErrorCode Document::openFile(const wxString& fileName, const std::function<void()>& beforeChange,
                                       const wxString& activity)
{
    // Taken before reading: a change made while the file is read is noticed later.
    const DiskStamp stamp = stampOf(fileName);
    const ErrorCode loaded = loadFileThen(fileName, beforeChange, activity);
    if (loaded != Success)
        return loaded;
    return becomeOpened(fileName, stamp);
}

Document::ErrorCode Document::loadFileThen(const wxString& fileName, const std::function<void()>& beforeChange,
                                           const wxString& activity)
{
    const std::unique_ptr<FileProgress> progress = watch(activity, fileName, true);
    m_progress = progress.get();
    ++m_fileWork;
    bool ran = false;
    m_onFileRead = [&]
    {
        ran = true;
        if (beforeChange)
            beforeChange();
    };
    const bool loaded = loadFile(fileName.ToStdWstring());
    m_onFileRead = nullptr;
    m_progress = nullptr;
    --m_fileWork;
    wxASSERT_MSG(!loaded || ran || !beforeChange,
                 "an overriding loadFile must call fileRead() before it changes the database");
    if (loaded)
        return Success;
    return progress && progress->wasCancelled() ? Cancelled : LoadFailed;
}

std::unique_ptr<FileProgress> Document::watch(const wxString& activity, const wxString& fileName,
                                              bool cancellable) const
{
    if (!(m_options & ShowProgress))
        return nullptr;
    const wxString message = wxString::Format("%s '%s'", activity, wxFileName(fileName).GetFullName());
    return std::make_unique<FileProgress>(message, cancellable, m_progressDelay, m_progressBar);
}

db::Progress Document::getFileProgress() const
{
    return m_progress ? m_progress->callback() : db::Progress();
}

void Document::fileRead()
{
    if (m_onFileRead)
        m_onFileRead();
}

Document::ErrorCode Document::doOpen(const wxString& fileName)
{
    // The document closed just before is still being destroyed.
    if (m_database)
        m_database->finishReleasing();
    return openFile(fileName, nullptr);
}

Document::ErrorCode Document::becomeOpened(const wxString& fileName, const DiskStamp& stamp)
{
    forgetHistory();
    m_fileName = fileName;
    knowFileAs(stamp);
    addToFileHistory(fileName);
    setTitleFromFilename();
    m_observers.notify([](DocumentObserver* o) { o->onDocumentCreated(); });
    return Success;
}

Document::ErrorCode Document::openRecent(int index)
{
    if (m_fileHistory == nullptr || index < 0 || static_cast<std::size_t>(index) >= m_fileHistory->getCount())
        return LoadFailed;
    const wxString entry = m_fileHistory->getHistoryFile(static_cast<std::size_t>(index));
    if (entry.empty())
        return LoadFailed;
    const ErrorCode result = open(entry);
    if (result == LoadFailed)
    {
        const wxString message =
            wxString::Format("File '%s' could not be loaded.\nRemove from recent files list?", entry);
        // Saving the old document in the prompt may have moved the entries,
        // so the failed one is removed by name rather than by its old index.
        if (messageBox(message, wxYES_NO) == wxYES)
            removeFromFileHistory(entry);
    }
    return result;
}

Document::ErrorCode Document::openMostRecent()
{
    return openRecent(0);
}

Document::ErrorCode Document::save()
{
    if (!m_fileName.empty())
        return save(m_fileName);
    wxString fileName;
    if (showFileSaveAsDialog(fileName) != wxID_OK)
        return Cancelled;
    return save(fileName);
}

Document::ErrorCode Document::save(const wxString& fileName)
{
    if (existsButCannotBeWritten(fileName))
    {
        signalCannotWrite(fileName);
        return Cancelled;
    }
    if (!mayWriteOver(fileName))
        return Cancelled;
    if (!saveFileShowingProgress(fileName))
        return SaveFailed;
    becomeSavedAs(fileName);
    return Success;
}

bool Document::saveFileShowingProgress(const wxString& fileName)
{
    const std::unique_ptr<FileProgress> progress = watch("Saving", fileName, false);
    m_progress = progress.get();
    ++m_fileWork;
    const bool saved = saveFile(fileName.ToStdWstring());
    --m_fileWork;
    m_progress = nullptr;
    return saved;
}

void Document::signalCannotWrite(const wxString& fileName) const
{
    wxString message = wxString::Format("Cannot write to '%s'.", fileName);
    const wxString why = (m_options & ExplainFileErrors) ? whyNotWritable(fileName) : wxString();
    if (!why.empty())
        message += "\n\n" + why;
    messageBox(message, wxOK | wxCENTRE);
}

void Document::becomeSavedAs(const wxString& fileName)
{
    if (m_database)
        m_database->setCheckpoint();
    addToFileHistory(fileName);
    m_fileName = fileName;
    knowFileAs(stampOf(fileName));
    setTitleFromFilename();
    m_observers.notify([](DocumentObserver* o) { o->onDocumentSaved(); });
}

Document::ErrorCode Document::saveCopy(const wxString& fileName)
{
    if (wxFileExists(fileName))
    {
        if (existsButCannotBeWritten(fileName))
        {
            signalCannotWrite(fileName);
            return Cancelled;
        }
        const wxString question = fileName + " already exists.  Are you sure you want to overwrite it?";
        if (messageBox(question, wxOK | wxCANCEL | wxCENTRE) == wxCANCEL)
            return Cancelled;
    }
    return save(fileName);
}

Document::ErrorCode Document::saveAs(const wxString& fileName)
{
    wxString name = fileName;
    if (name.empty() && showFileSaveAsDialog(name) != wxID_OK)
        return Cancelled;
    const ErrorCode result = saveCopy(name);
    if (result == Success)
        becomeSavedAs(name);
    return result;
}

Document::ErrorCode Document::saveAfterCrash()
{
    return save(getCrashRecoveryFilename());
}

// ===========================================================================
// Database callback and file access
// ===========================================================================

void Document::onDatabaseChanged(db::Database* database, const db::ChangeSet& changes, bool transient)
{
    (void)database;
    (void)changes;
    m_observers.notify([transient](DocumentObserver* o) { o->onDocumentModified(transient); });
}

void Document::onDatabaseDestroyed(db::Database* database)
{
    if (database != m_database)
        return;
    // Observers let go of the database (an autosave under way, say) while it
    // is still whole.
    m_observers.notify([](DocumentObserver* o) { o->onDocumentClosing(); });
    m_database->getObservers().remove(this, ObserverMode::Immediate);
    m_database = nullptr;
    m_fileName.clear();
    knowFileAs(DiskStamp());
    m_title = s_noFileTitle;
    m_observers.notify([](DocumentObserver* o) { o->onDocumentClosed(); });
}

void Document::forgetHistory()
{
    if (!m_database)
        return;
    m_database->clearUndoHistory();
    m_database->setCheckpoint();
}

Document::FileFormat Document::getFileFormatFor(const wxString& fileName) const
{
    if (m_options & FormatByExtension)
    {
        const wxString extension = wxFileName(fileName).GetExt().Lower();
        if (extension == s_binaryExtension)
            return FileFormat::Binary;
        if (extension == m_fileExtension.Lower())
            return FileFormat::Xml;
    }
    return m_fileFormat;
}

bool Document::loadFile(const std::wstring& fileName)
{
    db::FileInputStream stream(toFileSystemName(fileName), db::FileOpenMode::Text);
    if (!stream.isOpen())
    {
        m_lastFileError = fromFileSystemName(stream.getFileName()) + ": " + wxString::FromUTF8(stream.getError());
        return false;
    }
    // By content where both kinds are documents: a renamed file still opens.
    const bool binary =
        (m_options & FormatByExtension) ? db::LoaderBinary::isBinaryFile(stream) : m_fileFormat == FileFormat::Binary;
    auto load = [&](auto& loader)
    {
        loader.setBeforeAttach([this] { fileRead(); });
        loader.setProgress(getFileProgress());
        if (loader.load(m_database))
            return true;
        m_lastFileError = wxString::FromUTF8(loader.getError().toString());
        return false;
    };
    bool loaded = false;
    if (binary)
    {
        db::LoaderBinary loader(stream, 0, nullptr);
        loaded = load(loader);
    }
    else
    {
        db::LoaderXML loader(stream, 0, nullptr);
        loaded = load(loader);
    }
    if (loaded)
        m_lastFileError.clear();
    return loaded;
}

bool Document::saveFile(const std::wstring& fileName)
{
    if (!m_database)
    {
        m_lastFileError = wxString(fileName) + ": " + "the document's database is gone";
        return false;
    }
    if (m_progress)
        return saveInBackground(fileName);
    // The stream writes beside the target and renames over it on success, so
    // a failed save leaves the previous document intact.
    const FileFormat format = getFileFormatFor(fileName);
    const std::unique_ptr<db::FileOutputStream> stream = openStream(toFileSystemName(fileName), format);
    std::string why;
    if (!writeDatabase(*stream, *m_database, format, {}, why))
    {
        m_lastFileError = fromFileSystemName(stream->getFileName()) + ": " + wxString::FromUTF8(why);
        return false;
    }
    m_lastFileError.clear();
    return true;
}

bool Document::saveInBackground(const std::wstring& fileName)
{
    // The database is read in slices between which the windows repaint; the
    // sync, often the slowest part, goes on while they do.
    const FileFormat format = getFileFormatFor(fileName);
    std::unique_ptr<db::FileOutputStream> stream = openStream(toFileSystemName(fileName), format);
    const wxString target = fromFileSystemName(stream->getFileName());
    if (!stream->isOpen())
    {
        m_lastFileError = target + ": " + wxString::FromUTF8(stream->getError());
        return false;
    }
    BackgroundSave save(*m_database, std::move(stream),
                        [this, format](db::FileOutputStream& out, const db::Progress& progress, std::string& error)
                        { return writeDatabase(out, *m_database, format, progress, error); });
    while (!save.hasReleasedDatabase())
    {
        save.runSlice(s_saveSlice);
        m_progress->update(save.getProgress());
    }
    while (!save.waitUntilFinished(s_saveSlice))
        m_progress->update(1.0);
    if (!save.succeeded())
    {
        m_lastFileError = target + ": " + wxString::FromUTF8(save.getError());
        return false;
    }
    m_lastFileError.clear();
    return true;
}

// ===========================================================================
// Dialogs
// ===========================================================================

int Document::showFileNewDialog() const
{
    return wxID_OK;
}

int Document::showFileDialog(const wxString& message, const wxString& filter, long style, wxString& fileName) const
{
    // No wxFD_OVERWRITE_PROMPT: saveCopy asks the overwrite question itself.
    wxFileDialog dialog(nullptr, message, wxString(), wxString(), filter, style, wxDefaultPosition);
    const wxString recent = getMostRecentFile();
    if (!recent.empty())
        dialog.SetPath(recent);
    const bool choosesKind = (m_options & FormatByExtension) && (style & wxFD_SAVE);
    if (choosesKind)
        dialog.SetFilterIndex(getFileFormatFor(m_fileName) == FileFormat::Binary ? 1 : 0);
    const int result = dialog.ShowModal();
    fileName = dialog.GetPath();
    if (choosesKind && result == wxID_OK)
        fileName = withKindOf(fileName, dialog.GetFilterIndex() == 1 ? FileFormat::Binary : FileFormat::Xml);
    return result;
}

wxString Document::withKindOf(const wxString& fileName, FileFormat chosen) const
{
    // A name typed without one of the two extensions gets the chosen kind's.
    const wxString extension = wxFileName(fileName).GetExt().Lower();
    if (extension == s_binaryExtension || extension == m_fileExtension.Lower())
        return fileName;
    return fileName + "." + (chosen == FileFormat::Binary ? s_binaryExtension : m_fileExtension);
}

int Document::showFileOpenDialog(wxString& fileName) const
{
    return showFileDialog("Open", getFileDialogFileTypeStringForOpening(), wxFD_OPEN, fileName);
}

int Document::showFileSaveAsDialog(wxString& fileName) const
{
    return showFileDialog("Save as", getFileDialogFileTypeStringForSaving(), wxFD_SAVE, fileName);
}

int Document::showFileSaveCopyDialog(wxString& fileName)
{
    return showFileDialog("Save copy", getFileDialogFileTypeStringForSaving(), wxFD_SAVE, fileName);
}

int Document::messageBox(const wxString& message, long style) const
{
    return wxUtils::OrkMessageBox(message, gTarn.getEnvData().getAppDisplayName(), style, nullptr, -1, -1, nullptr);
}

int Document::showPromptForSaveDialog() const
{
    return messageBox("Would you like to save your changes?", wxYES_NO | wxCANCEL | wxICON_QUESTION);
}

void Document::signalSaveFailed() const
{
    messageBox("Saving failed", wxICON_EXCLAMATION);
}

wxString Document::getFileDialogFileTypeStringForOpening() const
{
    if (!(m_options & FormatByExtension))
        return getFileDialogFileTypeStringForSaving();
    const wxString both = "*." + m_fileExtension + ";*." + s_binaryExtension;
    return gTarn.getEnvData().getAppDisplayName() + " Documents (" + both + ")|" + both + "|" +
           getFileDialogFileTypeStringForSaving();
}

wxString Document::getFileDialogFileTypeStringForSaving() const
{
    const wxString app = gTarn.getEnvData().getAppDisplayName();
    wxString filter = app + " Documents (*." + m_fileExtension + ")|*." + m_fileExtension;
    if (m_options & FormatByExtension)
        filter += "|" + app + " Binary Documents (*." + s_binaryExtension + ")|*." + s_binaryExtension;
    return filter;
}

wxString Document::getCrashRecoveryFilename() const
{
    return m_fileName + ".recovery";
}

} // namespace dbui
