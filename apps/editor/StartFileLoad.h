#pragma once

#include <db/Progress.h>

#include <wx/string.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>

namespace db
{
class Database;
}

/// The document named on the command line, read on a thread of its own while
/// the editor starts (GTK, the window), for the document to take when it opens
/// that file. Reading leaves the database alone; taking it changes the
/// database while the taking thread waits, and the database's observers hear
/// of it on that thread, as of one load. A load that is never taken leaves
/// the database as it was.
class StartFileLoad
{
public:
    /// What take came to.
    enum class Outcome
    {
        /// The database holds the file.
        Taken,
        /// The file could not be read or did not fit the database, which is as
        /// it was: a plain load says why.
        Failed,
        /// The user cancelled through the progress; the database is as it was.
        Cancelled,
    };

    /// Starts reading `fileName` into `database`, which must outlive this load
    /// and see no edits until it is taken or dropped.
    StartFileLoad(db::Database& database, const wxString& fileName);
    /// Drops a load that was not taken, leaving the database as it was.
    ~StartFileLoad();

    StartFileLoad(const StartFileLoad&) = delete;
    StartFileLoad& operator=(const StartFileLoad&) = delete;

    /// The file being read.
    const wxString& getFileName() const { return m_fileName; }

    /// Waits until the file has been read whole, telling `progress` how far the
    /// reading has come; then runs `beforeChange` and puts what was read into
    /// the database. Once only.
    Outcome take(const std::function<void()>& beforeChange, const db::Progress& progress);

private:
    enum class State
    {
        Reading,
        /// Read whole and checked; the reading thread waits to attach it.
        Read,
        Finished,
    };

    /// Runs `loader` on the reading thread, stopping before it attaches.
    template <class Loader> bool load(Loader& loader);
    /// The reading thread, read whole: waits until the taker lets it change the database.
    void waitToAttach();
    /// The reading thread: the load has come to `loaded`, once.
    void finish(bool loaded);
    /// Lets the reading thread attach inside a change block of this thread, so
    /// that the database's observers hear of it here; true when it attached.
    bool attachHere(bool keep);
    /// Waits until the reading thread is past `state`, calling `turn` between short waits.
    void waitWhile(State state, const std::function<void()>& turn);

    db::Database& m_database;
    const wxString m_fileName;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    State m_state = State::Reading;
    bool m_mayAttach = false;
    bool m_loaded = false;
    bool m_taken = false;
    std::atomic<std::size_t> m_done{0};
    std::atomic<std::size_t> m_total{0};
    std::atomic<bool> m_cancelled{false};
    std::thread m_thread;
};
