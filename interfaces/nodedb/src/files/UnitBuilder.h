#pragma once

// Builds the units of a file (pieces that can be read apart from each other)
// on worker threads while the loading thread goes on reading, and hands them
// back in the order they were added. The loading thread builds units too when
// it has nothing else to do or too many wait.

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <pthread.h>

#include "LoadSupport.h"

namespace db::files
{

/// Worker threads for a load: one fewer than the processors, the loading thread being the last.
inline unsigned int loadWorkerCount()
{
    const unsigned int processors = std::thread::hardware_concurrency();
    return processors > 1 ? std::min(processors - 1, 3u) : 0;
}

/// Threads that take work of other kinds besides their own, when they have none of their own left.
class Helpers
{
public:
    virtual ~Helpers() = default;
    /// Runs `task` on a helper, or on the thread that calls finishTasks.
    virtual void addTask(std::function<void()> task) = 0;
    /// Returns once every task added has run, running waiting ones meanwhile.
    virtual void finishTasks() = 0;
};

template <typename Unit> class UnitBuilder : public Helpers
{
public:
    /// `build` runs once per unit, on a worker or on the loading thread.
    UnitBuilder(std::function<void(Unit&)> build, unsigned int workers)
        : m_build(std::move(build)), m_maxWorkers(workers)
    {
    }
    ~UnitBuilder() override { stop(); }
    UnitBuilder(const UnitBuilder&) = delete;
    UnitBuilder& operator=(const UnitBuilder&) = delete;

    /// Units are started no further than `units` ahead of the one taken last (0: no limit).
    void limitAhead(std::size_t units)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_limitAhead = units;
        }
        m_changed.notify_all();
    }

    void add(std::unique_ptr<Unit> unit)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_units.push_back(std::move(unit));
            m_built.push_back(false);
        }
        m_changed.notify_one();
        // Threads only once there is work for more than one: small files load without any.
        if (m_workers.size() < m_maxWorkers && waiting() > 1)
            startWorker();
    }

    /// Tasks wait for the units: the workers take them when no unit waits.
    void addTask(std::function<void()> task) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_tasks.push_back(std::move(task));
            ++m_unfinishedTasks;
        }
        m_changed.notify_one();
    }

    void finishTasks() override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (m_unfinishedTasks > 0)
        {
            if (!runTask(lock))
                m_changed.wait(lock);
        }
    }

    std::size_t size() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_units.size();
    }

    /// Units added and not yet started.
    std::size_t waiting() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_units.size() - m_next;
    }

    /// Builds one waiting unit on the calling thread; false when none waits.
    bool buildOne()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return buildNext(lock);
    }

    /// Unit `index`, once it is built; the calling thread builds waiting units meanwhile.
    Unit& take(std::size_t index)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (index > m_taken)
        {
            m_taken = index;
            // Only a limit waits for this: idle workers woken for nothing cost the taker a system call each time.
            if (m_limitAhead > 0)
                m_changed.notify_all();
        }
        while (!m_built[index])
        {
            if (!buildNext(lock))
                m_changed.wait(lock);
        }
        return *m_units[index];
    }

    /// Lets the workers finish the unit in hand and end.
    void stop()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        for (std::thread& worker : m_workers)
            worker.join();
        m_workers.clear();
    }

private:
    /// Builds the next waiting unit with the lock released meanwhile.
    bool buildNext(std::unique_lock<std::mutex>& lock)
    {
        if (m_stopping || m_next >= m_units.size() || (m_limitAhead > 0 && m_next >= m_taken + m_limitAhead))
            return false;
        const std::size_t index = m_next++;
        Unit* unit = m_units[index].get();
        lock.unlock();
        try
        {
            m_build(*unit);
        }
        catch (...)
        {
            // Out of memory, most likely: the unit stays unbuilt, and the
            // loader reads the file the ordinary way, on its own thread.
        }
        lock.lock();
        m_built[index] = true;
        m_changed.notify_all();
        return true;
    }

    /// Runs the first waiting task with the lock released meanwhile.
    bool runTask(std::unique_lock<std::mutex>& lock)
    {
        if (m_tasks.empty())
            return false;
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        task();
        task = nullptr;
        lock.lock();
        --m_unfinishedTasks;
        m_changed.notify_all();
        return true;
    }

    void work()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stopping)
        {
            if (!buildNext(lock) && !runTask(lock))
                m_changed.wait(lock);
        }
    }

    void startWorker()
    {
        // The workers take no asynchronous signal: a host's SIGTERM handler
        // (one that saves the user's work, say) must run on its own thread.
        sigset_t blocked;
        sigset_t previous;
        sigfillset(&blocked);
        for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
            sigdelset(&blocked, fault);
        pthread_sigmask(SIG_BLOCK, &blocked, &previous);
        m_workers.emplace_back([this] { work(); });
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }

    std::function<void(Unit&)> m_build;
    unsigned int m_maxWorkers;
    std::vector<std::thread> m_workers;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::unique_ptr<Unit>> m_units;
    std::vector<bool> m_built;
    std::size_t m_next = 0;
    std::size_t m_limitAhead = 0;
    std::deque<std::function<void()>> m_tasks;
    std::size_t m_unfinishedTasks = 0;
    std::size_t m_taken = 0;
    bool m_stopping = false;
};

/// The units of batches built by a UnitBuilder, in order, each once its
/// batch is built. A batch holds its units in `units`.
template <typename Batch> class BatchedUnits : public UnitSource
{
public:
    explicit BatchedUnits(UnitBuilder<Batch>& builder) : m_builder(builder) {}

    BuiltUnit* nextUnit() override
    {
        while (m_batch < m_builder.size())
        {
            Batch& batch = m_builder.take(m_batch);
            if (m_unit < batch.units.size())
            {
                // Built on another processor: what taking the next units
                // reads is fetched while this one is taken.
                if (m_unit + 2 < batch.units.size())
                    __builtin_prefetch(&batch.units[m_unit + 2]);
                if (m_unit + 1 < batch.units.size())
                    batch.units[m_unit + 1].prefetch();
                return &batch.units[m_unit++];
            }
            ++m_batch;
            m_unit = 0;
        }
        return nullptr;
    }

private:
    UnitBuilder<Batch>& m_builder;
    std::size_t m_batch = 0;
    std::size_t m_unit = 0;
};

} // namespace db::files
