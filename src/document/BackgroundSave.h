#pragma once

#include <db/FileOutputStream.h>
#include <db/Progress.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace db
{
class Database;
}

namespace dbui
{

/// Saves a database without holding up the user-interface thread for long. The database has no locks, so the worker
/// thread reads it only in slices that the user-interface thread hands out and waits for: the two never run at once,
/// and between slices events are handled as usual. Once the whole database has been read, the worker syncs and renames
/// the file on its own while the user goes on.
///
/// A slice must not be handed out once the database changed since the save
/// began: the worker stands in the middle of its tree. Cancel instead.
class BackgroundSave
{
public:
    /// Writes the database to the stream and commits it, on the worker; false with `error` on failure.
    using Write = std::function<bool(db::FileOutputStream& stream, const db::Progress& progress, std::string& error)>;

    /// Starts the worker, which waits for its first slice; `stream` must be open.
    BackgroundSave(db::Database& database, std::unique_ptr<db::FileOutputStream> stream, Write write);
    /// Cancels the save if it still reads the database, else waits for the file to be written.
    ~BackgroundSave();

    BackgroundSave(const BackgroundSave&) = delete;
    BackgroundSave& operator=(const BackgroundSave&) = delete;

    /// Lets the worker read for about `budget`; returns when it has paused or no longer reads.
    void runSlice(std::chrono::milliseconds budget);
    /// True once the worker no longer reads the database: edits are safe again.
    bool hasReleasedDatabase() const;
    /// True once the file was written or the save failed.
    bool isFinished() const;
    /// After isFinished: whether the file is on disk.
    bool succeeded() const;
    /// After isFinished: why it failed.
    std::string getError() const;
    /// How far the writing has come, from 0 to 1.
    double getProgress() const;
    /// Waits up to `timeout` for the file to be written or the save to fail; true when it is over.
    bool waitUntilFinished(std::chrono::milliseconds timeout);
    /// Stops a save that still reads the database (the target stays as it was),
    /// and waits for the worker to end either way.
    void cancel();

private:
    void run();
    /// The stream's progress: pauses when the slice is spent; false once cancelled.
    bool onProgress(db::FileOutputStream::Step step);

    db::Database& m_database;
    std::unique_ptr<db::FileOutputStream> m_stream;
    Write m_write;
    std::atomic<double> m_progress{0};

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::chrono::steady_clock::time_point m_sliceEnd;
    bool m_running = false;  ///< the worker holds the database now
    bool m_released = false; ///< the worker is done with the database
    bool m_finished = false;
    bool m_cancelled = false;
    bool m_succeeded = false;
    std::string m_error;

    std::thread m_worker;
};

} // namespace dbui
