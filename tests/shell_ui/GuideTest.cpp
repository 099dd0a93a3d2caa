#include "ShellFixture.h"

#include "capture/ComposePanel.h"
#include "shell/OnboardingWindow.h"
#include "settings/Preferences.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QPushButton>

namespace {

// Keyboard alone through the first page, then "Try a capture now": the
// capture is filed, the guide comes back, and onboarding counts as done.
TEST_F(ShellFixture, TheGuideAnswersEnterAndComesBackFinishedAfterATriedCapture) {
    ASSERT_TRUE(launch());
    auto* guide = windowNamed<OnboardingWindow>("onboardingWindow");
    ASSERT_NE(guide, nullptr);
    ASSERT_TRUE(processEventsUntil([&] { return guide->isActiveWindow(); }));
    auto* next = guide->findChild<QPushButton*>("next");
    EXPECT_TRUE(next->hasFocus()) << "the keyboard starts on Continue";
    DesktopDriver::key("Return");
    ASSERT_TRUE(processEventsUntil([&] { return guide->step() == OnboardingWindow::permission; }))
        << "Enter continues from the first page";

    guide->setStep(OnboardingWindow::ready);
    click(guide->findChild<QPushButton*>("tryCapture"));
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    DesktopDriver::drag({200, 200}, {500, 400});
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi note"));
    auto* box = windowNamed<ComposePanel>("composePanel");
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(processEventsUntil([&] { return box->isActiveWindow(); }));
    DesktopDriver::type("Tried it");
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(processEventsUntil(
        [&] { return CaptureStore(ZorviPaths::databaseFile()).captures(CaptureQuery()).size() == 1; }));

    ASSERT_TRUE(processEventsUntil([&] { return guide->isVisible() && !guide->isMinimized(); }))
        << "the guide comes back after the capture";
    EXPECT_TRUE(Preferences::shared().hasCompletedOnboarding()) << "and onboarding is done";
}

} // namespace
