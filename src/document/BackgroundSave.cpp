#include "BackgroundSave.h"

#include <db/Database.h>

#include <csignal>

#include <pthread.h>

namespace dbui
{

namespace
{
/// Blocks, on the calling thread, every signal that is not a fault of the
/// thread itself, and puts the previous mask back when it ends. A thread
/// started meanwhile keeps that mask: a SIGTERM must reach the user-interface
/// thread, whose crash handler saves the database, and never the worker,
/// which would save it while the user-interface thread edits it.
class AsynchronousSignalsBlocked
{
public:
    AsynchronousSignalsBlocked()
    {
        sigset_t blocked;
        sigfillset(&blocked);
        for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
            sigdelset(&blocked, fault);
        pthread_sigmask(SIG_BLOCK, &blocked, &m_previous);
    }
    ~AsynchronousSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    AsynchronousSignalsBlocked(const AsynchronousSignalsBlocked&) = delete;
    AsynchronousSignalsBlocked& operator=(const AsynchronousSignalsBlocked&) = delete;

private:
    sigset_t m_previous;
};
} // namespace

BackgroundSave::BackgroundSave(db::Database& database, std::unique_ptr<db::FileOutputStream> stream, Write write)
    : m_database(database), m_stream(std::move(stream)), m_write(std::move(write))
{
    m_stream->setProgress([this](db::FileOutputStream::Step step, std::size_t) { return onProgress(step); });
    AsynchronousSignalsBlocked blocked;
    m_worker = std::thread([this] { run(); });
}

BackgroundSave::~BackgroundSave()
{
    cancel();
}

void BackgroundSave::run()
{
    bool saved = false;
    std::string error = "cancelled";
    bool start = false;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_running || m_cancelled; });
        start = !m_cancelled;
    }
    if (start)
    {
        error.clear();
        // The writer's own reports are places to pause as well: a binary file
        // is built whole in memory before the stream sees any of it.
        saved = m_write(
            *m_stream,
            [this](std::size_t done, std::size_t total)
            {
                m_progress = total > 0 ? double(done) / double(total) : 0.0;
                return onProgress(db::FileOutputStream::Step::Write);
            },
            error);
    }
    // A stream that did not commit removes its temporary file here, off the user-interface thread.
    m_stream.reset();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_running = false;
    m_released = true;
    m_finished = true;
    m_succeeded = saved;
    m_error = saved ? std::string() : error;
    m_changed.notify_all();
}

bool BackgroundSave::onProgress(db::FileOutputStream::Step step)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_cancelled)
        return false;
    if (step == db::FileOutputStream::Step::Sync)
    {
        // Everything has been read: the sync, often the slowest part, needs no slice.
        m_running = false;
        m_released = true;
        m_changed.notify_all();
        return true;
    }
    if (std::chrono::steady_clock::now() < m_sliceEnd)
        return true;
    m_running = false;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_running || m_cancelled; });
    return !m_cancelled;
}

void BackgroundSave::runSlice(std::chrono::milliseconds budget)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_released || m_cancelled)
        return;
    m_sliceEnd = std::chrono::steady_clock::now() + budget;
    m_running = true;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return !m_running; });
}

bool BackgroundSave::hasReleasedDatabase() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_released;
}

bool BackgroundSave::isFinished() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_finished;
}

bool BackgroundSave::succeeded() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_succeeded;
}

std::string BackgroundSave::getError() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

double BackgroundSave::getProgress() const
{
    return m_progress;
}

bool BackgroundSave::waitUntilFinished(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_finished; });
}

void BackgroundSave::cancel()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Once released, the file is complete in all but its sync: let it land.
        if (!m_released)
            m_cancelled = true;
        m_changed.notify_all();
    }
    if (m_worker.joinable())
        m_worker.join();
}

} // namespace dbui
