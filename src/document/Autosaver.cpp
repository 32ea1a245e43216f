#include "Autosaver.h"

#include <dbui/CrashRecovery.h>

#include <db/Database.h>
#include <db/SaverXML.h>

#include <wx/app.h>
#include <wx/event.h>

#include <algorithm>

namespace dbui
{

namespace
{
/// How long the user may have to wait for an event while the database is read:
/// well under what anyone notices as a stall of typing.
constexpr std::chrono::milliseconds s_slice{30};

bool isUserInput(wxEventType type)
{
    return type == wxEVT_KEY_DOWN || type == wxEVT_KEY_UP || type == wxEVT_CHAR || type == wxEVT_LEFT_DOWN ||
           type == wxEVT_LEFT_UP || type == wxEVT_RIGHT_DOWN || type == wxEVT_RIGHT_UP || type == wxEVT_MIDDLE_DOWN ||
           type == wxEVT_MIDDLE_UP || type == wxEVT_MOTION || type == wxEVT_MOUSEWHEEL;
}
} // namespace

Autosaver::Autosaver(CrashRecovery& recovery, std::chrono::milliseconds interval, std::chrono::milliseconds idle)
    : m_recovery(recovery), m_interval(interval), m_idle(idle), m_lastInput(Clock::now())
{
    wxEvtHandler::AddFilter(this);
    if (wxTheApp)
        wxTheApp->Bind(wxEVT_IDLE, &Autosaver::onIdle, this);
    // Often enough that a save starts soon after it is due, rarely enough to cost nothing.
    const auto period = std::clamp(m_interval / 4, std::chrono::milliseconds(10), std::chrono::milliseconds(500));
    Start(static_cast<int>(period.count()));
}

Autosaver::~Autosaver()
{
    Stop();
    if (wxTheApp)
        wxTheApp->Unbind(wxEVT_IDLE, &Autosaver::onIdle, this);
    wxEvtHandler::RemoveFilter(this);
    settle();
}

int Autosaver::FilterEvent(wxEvent& event)
{
    if (isUserInput(event.GetEventType()))
        m_lastInput = Clock::now();
    return Event_Skip;
}

void Autosaver::onDatabaseChanged()
{
    if (m_save && !m_save->hasReleasedDatabase())
        stop();
    if (!m_changedSince)
        m_changedSince = Clock::now();
}

void Autosaver::settle()
{
    if (m_save && !m_save->hasReleasedDatabase())
        stop();
    if (m_save)
    {
        m_save->cancel(); // waits for the sync and rename
        takeResult();
    }
    m_changedSince.reset();
}

void Autosaver::Notify()
{
    takeResult();
    if (!m_recovery.getDocument().hasChangedSinceLastSave())
        m_changedSince.reset();
    else if (isDue())
        start();
}

bool Autosaver::isDue() const
{
    const Clock::time_point now = Clock::now();
    return !m_save && m_changedSince && now - *m_changedSince >= m_interval && now - m_lastInput >= m_idle &&
           !m_recovery.getDocument().getDatabase()->isInChangeBlock();
}

void Autosaver::start()
{
    std::unique_ptr<db::FileOutputStream> stream = m_recovery.openRecoveryStream(m_target);
    if (!stream->isOpen())
    {
        m_changedSince = Clock::now(); // tried again after another interval
        m_recovery.autosaveEnded(m_target, false, stream->getError());
        return;
    }
    m_changedBeforeSave = *m_changedSince;
    m_changedSince.reset();
    m_saveStarted = Clock::now();
    db::Database& database = *m_recovery.getDocument().getDatabase();
    m_save = std::make_unique<BackgroundSave>(
        database, std::move(stream),
        [&database](db::FileOutputStream& out, const db::Progress& progress, std::string& error)
        {
            // Compact: nobody reads a recovery file but the loader, and it
            // is smaller and quicker to write.
            db::SaverXML saver(out, db::SaverXML::s_compact | db::SaverXML::s_oneThread);
            saver.setProgress(progress);
            const bool saved = saver.save(&database);
            error = saver.getError();
            return saved;
        });
    wxWakeUpIdle();
}

void Autosaver::stop()
{
    m_save.reset();
    if (!m_changedSince || m_changedBeforeSave < *m_changedSince)
        m_changedSince = m_changedBeforeSave;
}

void Autosaver::onIdle(wxIdleEvent& event)
{
    event.Skip();
    if (!m_save)
        return;
    if (!m_save->hasReleasedDatabase())
    {
        // An edit under way (a spin drag, say) has changed values that no
        // report has told of yet: the save can no longer be a snapshot.
        if (m_recovery.getDocument().getDatabase()->isInChangeBlock())
        {
            stop();
            return;
        }
        m_save->runSlice(s_slice);
        m_recovery.autosaveProgressed(
            m_save->getProgress(), std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_saveStarted));
        if (!m_save->hasReleasedDatabase())
        {
            event.RequestMore();
            return;
        }
    }
    takeResult();
}

void Autosaver::takeResult()
{
    if (!m_save || !m_save->isFinished())
        return;
    const bool written = m_save->succeeded();
    const std::string error = m_save->getError();
    m_save.reset();
    if (!written && !m_changedSince)
        m_changedSince = Clock::now();
    m_recovery.autosaveEnded(m_target, written, error);
}

} // namespace dbui
