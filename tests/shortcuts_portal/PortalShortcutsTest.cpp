// Shortcuts in a Wayland session: through a GlobalShortcuts portal when the
// desktop offers one (a stand-in on the test's private bus), else left to the
// desktop's own shortcut settings. The Shortcuts page shows what the desktop
// made of them.
#include "platform/wayland/WaylandPlatform.h"
#include "settings/Preferences.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/HotkeyRecorderView.h"
#include "shortcuts/ShortcutSettingsPanel.h"
#include "support/GlobalShortcutsPortalStandIn.h"
#include "support/OffscreenGui.h"
#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

const ModifierSet altShift = ModifierSet::option() | ModifierSet::shift();
constexpr uint16_t keyR = 15;

class PortalShortcutsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureWidgetApplication();
        QGuiApplication::setDesktopFileName(QStringLiteral("dev.zorvi.Zorvi"));
    }

    void start() {
        shortcuts = std::make_unique<GlobalShortcuts>(
            preferences, WaylandPlatform().shortcutService(), [this] { ++regions; }, [this] { ++fullScreens; });
    }

    static QLabel* conflictOf(HotkeyRecorderView& recorder) {
        return recorder.findChild<QLabel*>(QStringLiteral("recorderConflict"));
    }

    TempDir dir;
    Preferences preferences{dir.file("Zorvi.conf"), dir.file("Kestad.conf")};
    int regions = 0;
    int fullScreens = 0;
    std::unique_ptr<GlobalShortcuts> shortcuts;
};

TEST_F(PortalShortcutsTest, OneSessionBindsOurTriggersOnceAndAgainOnlyWhenTheyChange) {
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
    EXPECT_EQ(portal.sessionsCreated(), 1);
    EXPECT_EQ(portal.bindCalls(), 1);
    EXPECT_TRUE(shortcuts->manager().conflicts().isEmpty());

    portal.activate("region");
    ASSERT_TRUE(processEventsUntil([&] { return regions == 1; }));
    portal.activate("fullScreen");
    ASSERT_TRUE(processEventsUntil([&] { return fullScreens == 1; }));

    // Opening the recorder lets go of the shortcuts so it can hear them;
    // closing it must not bind them again, nor may the page's re-registration
    // of unchanged shortcuts: a desktop may ask the user on every bind.
    ShortcutSettingsPanel page(*shortcuts, preferences);
    for (int i = 0; i < 3; ++i) {
        page.regionRecorder().toggleRecording();
        ASSERT_TRUE(shortcuts->manager().isSuspended());
        deliverPostedEvents();
        page.regionRecorder().toggleRecording();
        ASSERT_FALSE(shortcuts->manager().isSuspended());
        deliverPostedEvents();
    }
    shortcuts->registerAll();

    // A new binding is bound again, on the same session.
    const QString session = portal.boundSession();
    preferences.setRegionHotkey(HotkeyBinding{keyR, ModifierSet::control() | ModifierSet::command(), 1});
    ASSERT_TRUE(processEventsUntil(
        [&] { return portal.boundShortcuts()["region"].preferredTrigger == QStringLiteral("CTRL+LOGO+r"); }));
    EXPECT_EQ(portal.bindCalls(), 2) << "the recorder or an unchanged set bound the shortcuts again";
    EXPECT_EQ(portal.sessionsCreated(), 1);
    EXPECT_EQ(portal.boundSession(), session);
    EXPECT_TRUE(portal.closedSessions().isEmpty());
    portal.activate("region");
    ASSERT_TRUE(processEventsUntil([&] { return regions == 2; }));

    // Double presses can't be read in a Wayland session: blocked, with the reason shown.
    preferences.setFullScreenHotkey(HotkeyBinding{20, altShift, 2});
    EXPECT_TRUE(shortcuts->manager().isKeyMonitorBlocked());
    ASSERT_TRUE(processEventsUntil([&] { return portal.boundShortcuts().size() == 1; }));
}

