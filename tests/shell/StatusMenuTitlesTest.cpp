#include "shell/StatusMenuTitles.h"

#include <gtest/gtest.h>

namespace {

using namespace StatusMenuTitles;

TEST(StatusMenuTitles, CountsShortcutsAndTheSyncLine) {
    EXPECT_EQ(tooltip(0), "Zorvi — nothing open");
    EXPECT_EQ(tooltip(1), "Zorvi — 1 open capture");
    EXPECT_EQ(tooltip(2), "Zorvi — 2 open captures");
    EXPECT_EQ(openDashboard(0), "Open Dashboard");
    EXPECT_EQ(openDashboard(2), "Open Dashboard  (2)");

    EXPECT_EQ(captureRegion("Alt+Shift+2"), "Capture Region  Alt+Shift+2");
    EXPECT_EQ(captureFullScreen("Alt+Shift+3"), "Capture Full Screen  Alt+Shift+3");
    EXPECT_EQ(newIssue("Alt+Shift+2"), "New Issue Without Screenshot  Alt+Shift+2 Alt+Shift+2");

    const SyncLine out = syncLine(SyncState::signedOut, "ignored");
    EXPECT_FALSE(out.showsStatus);
    EXPECT_EQ(out.signInTitle, "Sign in to sync…");
    EXPECT_EQ(syncLine(SyncState::sessionExpired, {}).signInTitle, "Sign in again to sync…");
    const SyncLine in = syncLine(SyncState::signedIn, "Synced just now");
    EXPECT_TRUE(in.showsStatus);
    EXPECT_EQ(in.statusTitle, "Synced just now");
}

} // namespace
