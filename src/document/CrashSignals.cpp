#include <dbui/CrashRecovery.h>

#include <db/Database.h>

#include <wx/debug.h>
#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/msgdlg.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <exception>
#include <filesystem>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace dbui
{

// ===========================================================================
// Process-wide handlers
// ===========================================================================

namespace
{

struct HandledSignal
{
    int number;
    int trigger;
};

constexpr std::array<HandledSignal, 7> s_signals = {{
    {SIGSEGV, CrashRecovery::FatalSignals},
    {SIGBUS, CrashRecovery::FatalSignals},
    {SIGFPE, CrashRecovery::FatalSignals},
    {SIGILL, CrashRecovery::FatalSignals},
    {SIGABRT, CrashRecovery::FatalSignals},
    {SIGTERM, CrashRecovery::TerminationSignals},
    {SIGHUP, CrashRecovery::TerminationSignals},
}};

// Stack overflows arrive as SIGSEGV with no stack left to run on, and saving
// a document needs room; the handlers therefore run on a stack of their own.
constexpr std::size_t s_altStackSize = 1 << 20;

/// Everything the handlers need, reachable from a signal handler.
struct CrashState
{
    std::vector<CrashRecovery*> recoveries;
    std::array<bool, s_signals.size()> installed{};
    std::array<struct sigaction, s_signals.size()> previous{};
    bool terminateInstalled = false;
    std::terminate_handler previousTerminate = nullptr;
    std::vector<char> altStack;
    bool altStackInstalled = false;
    stack_t previousAltStack{};
    unsigned int timeLimitSeconds = 20;
};

CrashState& state()
{
    static CrashState s_state;
    return s_state;
}

volatile std::sig_atomic_t s_crashSaveStarted = 0;

int wantedTriggers()
{
    int triggers = 0;
    for (const CrashRecovery* r : state().recoveries)
        triggers |= r->getTriggers();
    return triggers;
}

/// Saves every document whose recovery wants `trigger`, once per process: a
/// crash inside the save (or the abort that follows an unhandled exception)
/// must not start another one.
void saveAllOnce(int trigger)
{
    if (s_crashSaveStarted)
        return;
    s_crashSaveStarted = 1;
    // A save that hangs on a lock the crashed code held must not keep a dead
    // program alive; SIGALRM's default action ends it.
    alarm(state().timeLimitSeconds);
    for (CrashRecovery* r : state().recoveries)
    {
        if (r->getTriggers() & trigger)
            r->saveRecoveryFile();
    }
    alarm(0);
}

void passOnSignal(std::size_t index, int number, siginfo_t* info, void* context)
{
    const struct sigaction& prev = state().previous[index];
    if (prev.sa_flags & SA_SIGINFO)
    {
        if (prev.sa_sigaction != nullptr)
        {
            prev.sa_sigaction(number, info, context);
            return;
        }
    }
    else if (prev.sa_handler != SIG_DFL && prev.sa_handler != SIG_IGN && prev.sa_handler != nullptr)
    {
        prev.sa_handler(number);
        return;
    }
    // The default action: restore it and deliver the signal again, so the
    // program ends the way it would have without us (core dump included).
    struct sigaction dfl{};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(number, &dfl, nullptr);
    raise(number);
}

void onSignal(int number, siginfo_t* info, void* context)
{
    for (std::size_t i = 0; i < s_signals.size(); ++i)
    {
        if (s_signals[i].number != number)
            continue;
        saveAllOnce(s_signals[i].trigger);
        passOnSignal(i, number, info, context);
        return;
    }
}

[[noreturn]] void onTerminate()
{
    saveAllOnce(CrashRecovery::UnhandledExceptions);
    if (std::terminate_handler previous = state().previousTerminate)
        previous();
    std::abort();
}

void installAltStack()
{
    CrashState& s = state();
    if (s.altStackInstalled)
        return;
    s.altStack.assign(s_altStackSize, 0);
    stack_t stack{};
    stack.ss_sp = s.altStack.data();
    stack.ss_size = s.altStack.size();
    stack.ss_flags = 0;
    s.altStackInstalled = sigaltstack(&stack, &s.previousAltStack) == 0;
}

void removeAltStack()
{
    CrashState& s = state();
    if (!s.altStackInstalled)
        return;
    // Only put the old stack back if ours is still the one in use; someone
    // who installed theirs after us keeps it.
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == s.altStack.data())
    {
        if (s.previousAltStack.ss_sp != nullptr && !(s.previousAltStack.ss_flags & SS_DISABLE))
            sigaltstack(&s.previousAltStack, nullptr);
        else
        {
            stack_t disable{};
            disable.ss_flags = SS_DISABLE;
            sigaltstack(&disable, nullptr);
        }
    }
    s.altStackInstalled = false;
    s.altStack.clear();
    s.altStack.shrink_to_fit();
}

/// Makes the installed handlers match what the live recoveries want.
void updateHandlers()
{
    CrashState& s = state();
    const int wanted = wantedTriggers();
    const bool anySignal = (wanted & (CrashRecovery::FatalSignals | CrashRecovery::TerminationSignals)) != 0;
    if (anySignal)
        installAltStack();

    for (std::size_t i = 0; i < s_signals.size(); ++i)
    {
        const bool want = (wanted & s_signals[i].trigger) != 0;
        if (want && !s.installed[i])
        {
            struct sigaction previous{};
            sigaction(s_signals[i].number, nullptr, &previous);
            // A host that ignores a signal (nohup, for one) keeps ignoring it.
            if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler == SIG_IGN)
                continue;
            struct sigaction action{};
            action.sa_sigaction = &onSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_SIGINFO | SA_ONSTACK;
            if (sigaction(s_signals[i].number, &action, &s.previous[i]) == 0)
                s.installed[i] = true;
        }
        else if (!want && s.installed[i])
        {
            sigaction(s_signals[i].number, &s.previous[i], nullptr);
            s.installed[i] = false;
        }
    }

    const bool wantTerminate = (wanted & CrashRecovery::UnhandledExceptions) != 0;
    if (wantTerminate && !s.terminateInstalled)
    {
        s.previousTerminate = std::set_terminate(&onTerminate);
        s.terminateInstalled = true;
    }
    else if (!wantTerminate && s.terminateInstalled)
    {
        std::set_terminate(s.previousTerminate);
        s.terminateInstalled = false;
    }

    if (!anySignal)
        removeAltStack();
}

