#include "FakeKeyEventSource.h"
#include "support/QtEventLoop.h"

#include "support/FakeClock.h"
#include "shortcuts/KeyEventMonitor.h"
#include "shortcuts/HotkeyManager.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

const ModifierSet altShift = ModifierSet::option() | ModifierSet::shift();
using Action = HotkeyManager::Action;

// Stands in for the system-wide grab service; the X11 one needs a second
// client to own a key, which a registrar test can't arrange reliably.
class FakeRegistrar : public HotkeyRegistrar {
public:
    struct Live : Registration {
        Live(FakeRegistrar& owner, QString key) : owner(owner), key(std::move(key)) { owner.live.insert(this->key); }
        ~Live() override { owner.live.remove(key); }
        FakeRegistrar& owner;
        QString key;
    };

    std::unique_ptr<Registration> registerHotkey(const QString&, const QString&, uint16_t keyCode, ModifierSet modifiers,
                                                 std::function<void()> handler) override {
        ++attempts;
        const QString key = QStringLiteral("%1-%2").arg(keyCode).arg(modifiers.rawValue());
        if (ownedElsewhere.contains(key) || live.contains(key))
            return nullptr;
        handlers[key] = std::move(handler);
        return std::make_unique<Live>(*this, key);
    }

    void press(const QString& key) {
        if (live.contains(key))
            handlers[key]();
    }

    QSet<QString> ownedElsewhere;
    QSet<QString> live;
    QHash<QString, std::function<void()>> handlers;
    int attempts = 0;
};

class HotkeyManagerTest : public ::testing::Test {
protected:
    void SetUp() override { ensureQtApplication(); }

    void registerBoth(const HotkeyBinding& region, const HotkeyBinding& fullScreen) {
        manager.registerBinding(region, Action::region, [this] { ++regionFired; });
        manager.registerBinding(fullScreen, Action::fullScreen, [this] { ++fullScreenFired; });
    }

    FakeClock clock;
    FakeRegistrar registrar;
    FakeKeyEventSource source;
    KeyEventMonitor monitor{&source, clock};
    HotkeyManager manager{registrar, monitor};
    int regionFired = 0;
    int fullScreenFired = 0;
};

TEST_F(HotkeyManagerTest, PlainCombinationsBecomeRegistrationsAndLeaveTheMonitorStopped) {
    source.available = false; // not even asked
    registerBoth({19, altShift, 1}, {20, altShift, 1});
    EXPECT_EQ(registrar.live, (QSet<QString>{"19-10", "20-10"}));
    EXPECT_FALSE(monitor.isRunning());
    EXPECT_FALSE(manager.isKeyMonitorBlocked());
    EXPECT_EQ(source.starts, 0);
    registrar.press("20-10");
    EXPECT_EQ(fullScreenFired, 1);
    EXPECT_EQ(regionFired, 0);
}

TEST_F(HotkeyManagerTest, ReapplyingReleasesTheOldRegistrations) {
    registerBoth({19, altShift, 1}, {20, altShift, 1});
    manager.registerBinding({21, altShift, 1}, Action::region, [] {});
    EXPECT_EQ(registrar.live, (QSet<QString>{"21-10", "20-10"}));
    EXPECT_TRUE(manager.conflicts().isEmpty());
}

TEST_F(HotkeyManagerTest, OwnedCombinationIsAConflictEveryTimeAndTheOtherStillWorks) {
    registrar.ownedElsewhere.insert("19-10");
    int conflictSignals = 0;
    QObject::connect(&manager, &HotkeyManager::conflictsChanged, [&] { ++conflictSignals; });
    registerBoth({19, altShift, 1}, {20, altShift, 1});
    EXPECT_EQ(manager.conflicts(), QSet<Action>{Action::region});
    const int attempts = registrar.attempts;
    manager.apply();
    EXPECT_EQ(manager.conflicts(), QSet<Action>{Action::region});
    EXPECT_EQ(registrar.attempts, attempts + 2); // tried again, not remembered
    EXPECT_EQ(conflictSignals, 1);
    registrar.press("20-10");
    EXPECT_EQ(fullScreenFired, 1);

    registrar.ownedElsewhere.clear();
    manager.apply();
    EXPECT_TRUE(manager.conflicts().isEmpty());
    EXPECT_EQ(conflictSignals, 2);
}

TEST_F(HotkeyManagerTest, TriggersGoToTheMonitor) {
    registerBoth({19, altShift, 2}, {std::nullopt, ModifierSet::command(), 2});
    EXPECT_TRUE(registrar.live.isEmpty());
    EXPECT_TRUE(monitor.isRunning());
    EXPECT_FALSE(manager.isKeyMonitorBlocked());
    source.sink->keyDown(19, altShift);
    source.sink->keyDown(19, altShift);
    deliverPostedEvents();
    EXPECT_EQ(regionFired, 1);
}

TEST_F(HotkeyManagerTest, UnusableBindingsAndMissingHandlersAreSkipped) {
    manager.registerBinding({std::nullopt, altShift, 2}, Action::region, [this] { ++regionFired; });
    manager.registerBinding({20, altShift, 1}, Action::fullScreen, nullptr);
    EXPECT_TRUE(registrar.live.isEmpty());
    EXPECT_FALSE(monitor.isRunning());
    EXPECT_EQ(source.starts, 0);
}

TEST_F(HotkeyManagerTest, BlockedMonitorKeepsPlainCombinationsAndUnblocksWhenTriggersGo) {
    source.available = false;
    QList<bool> blockedSignals;
    QObject::connect(&manager, &HotkeyManager::keyMonitorBlockedChanged,
                     [&](bool blocked) { blockedSignals << blocked; });
    registerBoth({std::nullopt, ModifierSet::command(), 2}, {20, altShift, 1});
    EXPECT_TRUE(manager.isKeyMonitorBlocked());
    EXPECT_EQ(registrar.live, QSet<QString>{"20-10"}); // the plain one works meanwhile
    EXPECT_EQ(clock.pendingTimers(), 0);               // a session's key feed never appears later

    manager.registerBinding({19, altShift, 1}, Action::region, [] {});
    EXPECT_FALSE(manager.isKeyMonitorBlocked());
    EXPECT_EQ(blockedSignals, (QList<bool>{true, false}));
}

TEST_F(HotkeyManagerTest, HandlerDoesNothingOnceTheManagerIsGone) {
    auto owned = std::make_unique<HotkeyManager>(registrar, monitor);
    owned->registerBinding({19, altShift, 2}, Action::region, [this] { ++regionFired; });
    source.sink->keyDown(19, altShift);
    source.sink->keyDown(19, altShift);
    owned.reset();
    deliverPostedEvents();
    EXPECT_EQ(regionFired, 0);
}

} // namespace
