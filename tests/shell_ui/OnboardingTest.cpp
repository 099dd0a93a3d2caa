#include "ShellFixture.h"

#include "shell/OnboardingWindow.h"
#include "settings/Preferences.h"

#include <QLabel>
#include <QPushButton>

namespace {

TEST_F(ShellFixture, FirstLaunchWalksTheGuideOnceAndThenOpensTheBoard) {
    ASSERT_TRUE(launch());
    auto* guide = windowNamed<OnboardingWindow>("onboardingWindow");
    ASSERT_NE(guide, nullptr) << "a first launch greets with the guide";
    EXPECT_EQ(guide->windowTitle(), "Welcome to Zorvi");
    auto* back = guide->findChild<QPushButton*>("back");
    auto* skip = guide->findChild<QPushButton*>("skip");
    auto* next = guide->findChild<QPushButton*>("next");

    EXPECT_FALSE(back->isVisible()) << "no Back on the first step";
    EXPECT_EQ(next->text(), "Continue");
    click(next);
    ASSERT_TRUE(processEventsUntil([&] { return guide->step() == OnboardingWindow::permission; }));
    // An X11 session needs no grant: the step says so and the button is a plain Continue.
    EXPECT_TRUE(guide->findChild<QLabel*>("screenCaptureState")->text().contains("Granted"));
    EXPECT_EQ(next->text(), "Continue");
    EXPECT_TRUE(back->isVisible());

    click(back);
    ASSERT_TRUE(processEventsUntil([&] { return guide->step() == OnboardingWindow::welcome; }));
    click(next);
    click(next);
    ASSERT_TRUE(processEventsUntil([&] { return guide->step() == OnboardingWindow::shortcuts; }));
    click(next);
    ASSERT_TRUE(processEventsUntil([&] { return guide->step() == OnboardingWindow::agent; }));
    EXPECT_TRUE(skip->isVisible()) << "connecting an agent can be skipped";
    click(skip);
    ASSERT_TRUE(processEventsUntil([&] { return guide->step() == OnboardingWindow::ready; }));
    EXPECT_FALSE(skip->isVisible());
    EXPECT_EQ(next->text(), "Start using Zorvi");
    EXPECT_FALSE(Preferences::shared().hasCompletedOnboarding());

    click(next);
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Welcome to Zorvi"));
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi")) << "finishing opens the board";
    EXPECT_TRUE(QSettings(Preferences::settingsPath(), QSettings::IniFormat).value("onboarding.completed").toBool());

    // The next start goes straight to the board; the guide is still reachable.
    shell.reset();
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi"));
    ASSERT_TRUE(launch());
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi"));
    EXPECT_TRUE(DesktopDriver::visibleWindows("Welcome to Zorvi").isEmpty());
    shell->actions().showOnboarding->trigger();
    EXPECT_TRUE(DesktopDriver::waitForWindows("Welcome to Zorvi"));
}

} // namespace
