#include "EditorWindowFixture.h"

#include "markup/AnnotationRenderer.h"
#include "markup/MarkGeometry.h"
#include "markup/PlacedMarks.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>

namespace {

using MarkupToolsWindowTest = AnnotationEditorWindowTest;

// A plain screenshot, so a mark's colour can only come from the mark.
class PlainScreenshotTest : public AnnotationEditorWindowTest {
protected:
    PlainScreenshotTest() {
        source = QImage(1600, 1000, QImage::Format_RGB32);
        source.fill(QColor(250, 250, 250));
    }
};

// How many pixels of `area` in `image` are exactly `color`.
int pixelsOf(const QImage& image, const QRect& area, QRgb color) {
    int count = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += (image.pixel(x, y) | 0xFF000000u) == (color | 0xFF000000u);
    return count;
}

QRect pixelBounds(const AnnotationShape& shape, QSize size) {
    const QRectF bounds = MarkGeometry::bounds(shape, size);
    return QRectF(bounds.x() * size.width(), bounds.y() * size.height(), bounds.width() * size.width(),
                  bounds.height() * size.height())
        .toAlignedRect();
}

const QRgb blue = qRgb(0x0A, 0x84, 0xFF);

} // namespace

TEST_F(PlainScreenshotTest, TextAndStepMarksTypedInPlaceRenderInTheMarkedCopy) {
    ASSERT_TRUE(openForSaving());
    click(part<QAbstractButton>("color-0A84FF"));
    xdotool({"key", "t"});
    clickOnImage({0.1, 0.1});
    ASSERT_TRUE(processEventsUntil([&] {
        auto* field = controller.window()->findChild<QLineEdit*>("textMarkEditor");
        return field && field->hasFocus();
    })) << "the text tool opened no field where it was clicked";
    xdotool({"type", "--delay", "5", "Login fails"});
    xdotool({"key", "Return"});
    xdotool({"key", "n"});
    clickOnImage({0.5, 0.5});
    clickOnImage({0.7, 0.5});
    auto* undo = part<QAbstractButton>("undo");
    ASSERT_TRUE(processEventsUntil([&] { return undo->isEnabled(); }));
    const Annotation marks = saveByKeyboard();

    ASSERT_EQ(marks.shapes.size(), 3);
    EXPECT_EQ(marks.shapes[0].tool, AnnotationTool::text);
    EXPECT_EQ(marks.shapes[0].text, "Login fails");
    EXPECT_EQ(marks.shapes[1].tool, AnnotationTool::step);
    EXPECT_EQ(marks.shapes[2].tool, AnnotationTool::step);
    EXPECT_NEAR(marks.shapes[1].points.front().x, 0.5, 0.005);
    EXPECT_EQ(store->image(image.id)->annotation(), marks) << "the stored text differs from what was saved";

    const QImage marked = markedCopy();
    ASSERT_EQ(marked.size(), source.size());
    const QRect label = pixelBounds(marks.shapes[0], marked.size());
    EXPECT_GT(pixelsOf(marked, label, blue), 100) << "no label in the marked copy";
    for (int step = 1; step <= 2; ++step) {
        const QRect circle = pixelBounds(marks.shapes[step], marked.size());
        EXPECT_GT(pixelsOf(marked, circle, blue), circle.width() * circle.height() / 3) << "step " << step;
        EXPECT_EQ(pixelsOf(marked, circle.translated(0, circle.height() * 2), blue), 0);
    }
}

