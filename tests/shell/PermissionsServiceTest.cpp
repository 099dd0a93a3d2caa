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
