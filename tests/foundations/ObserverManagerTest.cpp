#include <foundations/ObserverManager.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

struct RecordingReporter : ErrorReporter
{
    void report(int severity, const std::wstring& message) override
    {
        severities.push_back(severity);
        messages.push_back(message);
    }
    std::vector<int> severities;
    std::vector<std::wstring> messages;
};

// An observer that records each call and may run an action while notified.
struct Probe
{
    explicit Probe(std::vector<std::string>& log, std::string name) : log(log), name(std::move(name)) {}
    void onNotify()
    {
        log.push_back(name);
        if (action)
            action();
    }
    std::vector<std::string>& log;
    std::string name;
    std::function<void()> action;
};

struct ObserverManagerTest : ::testing::Test
{
    void notifyAll()
    {
        manager.notify([](Probe* p) { p->onNotify(); });
    }
    void addAll(std::initializer_list<Probe*> probes)
    {
        for (Probe* p : probes)
            manager.add(p, ObserverMode::Deferred);
    }
    std::vector<std::string> log;
    RecordingReporter reporter;
    ObserverManager<Probe> manager{&reporter};
    Probe a{log, "a"}, b{log, "b"}, c{log, "c"};
};

TEST_F(ObserverManagerTest, ObserversAreCalledInRegistrationOrderAndAddedOnce)
{
    EXPECT_TRUE(manager.add(&b, ObserverMode::Deferred));
    EXPECT_TRUE(manager.add(&a, ObserverMode::Immediate));
    EXPECT_FALSE(manager.add(&b, ObserverMode::Immediate));
    EXPECT_EQ(manager.count(), 2u);
    notifyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"b", "a"}));
}

TEST_F(ObserverManagerTest, RemovingAnUnknownObserverReportsOnceAndChangesNothing)
{
    manager.add(&a, ObserverMode::Deferred);
    manager.remove(&b, ObserverMode::Immediate);
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0], L"Observer not found in ObserverManager::remove()");
    EXPECT_EQ(reporter.severities[0], 1);
    notifyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
}

TEST_F(ObserverManagerTest, ImmediateRemovalDuringNotificationSkipsTheRemovedObserver)
{
    addAll({&a, &b, &c});
    a.action = [&] { manager.remove(&b, ObserverMode::Immediate); };
    notifyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(manager.count(), 2u);
}

TEST_F(ObserverManagerTest, DeferredRemovalDuringNotificationStillCallsItOnce)
{
    addAll({&a, &b});
    a.action = [&] { manager.remove(&b, ObserverMode::Deferred); };
    notifyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
    a.action = nullptr;
    log.clear();
    notifyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
}

TEST_F(ObserverManagerTest, DeferredAdditionWaitsForTheNextNotification)
{
    manager.add(&a, ObserverMode::Deferred);
    a.action = [&] { manager.add(&b, ObserverMode::Deferred); };
    notifyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
    log.clear();
    notifyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
}

TEST_F(ObserverManagerTest, ImmediateAdditionJoinsTheRunningNotification)
{
    manager.add(&a, ObserverMode::Deferred);
    a.action = [&] { manager.add(&b, ObserverMode::Immediate); };
    notifyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
}

TEST_F(ObserverManagerTest, ReAddingAPendingRemovalKeepsItsPlace)
{
    addAll({&a, &b, &c});
    a.action = [&]
    {
        manager.remove(&b, ObserverMode::Deferred);
        EXPECT_TRUE(manager.add(&b, ObserverMode::Deferred));
    };
    notifyAll();
    a.action = nullptr;
    log.clear();
    notifyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(ObserverManagerTest, RemovingAPendingAdditionCancelsItSilently)
{
    manager.add(&a, ObserverMode::Deferred);
    a.action = [&]
    {
        manager.add(&b, ObserverMode::Deferred);
        manager.remove(&b, ObserverMode::Immediate);
    };
    notifyAll();
    a.action = nullptr;
    log.clear();
    notifyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(ObserverManagerTest, ObserverRemovingItselfAndOthersLeavesACleanList)
{
    addAll({&a, &b, &c});
    b.action = [&]
    {
        manager.remove(&b, ObserverMode::Immediate);
        manager.remove(&a, ObserverMode::Immediate);
    };
    notifyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(manager.count(), 1u);
    EXPECT_TRUE(manager.contains(&c));
    EXPECT_FALSE(manager.contains(&a));
}

TEST_F(ObserverManagerTest, NestedNotificationDoesNotDisturbTheOuterOne)
{
    addAll({&a, &b, &c});
    bool nested = false;
    a.action = [&]
    {
        if (nested)
            return;
        nested = true;
        manager.remove(&b, ObserverMode::Immediate);
        notifyAll();
    };
    notifyAll();
    // Outer: a (inner: a, c), then c. b was removed before either reached it.
    EXPECT_EQ(log, (std::vector<std::string>{"a", "a", "c", "c"}));
    EXPECT_EQ(manager.count(), 2u);
}

TEST_F(ObserverManagerTest, ObserverThatThrowsLeavesTheListAsAfterANormalNotification)
{
    addAll({&a, &b});
    // The throw leaves from inside a nested notification.
    a.action = [&]
    {
        a.action = nullptr;
        notifyAll();
    };
    b.action = [&]
    {
        manager.remove(&a, ObserverMode::Immediate);
        manager.add(&c, ObserverMode::Deferred);
        throw std::runtime_error("observer failed");
    };
    EXPECT_THROW(notifyAll(), std::runtime_error);
    EXPECT_FALSE(manager.isNotifying());
    EXPECT_FALSE(manager.contains(&a));
    EXPECT_TRUE(manager.contains(&c));
    EXPECT_EQ(manager.count(), 2u);

    log.clear();
    b.action = nullptr;
    manager.add(&a, ObserverMode::Deferred);
    notifyAll();
    EXPECT_EQ(log, (std::vector<std::string>{"b", "c", "a"})) << "no addition is stuck as pending";
    EXPECT_TRUE(reporter.messages.empty());
}

} // namespace
