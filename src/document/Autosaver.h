#pragma once

#include "BackgroundSave.h"

#include <wx/eventfilter.h>
#include <wx/string.h>
#include <wx/timer.h>

#include <chrono>
#include <memory>
#include <optional>

class wxIdleEvent;

namespace dbui
{

class CrashRecovery;

/// CrashRecovery's autosave: decides when to write the recovery file and
/// hands the background save its slices.
///
/// A timer looks every so often whether the document has had unsaved changes
/// for the interval and whether keyboard and mouse have rested long enough
/// (every event passes its filter); then a BackgroundSave starts, and reads
/// the database in slices from idle events, so that whatever the user does
/// next waits at most one slice. A change of the database while the save
/// still reads it stops the save; it is tried again at the next rest.
class Autosaver : public wxTimer, public wxEventFilter
{
public:
    Autosaver(CrashRecovery& recovery, std::chrono::milliseconds interval, std::chrono::milliseconds idle);
    ~Autosaver() override;

    Autosaver(const Autosaver&) = delete;
    Autosaver& operator=(const Autosaver&) = delete;

    std::chrono::milliseconds getInterval() const { return m_interval; }
    bool isSaving() const { return m_save != nullptr; }

    /// The database changed: a save that still reads it stops, and the changes count from now.
    void onDatabaseChanged();
    /// Stops a save that still reads, waits for one that writes and takes in its result;
    /// the unsaved changes count anew.
    void settle();

    void Notify() override;
    int FilterEvent(wxEvent& event) override;

private:
    using Clock = std::chrono::steady_clock;

    void onIdle(wxIdleEvent& event);
    bool isDue() const;
    void start();
    /// Drops a save that still reads; its changes are still due.
    void stop();
    /// Hands the result of a finished save to the recovery.
    void takeResult();

    CrashRecovery& m_recovery;
    std::chrono::milliseconds m_interval;
    std::chrono::milliseconds m_idle;
    /// Since when the document has changes that no recovery file holds.
    std::optional<Clock::time_point> m_changedSince;
    Clock::time_point m_changedBeforeSave;
    Clock::time_point m_lastInput;
    Clock::time_point m_saveStarted;
    std::unique_ptr<BackgroundSave> m_save;
    wxString m_target;
};

} // namespace dbui
