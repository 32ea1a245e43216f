#pragma once

#include <foundations/ErrorReporter.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
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
/// Adding, removing and asking after one observer take constant time, so that
/// views which register thousands of observers can also let go of them.
template <class Observer> class ObserverManager
{
public:
    /// An empty list that tells `reporter` (not owned, may be null) of bad removals.
    explicit ObserverManager(ErrorReporter* reporter = nullptr) : m_errorReporter(reporter) {}

    ObserverManager(const ObserverManager&) = delete;
    ObserverManager& operator=(const ObserverManager&) = delete;

    /// Registers an observer; true when it was appended, false when it was
    /// already there or is null (a pending removal is cancelled and also answers true).
    bool add(Observer* observer, ObserverMode mode)
    {
        if (observer == nullptr)
            return false;
        if (m_pendingRemovals.erase(observer) != 0)
            return true;
        if (isNotifying() && mode == ObserverMode::Deferred)
            return m_pendingAdditions.append(observer);
        return m_observers.append(observer);
    }

    /// Unregisters an observer; removing one that is not registered is
    /// reported to the error reporter and changes nothing.
    void remove(Observer* observer, ObserverMode mode)
    {
        if (m_pendingAdditions.erase(observer))
            return;
        if (observer == nullptr || !m_observers.contains(observer))
        {
            if (m_errorReporter)
                m_errorReporter->report(1, L"Observer not found in ObserverManager::remove()");
            return;
        }
        if (!isNotifying())
        {
            m_observers.erase(observer);
            m_observers.compactIfSparse();
        }
        else if (mode == ObserverMode::Immediate)
        {
            m_observers.erase(observer);
            m_pendingRemovals.erase(observer);
        }
        else
            m_pendingRemovals.insert(observer);
    }

    /// Calls f(observer) on every registered observer in order of registration.
    /// The length is read anew at each step so that observers added in
    /// immediate mode during the notification are called too.
    template <class F> void notify(F&& f)
    {
        Running running(*this);
        for (std::size_t i = 0; i < m_observers.slotCount(); ++i)
        {
            if (Observer* observer = m_observers.slot(i))
                f(observer);
        }
    }

    /// Calls f(observer) on those of `observers` that are registered, once each,
    /// in order of registration: a notification that only these take part in,
    /// with the same rules for observers that come and go while it runs.
    template <class F> void notifyAmong(const std::vector<Observer*>& observers, F&& f)
    {
        std::vector<std::size_t> places;
        places.reserve(observers.size());
        for (Observer* observer : observers)
            m_observers.placeOf(observer, places);
        std::sort(places.begin(), places.end());
        places.erase(std::unique(places.begin(), places.end()), places.end());
        Running running(*this);
        // Slots keep their places while a notification runs; one emptied
        // meanwhile belongs to an observer removed in immediate mode.
        for (std::size_t place : places)
        {
            if (Observer* observer = m_observers.slot(place))
                f(observer);
        }
    }

    /// Observers that will be registered once any running notification ends.
    std::size_t count() const { return m_observers.size() - m_pendingRemovals.size() + m_pendingAdditions.size(); }

    /// True when `observer` is registered, or will be once the running notification ends.
    bool contains(const Observer* observer) const
    {
        const bool leaving = m_pendingRemovals.count(observer) != 0;
        return (m_observers.contains(observer) && !leaving) || m_pendingAdditions.contains(observer);
    }

    /// True while a notification runs.
    bool isNotifying() const { return m_depth > 0; }

    /// How many notifications have started, nested ones not counted: lets a
    /// list kept beside this one tell the running notification from earlier ones.
    std::uint64_t notificationCount() const { return m_notifications; }

    ///@{
    /// Told of the removal of an observer that is not registered; may be null.
    ErrorReporter* getErrorReporter() const { return m_errorReporter; }
    void setErrorReporter(ErrorReporter* reporter) { m_errorReporter = reporter; }
    ///@}

private:
    /// Observers in order, each at most once, with constant-time look-up. A
    /// removed one leaves an empty slot, so that places stay put while a
    /// notification walks them; slots are closed up once they outnumber the
    /// observers, which keeps removal constant time on average.
    class OrderedSet
    {
    public:
        bool append(Observer* observer)
        {
            if (!m_places.emplace(observer, m_slots.size()).second)
                return false;
            m_slots.push_back(observer);
            return true;
        }

        bool erase(const Observer* observer)
        {
            const auto it = m_places.find(observer);
            if (it == m_places.end())
                return false;
            m_slots[it->second] = nullptr;
            m_places.erase(it);
            return true;
        }

        bool contains(const Observer* observer) const { return m_places.count(observer) != 0; }
        std::size_t size() const { return m_places.size(); }
        std::size_t slotCount() const { return m_slots.size(); }
        Observer* slot(std::size_t place) const { return m_slots[place]; }

        void placeOf(const Observer* observer, std::vector<std::size_t>& places) const
        {
            const auto it = m_places.find(observer);
            if (it != m_places.end())
                places.push_back(it->second);
        }

        void compactIfSparse()
        {
            if (m_slots.size() - m_places.size() > std::max<std::size_t>(m_places.size(), 8))
                compact();
        }

        void compact()
        {
            m_slots.erase(std::remove(m_slots.begin(), m_slots.end(), nullptr), m_slots.end());
            for (std::size_t i = 0; i < m_slots.size(); ++i)
                m_places[m_slots[i]] = i;
        }

        /// Takes the observers out in order, leaving the set empty.
        std::vector<Observer*> take()
        {
            compact();
            std::vector<Observer*> observers;
            observers.swap(m_slots);
            m_places.clear();
            return observers;
        }

    private:
        std::vector<Observer*> m_slots;
        std::unordered_map<const Observer*, std::size_t> m_places;
    };

    // Left by a return or by an exception an observer throws, a notification
    // ends alike: the list stays usable either way.
    struct Running
    {
        explicit Running(ObserverManager& manager) : manager(manager)
        {
            if (manager.m_depth++ == 0)
                ++manager.m_notifications;
        }
        ~Running()
        {
            // A notification started from inside another one must leave the
            // places of the outer loop alone; the outermost one tidies up.
            if (--manager.m_depth == 0)
                manager.applyPending();
        }
        ObserverManager& manager;
    };

    void applyPending()
    {
        for (const Observer* observer : m_pendingRemovals)
            m_observers.erase(observer);
        m_pendingRemovals.clear();
        for (Observer* observer : m_pendingAdditions.take())
            m_observers.append(observer);
        m_observers.compactIfSparse();
    }

    OrderedSet m_observers;
    OrderedSet m_pendingAdditions;
    std::unordered_set<const Observer*> m_pendingRemovals;
    int m_depth = 0;
    std::uint64_t m_notifications = 0;
    ErrorReporter* m_errorReporter;
};
