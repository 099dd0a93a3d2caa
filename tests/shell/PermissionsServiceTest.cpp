#include "FakeScreenshotPortal.h"

#include "support/FakeClock.h"
#include "platform/wayland/WaylandPlatform.h"
#include "platform/PermissionsService.h"
#include "support/QtEventLoop.h"

#include <gtest/gtest.h>

namespace {

class PermissionsServiceTest : public ::testing::Test {
protected:
    void SetUp() override { ensureQtApplication(); }

    FakeClock clock;
    WaylandPlatform wayland;
};

TEST_F(PermissionsServiceTest, WaylandScreenshotsGoThroughThePortal) {
    FakeScreenshotPortal portal;
    ASSERT_TRUE(portal.isServing());
    PermissionsService service(clock, &wayland);
    EXPECT_TRUE(service.canCaptureScreen());
    // Key events can't be read on Wayland whatever the portal offers.
    EXPECT_FALSE(service.canMonitorKeys());
}

TEST_F(PermissionsServiceTest, PollingPicksUpAPortalWithinASecond) {
    PermissionsService service(clock, &wayland);
    QList<bool> changes;
    QObject::connect(&service, &PermissionsService::canCaptureScreenChanged, [&](bool on) { changes << on; });
    service.beginPolling();
    service.beginPolling();
    EXPECT_EQ(clock.pendingTimers(), 1);

    FakeScreenshotPortal portal;
    ASSERT_TRUE(portal.isServing());
    clock.advance(0.99);
    EXPECT_FALSE(service.canCaptureScreen());
    clock.advance(0.01);
    EXPECT_TRUE(service.canCaptureScreen());
    EXPECT_EQ(changes, QList<bool>{true});

    service.stopPolling();
    EXPECT_FALSE(service.isPolling());
    EXPECT_EQ(clock.pendingTimers(), 0);
}

} // namespace

#include "platform/DesktopKind.h"
#include "platform/PermissionTexts.h"

namespace {

// The first-run guide's permission step names what this desktop will ask:
// GNOME once, KDE for each app, sway nothing; X11 has nothing to grant.
TEST(GuidePermissionStep, EachDesktopsOwnScreenshotPermissionIsExplained) {
    const struct {
        const char* xdgCurrentDesktop;
        DesktopKind desktop;
        const char* says;
    } desktops[] = {
        {"ubuntu:GNOME", DesktopKind::gnome, "asks in its own dialog whether Zorvi may take screenshots; allow it once"},
        {"KDE", DesktopKind::kde, "asks in its own dialog whether this app may take them"},
        {"sway", DesktopKind::sway, "without asking: there is nothing to grant"},
        {"Hyprland", DesktopKind::other, "may ask you to allow it"},
    };
    QSet<QString> texts;
    for (const auto& d : desktops) {
        SCOPED_TRACE(d.xdgCurrentDesktop);
        qputenv("XDG_CURRENT_DESKTOP", d.xdgCurrentDesktop);
        ASSERT_EQ(currentDesktop(), d.desktop);
        const QString text = PermissionTexts::screenCaptureGuide(SessionType::wayland, d.desktop);
        EXPECT_TRUE(text.contains(QString::fromUtf8(d.says))) << text.toStdString();
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), 4);
    EXPECT_TRUE(PermissionTexts::screenCaptureGuide(SessionType::x11, DesktopKind::gnome)
                    .contains("nothing to grant"))
        << "an X11 session on GNOME grants screenshots by itself";
}

} // namespace