// What the desktop refuses shows under the shortcut or on the page: a
// combination it gave to something else is a conflict, a "no" in its dialog
// is said as such, and a failure is worded as an error, not as a refusal.
TEST_F(PortalShortcutsTest, TakenTriggersAndFailedBindsShowOnTheShortcutsPage) {
    GlobalShortcutsPortalStandIn portal;
    ASSERT_TRUE(portal.isServing());
    portal.setTakenTriggers({"ALT+SHIFT+3"});
    start();
    ShortcutSettingsPanel page(*shortcuts, preferences);
    QLabel* regionConflict = conflictOf(page.regionRecorder());
    QLabel* fullScreenConflict = conflictOf(page.fullScreenRecorder());
    auto* notice = page.findChild<QLabel*>(QStringLiteral("shortcutNotice"));
    ASSERT_TRUE(regionConflict && fullScreenConflict && notice);

    ASSERT_TRUE(processEventsUntil([&] { return fullScreenConflict->isVisibleTo(&page); }));
    EXPECT_EQ(shortcuts->manager().conflicts(), QSet<HotkeyManager::Action>{HotkeyManager::Action::fullScreen});
    EXPECT_FALSE(regionConflict->isVisibleTo(&page));
    EXPECT_FALSE(notice->isVisibleTo(&page));

    // Another combination is free: the conflict goes.
    preferences.setFullScreenHotkey(HotkeyBinding{keyR, ModifierSet::control() | ModifierSet::command(), 1});
    ASSERT_TRUE(processEventsUntil([&] { return !fullScreenConflict->isVisibleTo(&page); }));
    EXPECT_TRUE(shortcuts->manager().conflicts().isEmpty());

    // Declined in the desktop's dialog.
    portal.setBindResponse(1);
    preferences.setRegionHotkey(HotkeyBinding{19, ModifierSet::control() | altShift, 1});
    ASSERT_TRUE(processEventsUntil([&] { return notice->isVisibleTo(&page); }));
    const std::string declined = notice->text().toStdString();
    EXPECT_NE(declined.find("the answer was no"), std::string::npos) << declined;

    // The desktop failed: an error in its own words, not a refusal.
    portal.setBindResponse(0);
    portal.setBindError(QStringLiteral("kglobalaccel is not running"));
    preferences.setRegionHotkey(HotkeyBinding{20, ModifierSet::control() | altShift, 1});
    ASSERT_TRUE(processEventsUntil([&] { return notice->text().contains("kglobalaccel is not running"); }));
    EXPECT_TRUE(notice->isVisibleTo(&page));
    EXPECT_TRUE(notice->text().contains("couldn't bind")) << notice->text().toStdString();
    EXPECT_FALSE(notice->text().contains("answer was no"));

    portal.setBindError({});
    portal.setBindResponse(2);
    page.regionRecorder().toggleRecording(); // opening and closing the recorder asks again
    page.regionRecorder().toggleRecording();
    ASSERT_TRUE(processEventsUntil([&] { return notice->text().contains("it gave no reason"); }));
    EXPECT_TRUE(notice->text().contains("couldn't bind"));

    // Bound at last: the notice goes and the shortcut fires.
    portal.setBindResponse(0);
    page.regionRecorder().toggleRecording();
    page.regionRecorder().toggleRecording();
    ASSERT_TRUE(processEventsUntil([&] { return !notice->isVisibleTo(&page); }));
    portal.activate("region");
    ASSERT_TRUE(processEventsUntil([&] { return regions == 1; }));
}

TEST_F(PortalShortcutsTest, WithoutThePortalShortcutsAreLeftToTheDesktopSettings) {
    start();
    EXPECT_EQ(shortcuts->mechanism(), GlobalShortcuts::Mechanism::desktopSettings);
    EXPECT_TRUE(shortcuts->manager().conflicts().isEmpty()) << "nothing is owned by another app";
    EXPECT_TRUE(GlobalShortcuts::desktopSettingsText.contains("zorvi --capture-region"));
}

} // namespace
