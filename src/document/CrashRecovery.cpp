#include <dbui/CrashRecovery.h>
#include <dbui/FileSystemName.h>

#include "Autosaver.h"
#include "CrashSignals.h"
#include "DocumentLock.h"

#include <db/Database.h>
#include <db/FileOutputStream.h>
#include <db/SaverXML.h>

#include <wx/debug.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbui
{

namespace
{

const wxString s_suffix = ".recovery";
const wxString s_untitledPrefix = "Unnamed-";

std::filesystem::path toPath(const wxString& fileName)
{
    return std::filesystem::path(toFileSystemName(fileName));
}

/// Work that no file holds yet; an edit under way counts before it has
/// become an undo step.
bool hasUnsavedWork(const db::Database* database)
{
    return database && (database->hasChangedSinceCheckpoint() || database->isInChangeBlock());
}

std::optional<std::filesystem::file_time_type> modifiedTime(const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    const auto time = std::filesystem::last_write_time(file, error);
    return error ? std::nullopt : std::optional(time);
}

/// When the recovery file is newer than its document, or the document is gone.
std::optional<std::filesystem::file_time_type> newerThanDocument(const wxString& recoveryFile,
                                                                 const wxString& documentFile)
{
    const auto recoveryTime = modifiedTime(toPath(recoveryFile));
    if (!recoveryTime)
        return std::nullopt;
    std::error_code error;
    if (documentFile.empty() || !std::filesystem::exists(toPath(documentFile), error))
        return recoveryTime;
    // Nanosecond times: a save and a crash within the same second still compare right.
    const auto documentTime = modifiedTime(toPath(documentFile));
    if (documentTime && *recoveryTime <= *documentTime)
        return std::nullopt;
    return recoveryTime;
}

/// A short digest of a path that stays the same from run to run, to tell
/// apart the recovery files of like-named documents in different folders.
wxString digestOf(const wxString& text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : std::string(text.utf8_str()))
    {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return wxString::Format("%016llx", static_cast<unsigned long long>(hash));
}

/// The process that wrote an untitled recovery file ("Unnamed-<pid>.recovery"); 0 if the name is not one.
long writerOf(const std::string& name)
{
    const std::string prefix(s_untitledPrefix.utf8_str());
    const std::string suffix(s_suffix.utf8_str());
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9)
        return 0;
    return std::stol(digits);
}

bool isRunning(long pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

wxString recoveryQuestion(const wxString& fileName, const wxString& recoveryFile)
{
    if (fileName.empty())
        return wxString::Format("The program ended before an unnamed document was saved; "
                                "its changes were kept in '%s'.\n\n"
                                "Yes: open the recovered document.\n"
                                "No: set the recovered document aside.\n"
                                "Cancel: do nothing now.",
                                recoveryFile);
    return wxString::Format("The program ended before '%s' was saved; "
                            "its unsaved changes were kept in '%s'.\n\n"
                            "Yes: open the document with the recovered changes.\n"
                            "No: open the last saved version and set the recovered changes aside.\n"
                            "Cancel: open nothing now.",
                            fileName, recoveryFile);
}

void makeFolder(const wxString& folder)
{
    if (!wxDirExists(folder))
        wxFileName::Mkdir(folder, 0700, wxPATH_MKDIR_FULL);
}

/// Copies `text` into `slot`; a name too long for the system leaves it empty.
void store(char (&slot)[PATH_MAX], const std::string& text)
{
    if (text.size() >= sizeof slot)
        slot[0] = '\0';
    else
        std::memcpy(slot, text.c_str(), text.size() + 1);
}

/// Makes `folder` and the missing folders above it, with nothing but the
/// calls a signal handler may make.
void makeFoldersInCrash(const char* folder)
{
    char path[PATH_MAX];
    const std::size_t length = std::strlen(folder);
    std::memcpy(path, folder, length + 1);
    for (std::size_t i = 1; i <= length; ++i)
    {
        if (path[i] != '/' && path[i] != '\0')
            continue;
        const char kept = path[i];
        path[i] = '\0';
        ::mkdir(path, 0700);
        path[i] = kept;
    }
}

} // namespace

// ===========================================================================
// What a crash writes
// ===========================================================================

void CrashSaver::setTargets(const std::string& file, const std::string& fallback, const std::string& folder)
{
    const int next = 1 - m_current.load();
    Targets& targets = m_targets[next];
    store(targets.file, file);
    store(targets.fallback, fallback);
    store(targets.folder, folder);
    m_current.store(next);
}

int CrashSaver::getTriggers() const
{
    return m_recovery.getTriggers();
}

bool CrashSaver::writeInCrash() const
{
    if (!hasUnsavedWork(m_recovery.getDocument().getDatabase()))
        return false;
    const Targets& targets = m_targets[m_current.load()];
    for (const char* file : {targets.file, targets.fallback})
    {
        if (file[0] == '\0')
            continue;
        if (writeTo(file))
            return true;
        if (targets.folder[0] != '\0')
        {
            makeFoldersInCrash(targets.folder);
            if (writeTo(file))
                return true;
        }
    }
    return false;
}

bool CrashSaver::writeTo(const char* file) const
{
    db::FileOutputStream stream(std::string(file), db::FileOpenMode::Text, db::OutputStreamEncoding::Utf8);
    return db::SaverXML(stream, db::SaverXML::s_compact).save(m_recovery.getDocument().getDatabase());
}

void CrashSaver::saveOnTermination()
{
    m_recovery.saveRecoveryFile();
}

// ===========================================================================
// Life and options
// ===========================================================================

CrashRecovery::CrashRecovery(Document& document, int triggers) : m_document(document), m_triggers(triggers)
{
    wxASSERT_MSG((triggers & ~AllTriggers) == 0, "CrashRecovery: unknown trigger bits");
    m_document.m_observers.add(this, ObserverMode::Deferred);
    m_crashSaver = std::make_unique<CrashSaver>(*this);
    updateCrashTargets();
    addCrashSaver(m_crashSaver.get());
}

CrashRecovery::~CrashRecovery()
{
    // The host that listens may be going away too.
    m_autosaveListener = nullptr;
    m_autosaveProgressListener = nullptr;
    m_autosaver.reset();
    removeCrashSaver(m_crashSaver.get());
    m_document.m_observers.remove(this, ObserverMode::Immediate);
}

void CrashRecovery::setCrashSaveTimeLimit(unsigned int seconds)
{
    setCrashSaveTimeLimitSeconds(seconds);
}

void CrashRecovery::setRecoveryFolder(const wxString& folder)
{
    m_folder = folder;
    updateCrashTargets();
}

void CrashRecovery::setAutosave(std::chrono::milliseconds interval, std::chrono::milliseconds idle)
{
    m_autosaver.reset();
    if (interval.count() > 0)
        m_autosaver = std::make_unique<Autosaver>(*this, interval, idle);
}

void CrashRecovery::setDocumentLocking(bool on)
{
    if (!on)
        m_lock.reset();
    else if (!m_lock)
        m_lock = std::make_unique<DocumentLock>();
    lockDocument();
}

void CrashRecovery::lockDocument()
{
    if (!m_lock)
        return;
    if (m_document.getFilename().empty())
        m_lock->release();
    else
        m_lock->hold(toFileSystemName(m_document.getFilename()));
}

std::chrono::milliseconds CrashRecovery::getAutosaveInterval() const
{
    return m_autosaver ? m_autosaver->getInterval() : std::chrono::milliseconds(0);
}

bool CrashRecovery::isAutosaving() const
{
    return m_autosaver && m_autosaver->isSaving();
}

// ===========================================================================
// Writing recovery files
// ===========================================================================

wxString CrashRecovery::recoveryFilenameFor(const wxString& documentFile)
{
    return documentFile + s_suffix;
}

bool CrashRecovery::hasNewerRecoveryFile(const wxString& documentFile)
{
    return newerThanDocument(recoveryFilenameFor(documentFile), documentFile).has_value();
}

wxString CrashRecovery::getRecoveryFilename() const
{
    if (writesUntitledFile())
        return folderFileFor(wxString());
    return m_document.getCrashRecoveryFilename();
}

bool CrashRecovery::writesUntitledFile() const
{
    return (m_document.getFilename().empty() || m_shared) && !m_folder.empty();
}

wxString CrashRecovery::folderFileFor(const wxString& documentFile) const
{
    if (m_folder.empty())
        return wxString();
    wxFileName name = wxFileName::DirName(m_folder);
    if (documentFile.empty())
        name.SetFullName(wxString::Format("%s%ld%s", s_untitledPrefix, static_cast<long>(::getpid()), s_suffix));
    else
        name.SetFullName(wxFileName(documentFile).GetFullName() + "-" + digestOf(documentFile) + s_suffix);
    return name.GetFullPath();
}

std::unique_ptr<db::FileOutputStream> CrashRecovery::openRecoveryStream(wxString& target) const
{
    const auto open = [](const wxString& name)
    {
        return std::make_unique<db::FileOutputStream>(toFileSystemName(name), db::FileOpenMode::Text,
                                                      db::OutputStreamEncoding::Utf8);
    };
    target = getRecoveryFilename();
    if (writesUntitledFile())
        makeFolder(m_folder);
    std::unique_ptr<db::FileOutputStream> stream = open(target);
    const wxString fallback = folderFileFor(m_document.getFilename());
    if (!stream->isOpen() && !fallback.empty() && fallback != target)
    {
        makeFolder(m_folder);
        target = fallback;
        stream = open(target);
    }
    return stream;
}

void CrashRecovery::updateCrashTargets()
{
    m_crashSaver->setTargets(toFileSystemName(getRecoveryFilename()),
                             toFileSystemName(folderFileFor(m_document.getFilename())), toFileSystemName(m_folder));
}

bool CrashRecovery::saveRecoveryFile()
{
    if (!hasUnsavedWork(m_document.getDatabase()))
        return false;
    wxString target = getRecoveryFilename();
    if (writesUntitledFile())
        makeFolder(m_folder);
    // Through saveFile, not saveAfterCrash: the document keeps its own name,
    // and no dialog opens, which is the last thing a crashing program should do.
    bool saved = m_document.saveFile(target.ToStdWstring());
    const wxString fallback = folderFileFor(m_document.getFilename());
    if (!saved && !fallback.empty() && fallback != target)
    {
        makeFolder(m_folder);
        target = fallback;
        saved = m_document.saveFile(target.ToStdWstring());
    }
    if (saved)
        wrote(target);
    return saved;
}

void CrashRecovery::wrote(const wxString& fileName)
{
    m_written.erase(std::remove(m_written.begin(), m_written.end(), fileName), m_written.end());
    m_written.push_back(fileName);
}

void CrashRecovery::autosaveProgressed(double fraction, std::chrono::milliseconds running)
{
    if (m_autosaveProgressListener)
        m_autosaveProgressListener(fraction, running);
}

void CrashRecovery::autosaveEnded(const wxString& target, bool written, const std::string& error)
{
    if (written)
    {
        wrote(target);
        m_lastAutosave = wxDateTime::Now();
        m_lastAutosaveError.clear();
    }
    else
        m_lastAutosaveError = target + ": " + wxString::FromUTF8(error);
    if (m_autosaveListener)
        m_autosaveListener();
}

void CrashRecovery::settleAutosave()
{
    if (m_autosaver)
        m_autosaver->settle();
}

// ===========================================================================
// When recovery files go
// ===========================================================================

void CrashRecovery::removeRecoveryFiles(const wxString& keep)
{
    std::vector<wxString> files = m_written;
    if (!m_recoveredFrom.empty())
        files.push_back(m_recoveredFrom);
    for (const wxString& file : files)
    {
        if (file != keep && wxFileExists(file))
            wxRemoveFile(file);
    }
    m_written.clear();
    m_recoveredFrom.clear();
}

void CrashRecovery::discardRecoveryFiles()
{
    settleAutosave();
    removeRecoveryFiles();
}

void CrashRecovery::onDocumentSaved()
{
    // The saved document holds everything its recovery files held. A save to
    // a recovery file itself (saveAfterCrash) keeps that one.
    settleAutosave();
    removeRecoveryFiles(m_document.getFilename());
    // A save writes a new file, and may be to another name.
    followDocumentFile();
}

void CrashRecovery::onDocumentCreated()
{
    m_shared = false;
    followDocumentFile();
}

void CrashRecovery::onDocumentClosed()
{
    m_shared = false;
    followDocumentFile();
}

void CrashRecovery::followDocumentFile()
{
    lockDocument();
    updateCrashTargets();
}

void CrashRecovery::onDocumentClosing()
{
    settleAutosave();
    if (!m_document.hasChangedSinceLastSave())
    {
        removeRecoveryFiles();
        return;
    }
    // Unsaved work is closing: the user either chose to lose it (and the host
    // said so through discardRecoveryFiles) or could not save it. Its files
    // stay for the next start, and no later document's save may delete them.
    m_written.clear();
    m_recoveredFrom.clear();
}

void CrashRecovery::onDocumentModified(bool)
{
    if (m_autosaver)
        m_autosaver->onDatabaseChanged();
}

// ===========================================================================
// Offering recovery
// ===========================================================================

wxString CrashRecovery::findNewerRecoveryFile(const wxString& documentFile) const
{
    wxString newest;
    std::optional<std::filesystem::file_time_type> newestTime;
    // Untitled work of this program is not there to be offered: offerUntitledRecovery finds that of others.
    const wxString inFolder = documentFile.empty() ? wxString() : folderFileFor(documentFile);
    for (const wxString& candidate : {recoveryFilenameFor(documentFile), inFolder})
    {
        if (candidate.empty())
            continue;
        const auto time = newerThanDocument(candidate, documentFile);
        if (time && (!newestTime || *time > *newestTime))
        {
            newest = candidate;
            newestTime = time;
        }
    }
    return newest;
}

Document::ErrorCode CrashRecovery::openOfferingRecovery(const wxString& fileName)
{
    if (m_lock && !fileName.empty() && m_lock->heldElsewhere(toFileSystemName(fileName)))
        return openHeldElsewhere(fileName);
    const wxString recoveryFile = findNewerRecoveryFile(fileName);
    if (recoveryFile.empty())
        return m_document.open(fileName);

    switch (m_document.messageBox(recoveryQuestion(fileName, recoveryFile), wxYES_NO | wxCANCEL | wxICON_QUESTION))
    {
    case wxYES:
        return recover(fileName, recoveryFile);
    case wxNO:
        // Set aside rather than deleted: the answer may have been a slip.
        wxRenameFile(recoveryFile, recoveryFile + ".discarded", true);
        if (fileName.empty())
            return Document::Cancelled;
        return m_document.open(fileName);
    default:
        return Document::Cancelled;
    }
}

Document::ErrorCode CrashRecovery::openHeldElsewhere(const wxString& fileName)
{
    const wxString question = wxString::Format("'%s' is already open in another window.\n\n"
                                               "Open it here too? Each window's save then replaces the other's.",
                                               fileName);
    if (m_document.messageBox(question, wxYES_NO | wxNO_DEFAULT | wxICON_EXCLAMATION) != wxYES)
        return Document::Cancelled;
    const Document::ErrorCode opened = m_document.open(fileName);
    if (opened == Document::Success)
    {
        m_shared = true;
        updateCrashTargets();
    }
    return opened;
}

Document::ErrorCode CrashRecovery::offerUntitledRecovery()
{
    if (m_folder.empty())
        return Document::Cancelled;
    wxString newest;
    std::optional<std::filesystem::file_time_type> newestTime;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(toPath(m_folder), error))
    {
        // A file of a program still running is that program's to recover.
        const long writer = writerOf(entry.path().filename().string());
        if (writer == 0 || writer == static_cast<long>(::getpid()) || isRunning(writer))
            continue;
        const auto time = modifiedTime(entry.path());
        if (time && (!newestTime || *time > *newestTime))
        {
            newest = fromFileSystemName(entry.path().string());
            newestTime = time;
        }
    }
    if (newest.empty())
        return Document::Cancelled;
    switch (m_document.messageBox(recoveryQuestion(wxString(), newest), wxYES_NO | wxCANCEL | wxICON_QUESTION))
    {
    case wxYES:
        return recover(wxString(), newest);
    case wxNO:
        wxRenameFile(newest, newest + ".discarded", true);
        return Document::Cancelled;
    default:
        return Document::Cancelled;
    }
}

