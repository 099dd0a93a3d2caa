#include "CaptureFlowFixture.h"

#include "platform/x11/X11WindowFinder.h"

#include <QMessageBox>

namespace {

// With handles on, a dragged region waits: a handle resizes it, a drag inside moves it, Enter takes it.
TEST_F(CaptureFlowTest, AnAdjustedRegionSavesTheAdjustedCrop) {
    preferences->setAdjustRegionWithHandles(true);
    const QPoint image = showKnownWindow();
    controller->beginRegion();
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    DesktopDriver::drag(image + QPoint(20, 20), image + QPoint(120, 100));
    ASSERT_TRUE(processEventsUntil([&] { return controller->overlay().isAdjusting(); }));
    EXPECT_EQ(composed, 0) << "the note box waits for Enter";

    // The bottom-right handle, taken a little off its centre, out by 100 × 80.
    DesktopDriver::drag(image + QPoint(122, 102), image + QPoint(222, 182));
    // The whole region 10 right and 5 down.
    DesktopDriver::drag(image + QPoint(100, 100), image + QPoint(110, 105));
    const QRectF adjusted(image + QPointF(30, 25), QSizeF(200, 160));
    ASSERT_TRUE(processEventsUntil([&] { return controller->overlay().selection() == adjusted; }));
    DesktopDriver::key("Return");
    ASSERT_TRUE(waitForCompose(1));
    ASSERT_EQ(controller->pending()->images.size(), 1);
    EXPECT_EQ(differingPixels(controller->pending()->images.front().image, knownImage().copy(30, 25, 200, 160)), 0);
    EXPECT_TRUE(DesktopDriver::visibleWindows("Zorvi region selection").isEmpty());
}

// Where the session keeps its windows to itself, picking one says so instead of freezing the screen for nothing.
TEST_F(CaptureFlowTest, AWindowCaptureWhereWindowsCannotBePickedSaysWhy) {
    const std::unique_ptr<WindowFinder> finder = WindowFinder::unavailable();
    controller->setWindowFinder(finder.get(), nullptr);
    QStringList failures;
    QObject::connect(controller.get(), &CaptureController::captureFailed,
                     [&](const QString& description) { failures << description; });
    controller->beginWindow();
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures.front().contains("pick a window")) << failures.front().toStdString();
    EXPECT_FALSE(controller->isCapturing());
    EXPECT_TRUE(DesktopDriver::visibleWindows("Zorvi window selection").isEmpty());
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window))
            box->close();
}

// Enter with the pointer over no window takes the active one, as a shortcut pressed over it would mean.
TEST_F(CaptureFlowTest, EnterOverNoWindowTakesTheActiveWindow) {
    const std::unique_ptr<WindowFinder> finder = X11WindowFinder::connect();
    ASSERT_NE(finder, nullptr);
    controller->setWindowFinder(finder.get(), [](const ActiveWindow& window) {
        CaptureContext context;
        context.windowTitle = window.title;
        return context;
    });
    showKnownWindow();
    DesktopDriver::xdotool({"mousemove", "1900", "1060"});
    controller->beginWindow();
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi window selection"));
    DesktopDriver::key("Return");
    ASSERT_TRUE(waitForCompose(1));
    EXPECT_EQ(controller->pending()->mode, CaptureMode::window);
    EXPECT_EQ(controller->pending()->context.windowTitle, QString(knownTitle));
    const QImage shot = controller->pending()->images.front().image;
    EXPECT_GT(shot.height(), knownImage().height()) << "with its title bar";
    EXPECT_EQ(shot.size(), knownWindow->frameGeometry().size());
}

} // namespace