TEST_F(PlainScreenshotTest, AMovedBoxRendersWhereItWasMovedAndKeysEditIt) {
    ASSERT_TRUE(openForSaving());
    click(part<QAbstractButton>("color-0A84FF"));
    chooseTool("rectangle");
    dragOnImage({0.2, 0.2}, {0.4, 0.4});
    auto* undo = part<QAbstractButton>("undo");
    ASSERT_TRUE(processEventsUntil([&] { return undo->isEnabled(); }));

    // The select tool grabs it by its middle and drags it.
    chooseTool("select");
    dragOnImage({0.3, 0.3}, {0.6, 0.5});
    auto* canvas = part<AnnotationCanvas>("markupCanvas");
    // Two nudges right, then Ctrl+Z takes one back and Ctrl+Y redoes it.
    xdotool({"key", "Right", "Right"});
    xdotool({"key", "--clearmodifiers", "ctrl+z"});
    xdotool({"key", "--clearmodifiers", "ctrl+y"});
    EXPECT_TRUE(canvas->hasFocus());
    const Annotation marks = saveByKeyboard();

    ASSERT_EQ(marks.shapes.size(), 1);
    const AnnotationShape& box = marks.shapes[0];
    // Moved by (0.3, 0.2), then 2 working pixels of 1600 to the right.
    const double nudged = 2.0 / 1600;
    EXPECT_NEAR(std::min(box.points[0].x, box.points[1].x), 0.5 + nudged, 0.004);
    EXPECT_NEAR(std::min(box.points[0].y, box.points[1].y), 0.4, 0.004);
    EXPECT_NEAR(std::abs(box.points[1].x - box.points[0].x), 0.2, 0.004);

    const QImage marked = markedCopy();
    const int left = int(std::min(box.points[0].x, box.points[1].x) * marked.width());
    const int top = int(0.5 * marked.height());
    EXPECT_GT(pixelsOf(marked, QRect(left - 6, top, 12, 1), blue), 0) << "no edge where the box was moved to";
    EXPECT_EQ(pixelsOf(marked, QRect(int(0.2 * marked.width()) - 6, int(0.3 * marked.height()), 12, 1), blue), 0)
        << "the box is still drawn where it was";
}

TEST_F(MarkupToolsWindowTest, DeleteRemovesTheSelectedMarkUndoably) {
    ASSERT_TRUE(openForSaving());
    chooseTool("ellipse");
    dragOnImage({0.2, 0.2}, {0.4, 0.4});
    dragOnImage({0.6, 0.6}, {0.8, 0.8});
    chooseTool("select");
    clickOnImage({0.3, 0.3});
    xdotool({"key", "Delete"});
    xdotool({"key", "--clearmodifiers", "ctrl+z"});
    clickOnImage({0.7, 0.7});
    xdotool({"key", "Delete"});
    const Annotation marks = saveByKeyboard();
    ASSERT_EQ(marks.shapes.size(), 1);
    EXPECT_NEAR(marks.shapes[0].points[0].x, 0.2, 0.005) << "undo did not bring the first circle back";
}

TEST_F(MarkupToolsWindowTest, ACropsMarkedCopyHasTheCropsSizeAndTheOriginalStaysWhole) {
    ASSERT_TRUE(openForSaving());
    chooseTool("crop");
    dragOnImage({0.25, 0.2}, {0.75, 0.6});
    auto* undo = part<QAbstractButton>("undo");
    ASSERT_TRUE(processEventsUntil([&] { return undo->isEnabled(); }));
    const Annotation marks = saveByKeyboard();
    ASSERT_TRUE(marks.crop);
    EXPECT_TRUE(marks.shapes.isEmpty());

    const QRect crop = AnnotationRenderer::cropRect(marks.crop, source.size());
    EXPECT_NEAR(crop.width(), 1200, 8);
    EXPECT_NEAR(crop.height(), 600, 8);
    const QImage marked = markedCopy();
    EXPECT_EQ(marked.size(), crop.size());
    EXPECT_EQ(marked, source.copy(crop)) << "the kept part is not the screenshot's own pixels";
    EXPECT_EQ(fileHash(ZorviPaths::imageFile(image.imagePath)), originalHash) << "the original was touched";
}

