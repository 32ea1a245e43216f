#include "StartFileLoad.h"

#include <dbui/FileSystemName.h>

#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/LoaderBinary.h>
#include <db/LoaderXML.h>

#include <wx/debug.h>

#include <chrono>
#include <string>

namespace
{
/// How often a taker that waits for the reading tells its progress.
constexpr std::chrono::milliseconds s_turn{10};
} // namespace

template <class Loader> bool StartFileLoad::load(Loader& loader)
{
    loader.setBeforeAttach([this] { waitToAttach(); });
    // The taker goes on while the loader frees what it read with.
    loader.setAfterAttach([this] { finish(true); });
    loader.setProgress(
        [this](std::size_t done, std::size_t total)
        {
            m_done = done;
            m_total = total;
            return !m_cancelled;
        });
    return loader.load(m_database);
}

StartFileLoad::StartFileLoad(db::Database& database, const wxString& fileName)
    : m_database(database), m_fileName(fileName)
{
    // Converted here: the reading thread asks nothing of wxWidgets.
    m_thread = std::thread(
        [this, bytes = dbui::toFileSystemName(fileName)]
        {
            db::FileInputStream stream(bytes, db::FileOpenMode::Text);
            bool loaded = false;
            if (stream.isOpen())
            {
                // By content, as the editor's document reads files.
                if (db::LoaderBinary::isBinaryFile(stream))
                {
                    db::LoaderBinary loader(stream, 0, nullptr);
                    loaded = load(loader);
                }
                else
                {
                    db::LoaderXML loader(stream, 0, nullptr);
                    loaded = load(loader);
                }
            }
            finish(loaded);
        });
}

void StartFileLoad::finish(bool loaded)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state == State::Finished)
        return;
    m_loaded = loaded;
    m_state = State::Finished;
    m_changed.notify_all();
}

StartFileLoad::~StartFileLoad()
{
    if (!m_taken)
    {
        m_cancelled = true;
        waitWhile(State::Reading, nullptr);
        // Read whole before it heard of the cancel: the loader changes the
        // database once it has read, so the change is made and undone again.
        attachHere(false);
    }
    m_thread.join();
}

StartFileLoad::Outcome StartFileLoad::take(const std::function<void()>& beforeChange, const db::Progress& progress)
{
    wxASSERT_MSG(!m_taken, "a load of the start file can be taken only once");
    m_taken = true;
    waitWhile(State::Reading,
              [&]
              {
                  if (progress && !m_cancelled && !progress(m_done, m_total))
                      m_cancelled = true;
              });
    if (m_cancelled)
    {
        attachHere(false);
        return Outcome::Cancelled;
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state == State::Finished)
            return Outcome::Failed;
    }
    if (beforeChange)
        beforeChange();
    return attachHere(true) ? Outcome::Taken : Outcome::Failed;
}

void StartFileLoad::waitToAttach()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_state = State::Read;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_mayAttach; });
}

bool StartFileLoad::attachHere(bool keep)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state != State::Read)
            return false;
    }
    // The reading thread attaches while this one waits for it, as for a load
    // of its own; what it changes is reported here, when the block ends.
    m_database.beginChangeBlock();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_mayAttach = true;
        m_changed.notify_all();
    }
    waitWhile(State::Read, nullptr);
    const bool kept = keep && m_loaded;
    if (kept)
        m_database.endChangeBlock(L"Load");
    else
        m_database.cancelChangeBlock();
    return kept;
}

void StartFileLoad::waitWhile(State state, const std::function<void()>& turn)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_state == state)
    {
        if (!turn)
        {
            m_changed.wait(lock);
            continue;
        }
        lock.unlock();
        turn();
        lock.lock();
        if (m_state == state)
            m_changed.wait_for(lock, s_turn);
    }
}
