#include "FakeKeyEventSource.h"
#include "support/QtEventLoop.h"

#include "support/FakeClock.h"
#include "shortcuts/KeyEventMonitor.h"

#include <gtest/gtest.h>

namespace {

const ModifierSet altShift = ModifierSet::option() | ModifierSet::shift();
const ModifierSet super = ModifierSet::command();

class KeyEventMonitorTest : public ::testing::Test {
protected:
    void SetUp() override { ensureQtApplication(); }

    void configure(const HotkeyBinding& binding) {
        monitor.setTriggers({{binding, [this] { ++fired; }}});
        ASSERT_TRUE(monitor.start());
    }

    // A press and release of one modifier, held for `hold` seconds.
    void tap(ModifierSet modifier, double hold = 0.1) {
        monitor.flagsChanged(modifier);
        clock.advance(hold);
        monitor.flagsChanged({});
    }

    int firedAfterDelivery() {
        deliverPostedEvents();
        return fired;
    }

    FakeClock clock;
    FakeKeyEventSource source;
    KeyEventMonitor monitor{&source, clock};
    int fired = 0;
};

TEST_F(KeyEventMonitorTest, DoubleTapFiresOnceAndAThirdTapStartsOver) {
    configure({std::nullopt, super, 2});
    tap(super);
    clock.advance(0.2);
    EXPECT_EQ(firedAfterDelivery(), 0);
    tap(super);
    // Fired from the event loop, not inside the key event.
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(firedAfterDelivery(), 1);
    clock.advance(0.2);
    tap(super);
    EXPECT_EQ(firedAfterDelivery(), 1);
    clock.advance(0.2);
    tap(super);
    EXPECT_EQ(firedAfterDelivery(), 2);
}

TEST_F(KeyEventMonitorTest, TripleTapFiresOnTheThirdTapOnly) {
    configure({std::nullopt, super, 3});
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(firedAfterDelivery(), 0);
        tap(super);
        clock.advance(0.3);
    }
    EXPECT_EQ(firedAfterDelivery(), 1);
}

TEST_F(KeyEventMonitorTest, TapsTooFarApartDoNotCombine) {
    configure({std::nullopt, super, 2});
    tap(super);
    clock.advance(0.35); // 0.45 s from release to release
    tap(super);
    EXPECT_EQ(firedAfterDelivery(), 0);
    clock.advance(0.2);
    tap(super);
    EXPECT_EQ(firedAfterDelivery(), 1);
}

TEST_F(KeyEventMonitorTest, LongHoldIsNoTapAndEndsTheCount) {
    configure({std::nullopt, super, 2});
    tap(super);
    tap(super, 0.5);
    tap(super);
    EXPECT_EQ(firedAfterDelivery(), 0);
    tap(super, 0.29);
    EXPECT_EQ(firedAfterDelivery(), 1);
}

TEST_F(KeyEventMonitorTest, KeyDuringTheHoldCancelsTheTap) {
    configure({std::nullopt, super, 2});
    tap(super);
    monitor.flagsChanged(super);
    EXPECT_FALSE(monitor.keyDown(40, super)); // Super+K is not ours: passed on
    monitor.flagsChanged({});
    tap(super);
    EXPECT_EQ(firedAfterDelivery(), 0);
}

TEST_F(KeyEventMonitorTest, SecondModifierCancelsTheTap) {
    configure({std::nullopt, super, 2});
    tap(super);
    monitor.flagsChanged(super);
    monitor.flagsChanged(super | ModifierSet::shift());
    monitor.flagsChanged(super);
    monitor.flagsChanged({});
    EXPECT_EQ(firedAfterDelivery(), 0);
    // Pressed together in one event: no tap for either.
    tap(super | ModifierSet::shift());
    tap(super);
    EXPECT_EQ(firedAfterDelivery(), 0);
}

TEST_F(KeyEventMonitorTest, TapsOfAnotherModifierDoNotFire) {
    configure({std::nullopt, super, 2});
    tap(ModifierSet::control());
    tap(ModifierSet::control());
    EXPECT_EQ(firedAfterDelivery(), 0);
}

TEST_F(KeyEventMonitorTest, DoublePressSwallowsBothPressesAndFiresOnce) {
    configure({19, altShift, 2});
    EXPECT_TRUE(monitor.keyDown(19, altShift));
    clock.advance(0.2);
    EXPECT_EQ(firedAfterDelivery(), 0);
    EXPECT_TRUE(monitor.keyDown(19, altShift));
    EXPECT_EQ(firedAfterDelivery(), 1);
    EXPECT_FALSE(monitor.keyDown(19, ModifierSet::option())); // other modifiers: not ours
    EXPECT_FALSE(monitor.keyDown(20, altShift));
}

TEST_F(KeyEventMonitorTest, PressAfterHalfASecondStartsANewCount) {
    configure({19, altShift, 2});
    EXPECT_TRUE(monitor.keyDown(19, altShift));
    clock.advance(0.5);
    EXPECT_TRUE(monitor.keyDown(19, altShift));
    EXPECT_EQ(firedAfterDelivery(), 0);
    clock.advance(0.1);
    EXPECT_TRUE(monitor.keyDown(19, altShift));
    EXPECT_EQ(firedAfterDelivery(), 1);
}

TEST_F(KeyEventMonitorTest, TriplePressNeedsThreeQuickPresses) {
    configure({19, altShift, 3});
    monitor.keyDown(19, altShift);
    clock.advance(0.3);
    monitor.keyDown(19, altShift);
    clock.advance(0.3);
    EXPECT_EQ(firedAfterDelivery(), 0);
    monitor.keyDown(19, altShift);
    EXPECT_EQ(firedAfterDelivery(), 1);
}

TEST_F(KeyEventMonitorTest, NewTriggersForgetCountsInProgress) {
    configure({19, altShift, 2});
    monitor.keyDown(19, altShift);
    monitor.setTriggers({{{19, altShift, 2}, [this] { ++fired; }}});
    monitor.keyDown(19, altShift);
    EXPECT_EQ(firedAfterDelivery(), 0);
}

TEST_F(KeyEventMonitorTest, SourceIsToldWhichCombinationsToSwallow) {
    monitor.setTriggers({{{19, altShift, 2}, [] {}}, {{std::nullopt, super, 2}, [] {}}});
    ASSERT_EQ(source.swallowed.size(), 1);
    EXPECT_EQ(source.swallowed.first(), (HotkeyBinding{19, altShift, 2}));
}

TEST_F(KeyEventMonitorTest, StartFailsWithoutAKeyFeed) {
    KeyEventMonitor unavailable(nullptr, clock);
    EXPECT_FALSE(unavailable.start());
    source.available = false;
    EXPECT_FALSE(monitor.start());
    EXPECT_FALSE(monitor.isRunning());
    source.available = true;
    EXPECT_TRUE(monitor.start());
    EXPECT_TRUE(monitor.start());
    EXPECT_EQ(source.starts, 2); // already running: not started again
}

TEST_F(KeyEventMonitorTest, ActionPostedBeforeTheMonitorIsGoneNeverRuns) {
    auto owned = std::make_unique<KeyEventMonitor>(&source, clock);
    owned->setTriggers({{{19, altShift, 1}, [this] { ++fired; }}});
    ASSERT_TRUE(owned->start());
    owned->keyDown(19, altShift);
    owned.reset();
    EXPECT_EQ(firedAfterDelivery(), 0);
}

} // namespace