TEST_F(MarkupToolsWindowTest, EscapeWithUnsavedMarksAsksFirst) {
    int cancels = 0;
    controller.presentImage(source, {}, savedNowhere, [&] { ++cancels; });
    ASSERT_NE(openedWindow(), nullptr);
    dragOnImage({0.2, 0.2}, {0.4, 0.4});
    auto* undo = part<QAbstractButton>("undo");
    ASSERT_TRUE(processEventsUntil([&] { return undo->isEnabled(); }));

    // The question runs its own event loop: it is answered, with real input, from a timer.
    QStringList answers;
    int asked = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* prompt = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!prompt || !prompt->isVisible() || answers.isEmpty())
            return;
        ++asked;
        // The window manager may not hand a new dialog the keyboard at once.
        prompt->activateWindow();
        if (!processEventsUntil([&] { return prompt->isActiveWindow(); })) {
            ADD_FAILURE() << "the question never took the keyboard";
            prompt->reject();
            return;
        }
        if (answers.takeFirst() == "keep")
            xdotool({"key", "Escape"});
        else
            click(prompt->findChild<QAbstractButton*>("discard"));
    });
    answer.start(50);

    answers = {"keep"};
    xdotool({"key", "Escape"});
    ASSERT_TRUE(processEventsUntil([&] { return asked == 1 && !QApplication::activeModalWidget(); }))
        << "Esc discarded the marks unasked";
    EXPECT_NE(controller.window(), nullptr) << "keeping the marks closed the editor";
    EXPECT_EQ(cancels, 0);

    answers = {"discard"};
    ASSERT_TRUE(processEventsUntil([&] { return controller.window()->isActiveWindow(); }))
        << "the editor did not get the keyboard back";
    xdotool({"key", "Escape"});
    EXPECT_TRUE(processEventsUntil([&] { return cancels == 1 && controller.window() == nullptr; }));
    EXPECT_EQ(asked, 2);
}

TEST_F(MarkupToolsWindowTest, ASmallCaptureIsShownWithSharpPixels) {
    QImage checkers(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            checkers.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    controller.presentImage(checkers, {}, savedNowhere);
    ASSERT_NE(openedWindow(), nullptr);
    auto* canvas = part<AnnotationCanvas>("markupCanvas");
    const QRect frame = canvas->imageFrame().toRect().adjusted(2, 2, -2, -2);
    const QImage shown = canvas->grab(frame).toImage().convertToFormat(QImage::Format_RGB32);
    int blended = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            blended += shown.pixel(x, y) != qRgb(0, 0, 0) && shown.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_EQ(blended, 0) << "the enlarged capture is smeared";
}

TEST_F(MarkupToolsWindowTest, SaveAsWritesTheMarkedCopyWhereChosenAndRemembersTheFolder) {
    ASSERT_TRUE(openForSaving());
    chooseTool("crop");
    dragOnImage({0.5, 0.5}, {0.75, 0.75});
    auto* undo = part<QAbstractButton>("undo");
    ASSERT_TRUE(processEventsUntil([&] { return undo->isEnabled(); }));

    const QString folder = home.file("exports");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + "/login-bug.jpg";
    // The file dialog runs its own event loop: the name is typed into it from a timer.
    bool typed = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = QApplication::activeModalWidget();
        if (typed || !dialog || dialog->objectName() != "saveAsDialog" || !dialog->isActiveWindow())
            return;
        typed = true;
        xdotool({"key", "--clearmodifiers", "ctrl+a"});
        xdotool({"type", "--delay", "5", path});
        xdotool({"key", "Return"});
    });
    answer.start(50);
    xdotool({"key", "--clearmodifiers", "ctrl+shift+s"});
    ASSERT_TRUE(processEventsUntil([&] { return QFileInfo::exists(path); })) << "nothing was written";

    const QImage written(path);
    // The crop dragged over a quarter of each side, to within the pointer's precision.
    EXPECT_NEAR(written.width(), source.width() / 4, 8) << "Save As did not write the marked copy";
    EXPECT_NEAR(written.height(), source.height() / 4, 8);
    EXPECT_EQ(QImageReader(path).format(), "jpeg");
    EXPECT_EQ(settings.value("export.lastFolder").toString(), folder);
    EXPECT_NE(controller.window(), nullptr) << "Save As closed the editor";
}
