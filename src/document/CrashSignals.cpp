#include "CrashSignals.h"

#include <dbui/CrashRecovery.h>

#include <wx/app.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <exception>
#include <vector>

#include <unistd.h>

namespace dbui
{

namespace
{

struct HandledSignal
{
    int number;
    int trigger;
};

constexpr std::array<HandledSignal, 8> s_signals = {{
    {SIGSEGV, CrashRecovery::FatalSignals},
    {SIGBUS, CrashRecovery::FatalSignals},
    {SIGFPE, CrashRecovery::FatalSignals},
    {SIGILL, CrashRecovery::FatalSignals},
    {SIGABRT, CrashRecovery::FatalSignals},
    {SIGTERM, CrashRecovery::TerminationSignals},
    {SIGHUP, CrashRecovery::TerminationSignals},
    {SIGINT, CrashRecovery::TerminationSignals},
}};

// Stack overflows arrive as SIGSEGV with no stack left to run on, and saving
// a document needs room; the handlers therefore run on a stack of their own.
constexpr std::size_t s_altStackSize = 1 << 20;

/// Everything the handlers need, reachable from a signal handler.
struct CrashState
{
    std::vector<CrashSaver*> savers;
    std::array<bool, s_signals.size()> installed{};
    std::array<struct sigaction, s_signals.size()> previous{};
    /// Termination signals that wxWidgets hands to the event loop, and its handler that does so.
    std::array<bool, s_signals.size()> throughEventLoop{};
    std::array<struct sigaction, s_signals.size()> toEventLoop{};
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

std::atomic_flag s_crashWriteStarted = ATOMIC_FLAG_INIT;
/// The termination signal on its way to the event loop; 0 for none.
std::atomic<int> s_pendingTermination{0};

int wantedTriggers()
{
    int triggers = 0;
    for (const CrashSaver* s : state().savers)
        triggers |= s->getTriggers();
    return triggers;
}

std::size_t indexOf(int number)
{
    for (std::size_t i = 0; i < s_signals.size(); ++i)
    {
        if (s_signals[i].number == number)
            return i;
    }
    return s_signals.size();
}

/// Writes the recovery file of every document whose recovery wants
/// `trigger`, once per process: a crash inside the writing (or the abort that
/// follows an unhandled exception) must not start another one.
void writeAllOnce(int trigger)
{
    if (s_crashWriteStarted.test_and_set())
        return;
    // A write that hangs on a lock the crashed code held must not keep a dead
    // program alive; SIGALRM's default action ends it.
    alarm(state().timeLimitSeconds);
    for (const CrashSaver* s : state().savers)
    {
        if (s->getTriggers() & trigger)
            s->writeInCrash();
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
    struct sigaction dfl
    {
    };
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(number, &dfl, nullptr);
    raise(number);
}

void onSignal(int number, siginfo_t* info, void* context)
{
    const std::size_t i = indexOf(number);
    if (i == s_signals.size())
        return;
    // A termination signal may come in the middle of an edit: it goes to the
    // event loop, where the document is saved as usual once the edit is over.
    // A second one before the loop has taken the first means the loop no
    // longer runs, and the program ends from here like a crashed one.
    int none = 0;
    if (state().throughEventLoop[i] && s_pendingTermination.compare_exchange_strong(none, number))
    {
        state().toEventLoop[i].sa_handler(number);
        return;
    }
    writeAllOnce(s_signals[i].trigger);
    passOnSignal(i, number, info, context);
}

struct sigaction ourAction()
{
    struct sigaction action
    {
    };
    action.sa_sigaction = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
    return action;
}

/// Run by the event loop for a termination signal: saves every document as
/// usual, then lets the signal end the program as it would have without us.
void onTerminationInEventLoop(int number)
{
    const std::vector<CrashSaver*> savers = state().savers;
    for (CrashSaver* s : savers)
    {
        if (s->getTriggers() & CrashRecovery::TerminationSignals)
            s->saveOnTermination();
    }
    const std::size_t i = indexOf(number);
    if (i == s_signals.size() || !state().installed[i])
        return;
    sigaction(number, &state().previous[i], nullptr);
    raise(number);
    // Still alive: the host's own handler let the program go on.
    s_pendingTermination = 0;
    const struct sigaction ours = ourAction();
    sigaction(number, &ours, nullptr);
}

/// Has wxWidgets pass the termination signal `i` to the event loop; false
/// when there is no application, and so no event loop, to pass it to.
bool routeToEventLoop(std::size_t i)
{
    const int number = s_signals[i].number;
    if (!wxTheApp || !wxTheApp->SetSignalHandler(number, &onTerminationInEventLoop))
        return false;
    struct sigaction& wxAction = state().toEventLoop[i];
    return sigaction(number, nullptr, &wxAction) == 0 && !(wxAction.sa_flags & SA_SIGINFO) &&
           wxAction.sa_handler != SIG_DFL && wxAction.sa_handler != SIG_IGN;
}

[[noreturn]] void onTerminate()
{
    writeAllOnce(CrashRecovery::UnhandledExceptions);
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

void installSignal(std::size_t i)
{
    CrashState& s = state();
    const int number = s_signals[i].number;
    struct sigaction previous
    {
    };
    sigaction(number, nullptr, &previous);
    // A host that ignores a signal (nohup, for one) keeps ignoring it.
    if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler == SIG_IGN)
        return;
    s.previous[i] = previous;
    s.throughEventLoop[i] = s_signals[i].trigger == CrashRecovery::TerminationSignals && routeToEventLoop(i);
    const struct sigaction ours = ourAction();
    if (sigaction(number, &ours, nullptr) == 0)
        s.installed[i] = true;
}

void removeSignal(std::size_t i)
{
    CrashState& s = state();
    const int number = s_signals[i].number;
    if (s.throughEventLoop[i] && wxTheApp)
        wxTheApp->SetSignalHandler(number, SIG_DFL);
    s.throughEventLoop[i] = false;
    sigaction(number, &s.previous[i], nullptr);
    s.installed[i] = false;
    // A signal still waiting for the event loop would never be handled now.
    int pending = number;
    if (s_pendingTermination.compare_exchange_strong(pending, 0))
        raise(number);
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
            installSignal(i);
        else if (!want && s.installed[i])
            removeSignal(i);
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

} // namespace

void addCrashSaver(CrashSaver* saver)
{
    state().savers.push_back(saver);
    updateHandlers();
}

void removeCrashSaver(CrashSaver* saver)
{
    auto& list = state().savers;
    list.erase(std::remove(list.begin(), list.end(), saver), list.end());
    updateHandlers();
}

void setCrashSaveTimeLimitSeconds(unsigned int seconds)
{
    state().timeLimitSeconds = seconds;
}

} // namespace dbui
