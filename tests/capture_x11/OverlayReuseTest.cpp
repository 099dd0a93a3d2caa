// The overlay's windows outlive a capture, kept for the next one: each
// capture must still show its own frozen picture, never the one before.
#include "CaptureFlowFixture.h"

namespace {

// A picture, dimmed as the overlay dims it, at `at` on the screen now.
bool screenShowsDimmed(const QImage& known, QPoint at) {
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    for (const QPoint p : {QPoint(10, 10), QPoint(160, 120), QPoint(300, 220)}) {
        const QColor shown = screen.pixelColor(at + p), original = known.pixelColor(p);
        for (const auto& [a, b] : {std::pair{shown.red(), original.red()}, {shown.green(), original.green()},
                                   {shown.blue(), original.blue()}})
            if (std::abs(a - b * (1 - 0.38)) > 3)
                return false;
    }
    return true;
}

TEST_F(CaptureFlowTest, EveryOverlayShowsItsOwnCapturesPicture) {
    const QPoint first = showKnownWindow(QPoint(120, 140));
    controller->beginRegion();
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    ASSERT_TRUE(processEventsUntil([&] { return screenShowsDimmed(knownImage(), first); }));
    DesktopDriver::key("Escape");
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi region selection"));

    knownWindow->move(900, 500);
    const QPoint moved = knownWindow->mapToGlobal(QPoint(0, 0));
    ASSERT_TRUE(processEventsUntil([&] {
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        return differingPixels(screen.copy(QRect(moved, knownImage().size())).convertToFormat(QImage::Format_RGB32),
                               knownImage()) == 0;
    }));
    controller->beginRegion();
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    EXPECT_TRUE(processEventsUntil([&] { return screenShowsDimmed(knownImage(), moved); }))
        << "the overlay shows the desktop as it is now";
    EXPECT_FALSE(screenShowsDimmed(knownImage(), first)) << "nothing of the capture before";
    DesktopDriver::key("Escape");
}

} // namespace
