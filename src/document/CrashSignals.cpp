#include "CrashSignals.h"

#include <dbui/CrashRecovery.h>

#include <algorithm>
#include <array>
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

} // namespace

void addCrashRecovery(CrashRecovery* recovery)
{
    state().recoveries.push_back(recovery);
    updateHandlers();
}

void removeCrashRecovery(CrashRecovery* recovery)
{
    auto& list = state().recoveries;
    list.erase(std::remove(list.begin(), list.end(), recovery), list.end());
    updateHandlers();
}

void setCrashSaveTimeLimitSeconds(unsigned int seconds)
{
    state().timeLimitSeconds = seconds;
}

} // namespace dbui