Document::ErrorCode CrashRecovery::recover(const wxString& fileName, const wxString& recoveryFile)
{
    // Open the saved version first, so the recovered content arrives as one
    // undoable change on top of it and the document reads as changed.
    bool openedSaved = false;
    if (!fileName.empty() && wxFileExists(fileName))
    {
        const Document::ErrorCode opened = m_document.open(fileName);
        if (opened == Document::Cancelled)
            return Document::Cancelled;
        openedSaved = opened == Document::Success;
        // The user has agreed to leave the previous document, which a failed
        // open may have kept: the recovered content must not land on top of it.
        if (!openedSaved)
            m_document.close();
    }
    else if (m_document.closeIfAllowed() == Document::Cancelled)
        return Document::Cancelled;

    if (!m_document.getDatabase())
        return Document::LoadFailed;
    db::Database& database = *m_document.getDatabase();
    database.beginChangeBlock();
    // Cleared only once the recovery file has been read whole: a broken one
    // leaves the saved version as it is.
    const Document::ErrorCode loaded = m_document.loadFileThen(
        recoveryFile, [&database] { database.clear(); }, "Recovering");
    if (loaded != Document::Success)
    {
        database.cancelChangeBlock();
        return loaded;
    }
    database.endChangeBlock(L"Recover Document");

    if (!openedSaved)
    {
        // The saved version is missing or unreadable: the document still
        // belongs to its own file, and saving it writes the recovered content there.
        m_document.m_fileName = fileName;
        if (fileName.empty())
            m_document.setTitle("Unnamed");
        else
        {
            m_document.setTitleFromFilename();
            m_document.addToFileHistory(fileName);
        }
        m_document.m_observers.notify([](DocumentObserver* o) { o->onDocumentCreated(); });
    }
    m_recoveredFrom = recoveryFile;
    return Document::Success;
}

} // namespace dbui
