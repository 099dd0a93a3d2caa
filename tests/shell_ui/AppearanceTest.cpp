#include "ShellFixture.h"

#include "support/SettingsPortalStandIn.h"

#include "platform/Platform.h"
#include "platform/ScreenCapturer.h"
#include "shell/OnboardingWindow.h"
#include "settings/Preferences.h"

#include <QComboBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>

#include <csignal>

#include <QImage>

namespace {

// The mean lightness (0-255) of what the X server shows where the window is.
int shownLightness(QWidget* window) {
    QImage shown;
    Platform::current().screenCapturer()->grabScreens(
        [&](std::vector<ScreenFrame> frames) {
            const QRect area(window->mapToGlobal(QPoint(0, 0)), window->size());
            shown = frames.front().image.copy(area).scaled(64, 64);
        },
        [](const CaptureError&) {});
    if (shown.isNull())
        return -1;
    qint64 sum = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            sum += QColor(shown.pixel(x, y)).lightness();
    return int(sum / (shown.width() * shown.height()));
}

// Black (0) is a window not painted yet.
bool showsDark(QWidget* window) {
    const int lightness = shownLightness(window);
    return lightness > 0 && lightness < 80;
}

bool showsLight(QWidget* window) { return shownLightness(window) > 180; }

TEST_F(ShellFixture, EveryWindowFollowsTheDesktopsColourScheme) {
    SettingsPortalStandIn portal(1);
    ASSERT_TRUE(portal.isServing());
    ASSERT_TRUE(launch());
    auto* guide = windowNamed<OnboardingWindow>("onboardingWindow");
    ASSERT_NE(guide, nullptr);

    // Not only the board: the guide, like every window, is dark on screen.
    EXPECT_TRUE(processEventsUntil([&] { return showsDark(guide); })) << shownLightness(guide);
    shell->showSettings();
    QWidget* settings = windowNamed("settingsWindow");
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(processEventsUntil([&] { return showsDark(settings); })) << shownLightness(settings);

    // Switching the desktop to light while the app runs turns the open windows light.
    portal.setColorScheme(2);
    EXPECT_TRUE(processEventsUntil([&] { return showsLight(settings); })) << shownLightness(settings);
    EXPECT_TRUE(processEventsUntil([&] { return showsLight(guide); })) << shownLightness(guide);

    // "No preference" after dark falls back to the desktop's own palette (light
    // here), not to the dark one the app had put in its place.
    portal.setColorScheme(1);
    EXPECT_TRUE(processEventsUntil([&] { return showsDark(settings); })) << shownLightness(settings);
    portal.setColorScheme(0);
    EXPECT_TRUE(processEventsUntil([&] { return showsLight(settings); })) << shownLightness(settings);
}

// The person's own choice wins over the desktop's at once; "Same as the
// desktop" follows it live again.
TEST_F(ShellFixture, TheAppearanceSettingOverridesTheDesktopAtOnce) {
    SettingsPortalStandIn portal(2);
    ASSERT_TRUE(portal.isServing());
    completeOnboardingBefore();
    ASSERT_TRUE(launch());
    shell->showSettings();
    QWidget* settings = windowNamed("settingsWindow");
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(processEventsUntil([&] { return showsLight(settings); })) << shownLightness(settings);

    auto* appearance = settings->findChild<QComboBox*>("appearance");
    ASSERT_NE(appearance, nullptr);
    settings->activateWindow();
    ASSERT_TRUE(processEventsUntil([&] { return settings->isActiveWindow(); }));
    appearance->setFocus();
    DesktopDriver::key("Down");
    DesktopDriver::key("Down");
    ASSERT_TRUE(processEventsUntil([&] { return appearance->currentText() == "Dark"; }));
    EXPECT_TRUE(processEventsUntil([&] { return showsDark(settings); })) << shownLightness(settings);
    EXPECT_EQ(Preferences::shared().appearance(), Appearance::dark);
    portal.setColorScheme(2);
    processEventsUntil([&] { return showsLight(settings); }, 500);
    EXPECT_TRUE(showsDark(settings)) << "the desktop's light doesn't undo the choice";

    DesktopDriver::key("Up");
    DesktopDriver::key("Up");
    ASSERT_TRUE(processEventsUntil([&] { return appearance->currentIndex() == 0; }));
    EXPECT_TRUE(processEventsUntil([&] { return showsLight(settings); })) << shownLightness(settings);
    portal.setColorScheme(1);
    EXPECT_TRUE(processEventsUntil([&] { return showsDark(settings); })) << "following the desktop live again";
}

// The desktop's portal is a process of its own: switching the desktop to dark
// while the board is open turns it dark at once.
TEST_F(ShellFixture, TheOpenBoardFollowsTheDesktopPortalLive) {
    QProcess portal;
    portal.start("/usr/bin/python3", {ZORVI_SOURCE_DIR "/tests/support/settings-portal.py", "2"});
    ASSERT_TRUE(portal.waitForStarted());
    ASSERT_TRUE(processEventsUntil([] {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered("org.freedesktop.portal.Desktop").value();
    }));
    completeOnboardingBefore();
    ASSERT_TRUE(launch());
    QWidget* board = windowNamed("dashboard");
    ASSERT_NE(board, nullptr);
    EXPECT_TRUE(processEventsUntil([&] { return showsLight(board); })) << shownLightness(board);

    ::kill(pid_t(portal.processId()), SIGUSR1);
    EXPECT_TRUE(processEventsUntil([&] { return showsDark(board); })) << shownLightness(board);
    portal.terminate();
    portal.waitForFinished();
}

} // namespace
