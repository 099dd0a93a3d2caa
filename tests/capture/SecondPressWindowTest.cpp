// The full-screen shortcut's window for a second press, on a clock the test
// moves: a press just inside it, exactly at its end and just after it.
#include "capture/SecondPressWindow.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

namespace {

constexpr double tick = 0.001;

class SecondPressWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.open([this] { ++passed; });
    }

    FakeClock clock;
    SecondPressWindow window{clock};
    int passed = 0;
};

TEST_F(SecondPressWindowTest, APressJustInsideTheWindowIsItsSecondPress) {
    clock.advance(SecondPressWindow::length - tick);
    EXPECT_TRUE(window.press());
    EXPECT_EQ(passed, 0) << "the window runs its full length, second press or not";
    clock.advance(tick);
    EXPECT_EQ(passed, 1);
    EXPECT_TRUE(window.takeSecondPress());
    EXPECT_FALSE(window.takeSecondPress()) << "one second press is one note";
}

TEST_F(SecondPressWindowTest, APressExactlyAtTheEndOrAfterItIsAPressOfItsOwn) {
    clock.advance(SecondPressWindow::length);
    EXPECT_EQ(passed, 1);
    EXPECT_FALSE(window.press());
    clock.advance(tick);
    EXPECT_FALSE(window.press());
    EXPECT_FALSE(window.takeSecondPress());
    EXPECT_EQ(passed, 1);
}

TEST_F(SecondPressWindowTest, ALateTimerDoesNotStretchTheWindow) {
    clock.advanceHeldUp(SecondPressWindow::length - tick);
    EXPECT_TRUE(window.isOpen());
    clock.advanceHeldUp(tick);
    EXPECT_FALSE(window.press()) << "the press came at the end, though the timer has not run yet";
    clock.advance(0);
    EXPECT_EQ(passed, 1);
    EXPECT_FALSE(window.takeSecondPress());
}

TEST_F(SecondPressWindowTest, AFirstPressAfterTheWindowOpensAFreshOne) {
    EXPECT_TRUE(window.press());
    clock.advance(SecondPressWindow::length);
    window.open([this] { ++passed; });
    EXPECT_FALSE(window.takeSecondPress()) << "the earlier second press belongs to the earlier capture";
    clock.advance(SecondPressWindow::length - tick);
    EXPECT_TRUE(window.press());
    clock.advance(tick);
    EXPECT_EQ(passed, 2);
    EXPECT_TRUE(window.takeSecondPress());
}

} // namespace
