// Shortcuts in a Wayland session: through a GlobalShortcuts portal when the
// desktop offers one (a stand-in on the test's private bus), else left to the
// desktop's own shortcut settings.
#include "settings/Preferences.h"
#include "platform/wayland/WaylandPlatform.h"
#include "shortcuts/GlobalShortcuts.h"
#include "support/GlobalShortcutsPortalStandIn.h"
#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

namespace {

const ModifierSet altShift = ModifierSet::option() | ModifierSet::shift();

class PortalShortcutsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        QGuiApplication::setDesktopFileName(QStringLiteral("dev.zorvi.Zorvi"));
    }

    void start() {
        shortcuts = std::make_unique<GlobalShortcuts>(
            preferences, WaylandPlatform().shortcutService(), [this] { ++regions; }, [this] { ++fullScreens; });
    }

    TempDir dir;
    Preferences preferences{dir.file("Zorvi.conf"), dir.file("Kestad.conf")};
    int regions = 0;
    int fullScreens = 0;
    std::unique_ptr<GlobalShortcuts> shortcuts;
};

TEST_F(PortalShortcutsTest, PortalBindsOurTriggersActivationFiresAndChangesRebind) {
    GlobalShortcutsPortalStandIn portal;
    ASSERT_TRUE(portal.isServing());
    start();
    ASSERT_EQ(shortcuts->mechanism(), GlobalShortcuts::Mechanism::portal);

    ASSERT_TRUE(processEventsUntil([&] { return portal.boundShortcuts().size() == 2; }));
    auto bound = portal.boundShortcuts();
    EXPECT_EQ(bound["region"].preferredTrigger.toStdString(), "ALT+SHIFT+2");
    EXPECT_EQ(bound["region"].description.toStdString(), "Capture a region");
    EXPECT_EQ(bound["fullScreen"].preferredTrigger.toStdString(), "ALT+SHIFT+3");
    EXPECT_EQ(portal.registeredAppId().toStdString(), "dev.zorvi.Zorvi");
    EXPECT_TRUE(shortcuts->manager().conflicts().isEmpty());

    portal.activate("region");
    ASSERT_TRUE(processEventsUntil([&] { return regions == 1; }));
    portal.activate("fullScreen");
    ASSERT_TRUE(processEventsUntil([&] { return fullScreens == 1; }));

    // A new binding goes to a fresh session; the old one is closed and deaf.
    const QString oldSession = portal.boundSession();
    preferences.setRegionHotkey(HotkeyBinding{15, ModifierSet::control() | ModifierSet::command(), 1});
    ASSERT_TRUE(processEventsUntil([&] { return portal.boundSession() != oldSession; }));
    EXPECT_EQ(portal.boundShortcuts()["region"].preferredTrigger.toStdString(), "CTRL+LOGO+r");
    EXPECT_TRUE(portal.closedSessions().contains(oldSession));
    portal.activate("region", oldSession);
    portal.activate("region");
    ASSERT_TRUE(processEventsUntil([&] { return regions >= 2; }));
    portal.activate("fullScreen");
    ASSERT_TRUE(processEventsUntil([&] { return fullScreens == 2; }));
    EXPECT_EQ(regions, 2) << "the closed session's activation must not fire";

    // Double presses can't be read in a Wayland session: blocked, with the reason shown.
    preferences.setFullScreenHotkey(HotkeyBinding{20, altShift, 2});
    EXPECT_TRUE(shortcuts->manager().isKeyMonitorBlocked());
    ASSERT_TRUE(processEventsUntil([&] { return portal.boundShortcuts().size() == 1; }));
}

TEST_F(PortalShortcutsTest, WithoutThePortalShortcutsAreLeftToTheDesktopSettings) {
    start();
    EXPECT_EQ(shortcuts->mechanism(), GlobalShortcuts::Mechanism::desktopSettings);
    EXPECT_TRUE(shortcuts->manager().conflicts().isEmpty()) << "nothing is owned by another app";
    EXPECT_TRUE(GlobalShortcuts::desktopSettingsText.contains("zorvi --capture-region"));
}

} // namespace
