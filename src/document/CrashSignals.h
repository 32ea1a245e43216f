#pragma once

// The process-wide half of crash recovery: the signal and terminate handlers,
// installed while at least one CrashRecovery wants them, and what they know of
// each document.

#include <atomic>
#include <climits>
#include <string>

namespace dbui
{

class CrashRecovery;

/// One document's recovery as the process-wide handlers see it.
///
/// A program that crashed (a fatal signal, an exception nobody caught) is in
/// no state to run the usual save: the document's observers, the host's own
/// saving, the windows, anything that computes a file name. What it writes
/// then is prepared here beforehand on the user-interface thread: the names
/// of the recovery file, as the system spells them, in fixed storage that a
/// signal handler may read at any moment.
class CrashSaver
{
public:
    explicit CrashSaver(CrashRecovery& recovery) : m_recovery(recovery) {}

    CrashSaver(const CrashSaver&) = delete;
    CrashSaver& operator=(const CrashSaver&) = delete;

    /// Where a crash writes: `file`, or `fallback` when that cannot be
    /// written; `folder` is made first when missing. Names longer than the
    /// system allows are dropped. User-interface thread only.
    void setTargets(const std::string& file, const std::string& fallback, const std::string& folder);

    int getTriggers() const;
    /// In a dying process, from a signal handler or std::terminate: writes the
    /// database's unsaved work (a change block under way included) and
    /// nothing else. True when a recovery file was written.
    bool writeInCrash() const;
    /// On the user-interface thread, from the event loop: the usual save of
    /// the recovery file.
    void saveOnTermination();

private:
    struct Targets
    {
        char file[PATH_MAX];
        char fallback[PATH_MAX];
        char folder[PATH_MAX];
    };

    bool writeTo(const char* file) const;

    CrashRecovery& m_recovery;
    // The handler reads the copy last completed; the other is the one written.
    Targets m_targets[2]{};
    std::atomic<int> m_current{0};
};

/// Makes `saver` save at the crashes its triggers name.
void addCrashSaver(CrashSaver* saver);
void removeCrashSaver(CrashSaver* saver);
void setCrashSaveTimeLimitSeconds(unsigned int seconds);

} // namespace dbui