std::filesystem::path toPath(const wxString& fileName)
{
    return std::filesystem::path(std::string(fileName.fn_str()));
}

} // namespace

// ===========================================================================
// CrashRecovery
// ===========================================================================

CrashRecovery::CrashRecovery(Document& document, int triggers) : m_document(document), m_triggers(triggers)
{
    wxASSERT_MSG((triggers & ~AllTriggers) == 0, "CrashRecovery: unknown trigger bits");
    m_document.m_observers.add(this, ObserverMode::Deferred);
    state().recoveries.push_back(this);
    updateHandlers();
}

CrashRecovery::~CrashRecovery()
{
    auto& list = state().recoveries;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    updateHandlers();
    m_document.m_observers.remove(this, ObserverMode::Immediate);
}

void CrashRecovery::setCrashSaveTimeLimit(unsigned int seconds)
{
    state().timeLimitSeconds = seconds;
}

bool CrashRecovery::saveRecoveryFile()
{
    if (!m_document.hasChangedSinceLastSave())
        return false;
    // saveAfterCrash would ask about a recovery file it cannot replace; a
    // dialog is the last thing a crashing program should open.
    const wxString target = m_document.getCrashRecoveryFilename();
    if (wxFileExists(target) && !wxFile::Access(target, wxFile::write))
        return false;
    // The recovery file is no document the user chose; keep it out of the
    // recent-files list, which is also written to the configuration.
    wxUtils::OrkFileHistory2* history = m_document.getFileHistory();
    m_document.setFileHistory(nullptr);
    const bool saved = m_document.saveAfterCrash() == Document::Success;
    m_document.setFileHistory(history);
    return saved;
}

wxString CrashRecovery::recoveryFilenameFor(const wxString& documentFile)
{
    return documentFile + ".recovery";
}

bool CrashRecovery::hasNewerRecoveryFile(const wxString& documentFile)
{
    std::error_code error;
    const std::filesystem::path recovery = toPath(recoveryFilenameFor(documentFile));
    if (!std::filesystem::is_regular_file(recovery, error))
        return false;
    const std::filesystem::path document = toPath(documentFile);
    if (documentFile.empty() || !std::filesystem::exists(document, error))
        return true;
    // Nanosecond times: a save and a crash within the same second still compare right.
    const auto recoveryTime = std::filesystem::last_write_time(recovery, error);
    if (error)
        return false;
    const auto documentTime = std::filesystem::last_write_time(document, error);
    if (error)
        return true;
    return recoveryTime > documentTime;
}

Document::ErrorCode CrashRecovery::openOfferingRecovery(const wxString& fileName)
{
    const wxString recoveryFile = recoveryFilenameFor(fileName);
    if (!hasNewerRecoveryFile(fileName))
        return m_document.open(fileName);

    wxString question;
    if (fileName.empty())
        question = wxString::Format("The program ended before an unnamed document was saved; "
                                    "its changes were kept in '%s'.\n\n"
                                    "Yes: open the recovered document.\n"
                                    "No: set the recovered document aside.\n"
                                    "Cancel: do nothing now.",
                                    recoveryFile);
    else
        question = wxString::Format("The program ended before '%s' was saved; "
                                    "its unsaved changes were kept in '%s'.\n\n"
                                    "Yes: open the document with the recovered changes.\n"
                                    "No: open the last saved version and set the recovered changes aside.\n"
                                    "Cancel: open nothing now.",
                                    fileName, recoveryFile);

    switch (m_document.messageBox(question, wxYES_NO | wxCANCEL | wxICON_QUESTION))
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
    }
    else if (m_document.closeIfAllowed() == Document::Cancelled)
        return Document::Cancelled;

    db::Database& database = *m_document.getDatabase();
    database.beginChangeBlock();
    database.clear();
    if (!m_document.loadFile(recoveryFile.ToStdWstring()))
    {
        database.cancelChangeBlock();
        return Document::LoadFailed;
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

void CrashRecovery::onDocumentSaved()
{
    // Once recovered content is safely in a document the user saved, its
    // recovery file has done its job. A save of the recovery file itself (a
    // second crash) must keep it.
    if (m_recoveredFrom.empty() || m_document.getFilename() == m_recoveredFrom)
        return;
    wxRemoveFile(m_recoveredFrom);
    m_recoveredFrom.clear();
}

} // namespace dbui
