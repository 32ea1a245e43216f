#pragma once

#include <foundations/ErrorReporter.h>

#include <algorithm>
#include <cstddef>
#include <vector>

/// How an add or remove interacts with a notification that is running.
enum class ObserverMode
{
    /// Takes effect at once: a removed observer gets no further call in the
    /// running notification, an added one is called in it.
    Immediate = 1,
    /// Waits until the running notification has finished.
    Deferred = 2,
};

/// The list of observers a subject notifies. Observers may add and remove
/// themselves and each other while a notification runs; the mode of each call
/// decides whether that touches the running notification. No pointer is owned.
template <class Observer>
class ObserverManager
{
public:
    /// An empty list that tells `reporter` (not owned, may be null) of bad removals.
    explicit ObserverManager(ErrorReporter* reporter = nullptr) : m_errorReporter(reporter) {}

    ObserverManager(const ObserverManager&) = delete;
    ObserverManager& operator=(const ObserverManager&) = delete;

    /// Registers an observer; true when it was appended, false when it was
    /// already there (a pending removal is cancelled and also answers true).
    bool add(Observer* observer, ObserverMode mode)
    {
        if (erase(m_pendingRemovals, observer))
            return true;
        if (isNotifying() && mode == ObserverMode::Deferred)
            return appendUnique(m_pendingAdditions, observer);
        return appendUnique(m_observers, observer);
    }

    /// Unregisters an observer; removing one that is not registered is
    /// reported to the error reporter and changes nothing.
    void remove(Observer* observer, ObserverMode mode)
    {
        if (erase(m_pendingAdditions, observer))
            return;
        const auto it = std::find(m_observers.begin(), m_observers.end(), observer);
        if (it == m_observers.end() || observer == nullptr)
        {
            if (m_errorReporter)
                m_errorReporter->report(1, L"Observer not found in ObserverManager::remove()");
            return;
        }
        if (!isNotifying())
            m_observers.erase(it);
        else if (mode == ObserverMode::Immediate)
        {
            *it = nullptr;
            erase(m_pendingRemovals, observer);
        }
        else
            appendUnique(m_pendingRemovals, observer);
    }

    /// Calls f(observer) on every registered observer in order of registration.
    /// The length is read anew at each step so that observers added in
    /// immediate mode during the notification are called too.
    template <class F>
    void notify(F&& f)
    {
        // Left by a return or by an exception an observer throws, the
        // notification ends alike: the list stays usable either way.
        struct Running
        {
            explicit Running(ObserverManager& manager) : manager(manager) { ++manager.m_depth; }
            ~Running()
            {
                // A notification started from inside another one must leave the
                // indices of the outer loop alone; the outermost one tidies up.
                if (--manager.m_depth == 0)
                    manager.applyPending();
            }
            ObserverManager& manager;
        } running(*this);
        for (std::size_t i = 0; i < m_observers.size(); ++i)
        {
            if (Observer* observer = m_observers[i])
                f(observer);
        }
    }

    /// Observers that will be registered once any running notification ends.
    std::size_t count() const
    {
        const auto live = static_cast<std::size_t>(
            std::count_if(m_observers.begin(), m_observers.end(), [](Observer* o) { return o != nullptr; }));
        return live - m_pendingRemovals.size() + m_pendingAdditions.size();
    }

    /// True when `observer` is registered, or will be once the running notification ends.
    bool contains(const Observer* observer) const
    {
        const bool listed = std::find(m_observers.begin(), m_observers.end(), observer) != m_observers.end();
        const bool leaving = std::find(m_pendingRemovals.begin(), m_pendingRemovals.end(), observer) != m_pendingRemovals.end();
        const bool arriving = std::find(m_pendingAdditions.begin(), m_pendingAdditions.end(), observer) != m_pendingAdditions.end();
        return (listed && !leaving) || arriving;
    }

    /// True while a notification runs.
    bool isNotifying() const { return m_depth > 0; }

    ///@{
    /// Told of the removal of an observer that is not registered; may be null.
    ErrorReporter* getErrorReporter() const { return m_errorReporter; }
    void setErrorReporter(ErrorReporter* reporter) { m_errorReporter = reporter; }
    ///@}

private:
    static bool appendUnique(std::vector<Observer*>& list, Observer* observer)
    {
        if (std::find(list.begin(), list.end(), observer) != list.end())
            return false;
        list.push_back(observer);
        return true;
    }

    static bool erase(std::vector<Observer*>& list, Observer* observer)
    {
        const auto it = std::find(list.begin(), list.end(), observer);
        if (it == list.end())
            return false;
        list.erase(it);
        return true;
    }

    void applyPending()
    {
        m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), nullptr), m_observers.end());
        for (Observer* observer : m_pendingRemovals)
            erase(m_observers, observer);
        m_pendingRemovals.clear();
        for (Observer* observer : m_pendingAdditions)
            appendUnique(m_observers, observer);
        m_pendingAdditions.clear();
    }

    std::vector<Observer*> m_observers;
    std::vector<Observer*> m_pendingAdditions;
    std::vector<Observer*> m_pendingRemovals;
    int m_depth = 0;
    ErrorReporter* m_errorReporter;
};
