#include "../capture_x11/CaptureFlowFixture.h"

#include <QProcess>
#include <QScreen>

namespace {

// The wide Xvfb screen split into two monitors of different sizes side by side.
class TwoMonitorsTest : public CaptureFlowTest {
protected:
    void beforeApplication() override {
        ASSERT_EQ(QProcess::execute("xrandr", {"--setmonitor", "L", "1920/508x1080/286+0+0", "screen"}), 0);
        ASSERT_EQ(QProcess::execute("xrandr", {"--setmonitor", "R", "1280/338x1024/270+1920+0", "none"}), 0);
    }
};

class ScaleTwoTest : public CaptureFlowTest {
protected:
    void beforeApplication() override { qputenv("QT_SCALE_FACTOR", "2"); }
};

TEST_F(TwoMonitorsTest, EachMonitorGetsAnOverlayAndASelectionComesFromTheMonitorHoldingMostOfIt) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    const QPoint image = showKnownWindow({1920 + 300, 200});

    controller->beginRegion();
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection", 2)) << "one frozen window per monitor";
    DesktopDriver::drag(image + QPoint(40, 20), image + QPoint(240, 170));
    ASSERT_TRUE(waitForCompose(1));
    ASSERT_EQ(controller->pending()->images.size(), 1);
    EXPECT_EQ(differingPixels(controller->pending()->images.front().image, knownImage().copy(40, 20, 200, 150)), 0);
    EXPECT_EQ(controller->pending()->context.displayName, QString("R"));
    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::key("Escape");
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi note"));

    // Across the seam: cut to the left monitor, which holds three quarters of it.
    controller->beginRegion();
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection", 2));
    DesktopDriver::drag({1800, 300}, {1960, 400});
    ASSERT_TRUE(waitForCompose(2));
    EXPECT_EQ(controller->pending()->images.front().image.size(), QSize(120, 100));
    EXPECT_EQ(controller->pending()->context.displayName, QString("L"));
    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::key("Escape");
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi note"));

    // Space takes the whole monitor under the pointer.
    controller->beginRegion();
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection", 2));
    DesktopDriver::xdotool({"mousemove", "2500", "500"});
    DesktopDriver::key("space");
    ASSERT_TRUE(waitForCompose(3));
    EXPECT_EQ(controller->pending()->images.front().image.size(), QSize(1280, 1024));
    EXPECT_EQ(controller->pending()->mode, CaptureMode::fullscreen);
    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::key("Escape");
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi note"));
    EXPECT_TRUE(libraryFiles().isEmpty()) << libraryFiles().join(" ").toStdString();
}

TEST_F(ScaleTwoTest, ASelectionIsSavedAtTheDisplaysFullPixelResolution) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
    const QPointF image = showKnownWindow({100, 100});
    // The window manager may put the picture half a logical pixel off; the
    // screen's own pixels are the reference.
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint from = toDevice(image + QPointF(25, 15));

    controller->beginRegion();
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    DesktopDriver::drag(from, toDevice(image + QPointF(125, 95)));
    ASSERT_TRUE(waitForCompose(1));
    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCaptures(1));

    const Capture capture = captures().front();
    EXPECT_EQ(capture.context.displayScale, 2.0);
    EXPECT_EQ(capture.imageWidth, 200);
    EXPECT_EQ(capture.imageHeight, 160);
    EXPECT_EQ(screen.size(), QSize(3200, 1080));
    EXPECT_EQ(differingPixels(imageOf(store->images(capture.id).front()), screen.copy(QRect(from, QSize(200, 160)))), 0);
}

} // namespace
