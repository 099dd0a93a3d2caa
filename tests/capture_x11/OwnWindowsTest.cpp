// Our own windows and the frozen desktop: taken as they are when one of them
// is in front, and leaving no pixel behind when they were merely on screen.
#include "CaptureFlowFixture.h"
#include "ForeignWindow.h"

namespace {

// A window of ours with a title bar, as the board is, showing the known picture.
class OurWindow : public QLabel {
public:
    OurWindow(const QImage& picture, QPoint at) {
        setWindowTitle("Board stand-in");
        setPixmap(QPixmap::fromImage(picture));
        setContentsMargins(0, 0, 0, 0);
        setFixedSize(picture.size());
        move(at);
        show();
    }
};

QImage screenNow() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels of `area` in `image` that aren't `colour`.
qsizetype pixelsNotOf(const QImage& image, const QRegion& area, QColor colour) {
    qsizetype count = 0;
    for (const QRect& rect : area)
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                count += image.pixelColor(x, y).rgb() != colour.rgb();
    return count;
}

TEST_F(CaptureFlowTest, OurWindowBehindAnotherLeavesNoPixelInTheScreenshot) {
    // Beneath ours an application that is slow to repaint, and another application in front.
    const QColor green("#2e8b57"), blue("#1e3a8a");
    ForeignWindow beneath("Beneath", green, QRect(40, 40, 1100, 800), 40);
    ASSERT_TRUE(beneath.waitUntilShown());
    OurWindow ours(knownImage(), QPoint(200, 200));
    ASSERT_TRUE(DesktopDriver::waitForWindows("Board stand-in"));
    const QRect front(420, 330, 400, 300);
    ForeignWindow inFront("In front", blue, front);
    ASSERT_TRUE(inFront.waitUntilShown());
    inFront.activate();
    const QRect ourFrame = ours.frameGeometry();
    const QRect ourInside(ours.mapToGlobal(QPoint(0, 0)), ours.size());
    // The window manager's frame around the window in front, generously.
    const QRegion uncoveredOfOurs = QRegion(ourFrame) - QRegion(front.adjusted(-12, -40, 12, 12));
    ASSERT_TRUE(processEventsUntil([&] {
        const QImage screen = screenNow();
        return screen.pixelColor(front.center()) == blue && screen.pixelColor(60, 820) == green &&
               differingPixels(screen.copy(ourInside.x(), ourInside.y(), 100, 100),
                               knownImage().copy(0, 0, 100, 100)) == 0;
    })) << "the three windows never showed as stacked";

    controller->beginFullScreen(false);
    ASSERT_TRUE(waitForCompose(1));
    const QImage shot = controller->pending()->images.front().image;
    EXPECT_EQ(pixelsNotOf(shot, uncoveredOfOurs, green), 0)
        << "where our window was, the screenshot shows the application beneath, repainted";
    EXPECT_EQ(shot.pixelColor(front.center()), blue);

    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::key("Escape");
    EXPECT_TRUE(processEventsUntil([&] { return ours.isVisible() && !controller->isComposing(); }));
}

TEST_F(CaptureFlowTest, WithOurWindowInFrontTheScreenshotIsOfItAsItIs) {
    OurWindow ours(knownImage(), QPoint(200, 200));
    ASSERT_TRUE(DesktopDriver::waitForWindows("Board stand-in"));
    DesktopDriver::xdotool({"windowactivate", "--sync", QString::number(ours.winId())});
    ASSERT_TRUE(processEventsUntil([&] { return ours.isActiveWindow(); }));
    const QRect ourInside(ours.mapToGlobal(QPoint(0, 0)), ours.size());
    ASSERT_TRUE(processEventsUntil(
        [&] { return differingPixels(screenNow().copy(ourInside), knownImage()) == 0; }));
    bool hidden = false;
    QObject::connect(ours.windowHandle(), &QWindow::visibleChanged, [&](bool visible) { hidden |= !visible; });

    controller->beginFullScreen(false);
    ASSERT_TRUE(waitForCompose(1));
    EXPECT_FALSE(hidden) << "nothing steps aside while Zorvi itself is in front";
    EXPECT_EQ(differingPixels(controller->pending()->images.front().image.copy(ourInside), knownImage()), 0);
    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::key("Escape");
    EXPECT_TRUE(processEventsUntil([&] { return !controller->isComposing(); }));
    EXPECT_FALSE(hidden);
}

} // namespace
