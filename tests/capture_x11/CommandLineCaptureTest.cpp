#include "CaptureFixture.h"

#include "settings/Preferences.h"

#include <QFile>
#include <QProcess>

namespace {

// The running app, started the way a user starts it, reached by forwarded commands.
class RunningApp {
public:
    RunningApp() {
        process_.setProgram(binary());
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start();
    }
    ~RunningApp() {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
        process_.waitForFinished();
    }
    static QString binary() { return ZORVI_APP_BINARY; }
    // A second invocation forwards its command to the running one.
    static void command(const QString& argument) { command(QStringList{argument}); }
    static void command(const QStringList& arguments) { DesktopDriver::run(binary(), arguments); }

private:
    QProcess process_;
};

TEST_F(CaptureFixture, ARegionFromTheCommandLineIsFiledWithItsNoteAndContextOrDiscardedWithoutATrace) {
    // A user past the first-run guide: the board comes up.
    Preferences(Preferences::settingsPath(), config.file("none.conf")).setHasCompletedOnboarding(true);
    RunningApp app;
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi")) << "the board comes up";
    const QPoint image = showKnownWindow();

    RunningApp::command("--capture-region");
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    DesktopDriver::drag(image + QPoint(50, 30), image + QPoint(250, 190));
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi note"));
    EXPECT_TRUE(DesktopDriver::visibleWindows("Zorvi region selection").isEmpty());
    DesktopDriver::type("The save button is cut off");
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCaptures(1));

    const Capture capture = captures().front();
    EXPECT_EQ(capture.note, "The save button is cut off");
    EXPECT_EQ(capture.captureMode, CaptureMode::region);
    EXPECT_EQ(capture.context.windowTitle, QString(knownTitle)) << "the window active at the trigger, not the overlay";
    EXPECT_TRUE(capture.context.appName.has_value());
    EXPECT_TRUE(capture.context.displayName.has_value());
    EXPECT_EQ(capture.context.displayScale, 1.0);
    const std::vector<CaptureImage> images = store->images(capture.id);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(differingPixels(imageOf(images.front()), knownImage().copy(50, 30, 200, 160)), 0)
        << "the crop, pixel for pixel";
    EXPECT_EQ(capture.imagePath, images.front().imagePath);
    ASSERT_TRUE(images.front().thumbPath.has_value());
    QFile thumb(ZorviPaths::thumbFile(*images.front().thumbPath));
    ASSERT_TRUE(thumb.open(QIODevice::ReadOnly));
    EXPECT_TRUE(thumb.read(3).startsWith("\xFF\xD8\xFF")) << "a JPEG thumbnail";
    thumb.close();

    // Esc in the overlay cancels; Esc in the note box throws the screenshot away.
    const QStringList filesBefore = libraryFiles();
    activateKnownWindow();
    RunningApp::command("--capture-region");
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    DesktopDriver::key("Escape");
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi region selection"));
    EXPECT_TRUE(DesktopDriver::visibleWindows("Zorvi note").isEmpty());

    RunningApp::command("--capture-region");
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    DesktopDriver::drag(image + QPoint(10, 10), image + QPoint(90, 70));
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi note"));
    DesktopDriver::type("never mind");
    DesktopDriver::key("Escape");
    // Typed words are not dropped without a question; Alt+D answers "Discard".
    // Qt adds the application's name to a title that lacks it: the question's title begins so.
    ASSERT_TRUE(processEventsUntil([] {
        return !DesktopDriver::xdotool({"search", "--onlyvisible", "--name", "^Discard this capture"}).isEmpty();
    }));
    DesktopDriver::key("alt+d");
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi note"));
    // The app answers commands in order, after the answer to the question has
    // run to its end: once the next overlay is up, a save would have landed.
    RunningApp::command("--capture-region");
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    DesktopDriver::key("Escape");
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi region selection"));
    EXPECT_EQ(captures().size(), 1u);
    EXPECT_EQ(libraryFiles(), filesBefore) << "no file of the discarded screenshot is left";
}

} // namespace

// A timed capture counts down in a badge that is gone before the screen freezes.
TEST_F(CaptureFixture, ADelayedRegionCountsDownInABadgeThatStaysOutOfTheShot) {
    Preferences(Preferences::settingsPath(), config.file("none.conf")).setHasCompletedOnboarding(true);
    RunningApp app;
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi"));
    RunningApp::command(QStringList{"--capture-region", "--delay", "2"});
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi countdown")) << "no countdown badge";
    EXPECT_TRUE(DesktopDriver::visibleWindows("Zorvi region selection").isEmpty()) << "it did not wait";
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    EXPECT_TRUE(DesktopDriver::visibleWindows("Zorvi countdown").isEmpty()) << "the badge is in the shot";
    DesktopDriver::key("Escape");
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi region selection"));
}

namespace {

// The frame a window manager draws around a window: left, right, top, bottom.
QList<int> frameExtents(WId window) {
    const QString answer =
        DesktopDriver::run("xprop", {"-id", QString::number(window), "_NET_FRAME_EXTENTS"}).section('=', 1);
    QList<int> extents;
    for (const QString& value : answer.split(',', Qt::SkipEmptyParts))
        extents.append(value.trimmed().toInt());
    return extents;
}

} // namespace

// The window clicked is filed with its frame and its own context, though another window has the keyboard.
TEST_F(CaptureFixture, AWindowFromTheCommandLineIsFiledWithItsFrameAndItsOwnContext) {
    Preferences(Preferences::settingsPath(), config.file("none.conf")).setHasCompletedOnboarding(true);
    RunningApp app;
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi"));
    const QPoint image = showKnownWindow();
    QLabel other(nullptr, Qt::Tool);
    other.setWindowTitle("Another window");
    other.setFixedSize(240, 120);
    other.move(900, 600);
    other.show();
    ASSERT_TRUE(DesktopDriver::waitForWindows("Another window"));
    DesktopDriver::xdotool({"windowactivate", "--sync", QString::number(other.winId())});
    ASSERT_TRUE(processEventsUntil([&] { return other.isActiveWindow(); }));
    const QList<int> extents = frameExtents(knownWindow->winId());
    ASSERT_EQ(extents.size(), 4);
    ASSERT_GT(extents[2], 0) << "the window manager draws a title bar";
    const QRect frame = QRect(image, knownImage().size()).adjusted(-extents[0], -extents[2], extents[1], extents[3]);
    // The frame as the window manager draws it around a window without the keyboard.
    const QImage screen =
        QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32).copy(frame);

    RunningApp::command("--capture-window");
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi window selection"));
    DesktopDriver::click(image + QPoint(160, 120));
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi note"));
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCaptures(1));
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi note"));

    const Capture capture = captures().front();
    EXPECT_EQ(capture.captureMode, CaptureMode::window);
    EXPECT_EQ(capture.context.windowTitle, QString(knownTitle)) << "the window picked, not the active one";
    const std::vector<CaptureImage> images = store->images(capture.id);
    ASSERT_EQ(images.size(), 1u);
    const QImage saved = imageOf(images.front());
    ASSERT_EQ(saved.size(), frame.size()) << "the window and its frame";
    EXPECT_EQ(differingPixels(saved.copy(QRect(QPoint(extents[0], extents[2]), knownImage().size())), knownImage()), 0)
        << "the window's own pixels";
    EXPECT_EQ(differingPixels(saved, screen), 0) << "the frame's pixels";
}
