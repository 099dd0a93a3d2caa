#include "CaptureFlowFixture.h"

#include <QClipboard>
#include <QFile>
#include <QMimeData>

namespace {

TEST_F(CaptureFlowTest, SecondPressesFileANoteWithoutAScreenshotAndWriteNothing) {
    showKnownWindow();

    // Region pressed again before a drag: the note box, empty, with the first press's context.
    controller->beginRegion();
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    controller->beginRegion();
    ASSERT_TRUE(waitForCompose(1));
    EXPECT_TRUE(DesktopDriver::visibleWindows("Zorvi region selection").isEmpty());
    ASSERT_TRUE(controller->pending().has_value());
    EXPECT_TRUE(controller->pending()->images.isEmpty());
    EXPECT_EQ(controller->pending()->mode, CaptureMode::text);
    EXPECT_EQ(controller->pending()->context.windowTitle, QString("snapshot 1"));
    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::type("text only");
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCaptures(1));
    EXPECT_EQ(captures().front().captureMode, CaptureMode::text);
    EXPECT_TRUE(store->images(captures().front().id).empty());

    // Full screen pressed twice within the window: the first screenshot is never written.
    activateKnownWindow();
    controller->beginFullScreen();
    controller->beginFullScreen();
    ASSERT_TRUE(waitForCompose(2));
    EXPECT_TRUE(controller->pending()->images.isEmpty());
    EXPECT_TRUE(libraryFiles().isEmpty());
    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::key("Escape");
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi note"));
    EXPECT_EQ(captures().size(), 1u);

    // Pressed once, the full screen is taken at the display's size once the window has passed,
    // and with the preference on it goes to the clipboard as the very PNG the library keeps.
    preferences->setCopyToClipboard(true);
    controller->beginFullScreen();
    EXPECT_FALSE(controller->isComposing()) << "the box waits for a possible second press";
    ASSERT_TRUE(waitForCompose(3));
    ASSERT_EQ(controller->pending()->images.size(), 1);
    EXPECT_EQ(controller->pending()->images.front().image.size(), QSize(1920, 1080));
    EXPECT_EQ(controller->pending()->mode, CaptureMode::fullscreen);
    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCaptures(2));
    const Capture screen = captures().front();
    EXPECT_EQ(screen.captureMode, CaptureMode::fullscreen);
    ASSERT_TRUE(processEventsUntil([] {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return data && data->hasFormat("image/png");
    }));
    QFile original(ZorviPaths::imageFile(screen.imagePath));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data("image/png"), original.readAll());
}

// The note box leaves the screen only once its capture is in the library: a
// person who saw it go takes the capture as filed, whatever happens next.
TEST_F(CaptureFlowTest, TheNoteBoxStaysUntilItsCaptureIsFiled) {
    captureAndType("gone means filed", "");
    std::optional<std::size_t> filedWhenHidden;
    QObject::connect(controller->compose().panel()->windowHandle(), &QWindow::visibleChanged, [&](bool visible) {
        if (!visible && !filedWhenHidden)
            filedWhenHidden = captures().size();
    });
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCaptures(1));
    ASSERT_TRUE(processEventsUntil([&] { return filedWhenHidden.has_value(); }));
    EXPECT_EQ(*filedWhenHidden, 1u) << "the note box went before its capture was filed";
}

TEST_F(CaptureFlowTest, TheNoteBoxKeepsItsDraftAcrossAnotherScreenshotAndMarkup) {
    const QPoint image = showKnownWindow();
    controller->beginRegion();
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    DesktopDriver::drag(image + QPoint(20, 20), image + QPoint(220, 180));
    ASSERT_TRUE(waitForCompose(1));
    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::type("two views of one bug");

    // Another screenshot through the note box's "+".
    QToolButton* more = find<QToolButton>(controller->compose().panel(), "Take another screenshot for this same capture");
    ASSERT_NE(more, nullptr);
    DesktopDriver::click(centre(more));
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    DesktopDriver::drag(image + QPoint(100, 100), image + QPoint(300, 220));
    ASSERT_TRUE(waitForCompose(2));
    ASSERT_EQ(controller->pending()->images.size(), 2);
    EXPECT_EQ(noteText(), "two views of one bug");

    // Markup of the first screenshot: a blur over its yellow block and the black line.
    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::click(centre(find<QLabel>(controller->compose().panel(), "Click to mark up")));
    ASSERT_TRUE(processEventsUntil([&] { return editor.window() && editor.window()->isVisible(); }));
    ASSERT_TRUE(DesktopDriver::waitForWindows("Mark up screenshot"));
    // Mapped is not yet placed: clicks and keys wait until the window manager has handed it the keyboard.
    ASSERT_TRUE(processEventsUntil([&] { return editor.window()->isActiveWindow(); }));
    DesktopDriver::click(centre(find<QToolButton>(editor.window(), "tool-blur")));
    AnnotationCanvas* canvas = find<AnnotationCanvas>(editor.window());
    ASSERT_NE(canvas, nullptr);
    // The canvas fits the picture to itself: a drag over its middle half covers the picture's middle.
    const QPoint middle = centre(canvas);
    const QPoint reach(canvas->width() / 4, canvas->height() / 4);
    DesktopDriver::drag(middle - reach, middle + reach);
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCompose(3));
    EXPECT_EQ(noteText(), "two views of one bug") << "the draft came back after markup";
    ASSERT_TRUE(controller->pending()->images.front().annotatedPath.has_value());

    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCaptures(1));
    const Capture capture = captures().front();
    EXPECT_EQ(capture.note, "two views of one bug");
    const std::vector<CaptureImage> images = store->images(capture.id);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(differingPixels(imageOf(images[0]), knownImage().copy(20, 20, 200, 160)), 0);
    EXPECT_EQ(differingPixels(imageOf(images[1]), knownImage().copy(100, 100, 200, 120)), 0);
    ASSERT_TRUE(images[0].annotatedPath.has_value());
    EXPECT_TRUE(images[0].annotationJSON.has_value());
    EXPECT_EQ(capture.imagePath, *images[0].annotatedPath) << "the cover is the marked copy";
    ASSERT_TRUE(images[0].thumbPath.has_value());
    EXPECT_FALSE(QImage(ZorviPaths::thumbFile(*images[0].thumbPath)).isNull()) << "the thumbnail the row names is gone";

    // The marked copy is pixelated where the blur went: far fewer colours than the original there.
    const QImage marked = QImage(ZorviPaths::imageFile(*images[0].annotatedPath)).convertToFormat(QImage::Format_RGB32);
    const QImage original = imageOf(images[0]);
    ASSERT_EQ(marked.size(), original.size());
    const QRect centreArea(original.width() / 2 - 30, original.height() / 2 - 20, 60, 40);
    EXPECT_LT(distinctColours(marked, centreArea) * 4, distinctColours(original, centreArea));
    EXPECT_GT(differingPixels(marked, original), 0);
}

} // namespace
