#include "support/QtEventLoop.h"
#include "store/StoreFixture.h"

#include "capture/ImageWriter.h"
#include "markup/AnnotationCanvas.h"
#include "markup/AnnotationEditorWindowController.h"
#include "markup/AttachmentService.h"
#include "markup/Pixelation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCryptographicHash>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QSettings>
#include <QTimer>
#include <QWidget>

namespace {

// Fine detail everywhere, so a pixelated area differs from the original in
// every block and an untouched one stays identical.
QImage detailedImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 7 + y * 3) & 0xff, (x * y) & 0xff, ((x / 3) ^ (y / 5)) * 11 & 0xff);
    }
    return image;
}

void xdotool(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute("xdotool", arguments), 0) << arguments.join(' ').toStdString();
}

// Where a widget location is on the X screen: Qt's global coordinates are
// logical, the X server's are device pixels.
QPoint screenPoint(const QWidget* widget, QPointF local) {
    const QPointF global = widget->mapToGlobal(local);
    const qreal ratio = widget->devicePixelRatioF();
    return QPoint(qRound(global.x() * ratio), qRound(global.y() * ratio));
}

QStringList at(QPoint point) {
    return {"mousemove", "--sync", QString::number(point.x()), QString::number(point.y())};
}

void click(const QWidget* widget) {
    xdotool(at(screenPoint(widget, QRectF(widget->rect()).center())) + QStringList{"click", "1"});
}

QByteArray fileHash(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

class AnnotationEditorWindowTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        // Before the application exists: Qt reads the scale once.
        qputenv("QT_SCALE_FACTOR", QByteArray::number(scale));
        app = std::make_unique<QApplication>(argc, nullptr);
        Capture capture = newCapture("Leaks a token");
        store->insert(capture);
        image = newImage(capture.id, 0);
        const ImageWriter::Written written = ImageWriter::write(source, image.id, image.createdAt);
        image.imagePath = written.relativePath;
        image.thumbPath = written.thumbRelativePath;
        image.width = written.width;
        image.height = written.height;
        image = store->addImage(image);
        originalHash = fileHash(ZorviPaths::imageURL(image.imagePath));
    }

    void TearDown() override { controller.dismiss(); }

    QWidget* openedWindow() {
        EXPECT_TRUE(processEventsUntil([&] { return controller.window() && controller.window()->isActiveWindow(); }))
            << "the editor never became the active window";
        return controller.window();
    }

    template <class T = QWidget>
    T* part(const char* name) {
        T* widget = controller.window()->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // Blurs the area between two fractions of the shown image with real
    // pointer input, then saves with Ctrl+Enter; returns the saved marks.
    Annotation blurAndSave(AnnotationPoint from, AnnotationPoint to) {
        std::optional<Annotation> saved;
        controller.present(image, [&](Annotation annotation) {
            AttachmentService().saveAnnotation(annotation, image, *store);
            saved = annotation;
        });
        if (!openedWindow())
            return {};
        auto* blur = part<QAbstractButton>("tool-blur");
        click(blur);
        EXPECT_TRUE(processEventsUntil([&] { return blur->isChecked(); }));

        auto* canvas = part<AnnotationCanvas>("markupCanvas");
        const QRectF frame = canvas->imageFrame();
        const auto inFrame = [&](AnnotationPoint p) {
            return screenPoint(canvas, {frame.left() + p.x * frame.width(), frame.top() + p.y * frame.height()});
        };
        const AnnotationPoint middle{(from.x + to.x) / 2, (from.y + to.y) / 2};
        xdotool(at(inFrame(from)) + QStringList{"mousedown", "1"} + at(inFrame(middle)) + at(inFrame(to)) +
                QStringList{"mouseup", "1"});
        auto* undo = part<QAbstractButton>("undo");
        EXPECT_TRUE(processEventsUntil([&] { return undo->isEnabled(); })) << "the drag made no shape";

        xdotool({"key", "--clearmodifiers", "ctrl+Return"});
        EXPECT_TRUE(processEventsUntil([&] { return saved.has_value(); })) << "Ctrl+Enter did not save";
        EXPECT_TRUE(processEventsUntil([&] { return controller.window() == nullptr; }));
        return saved.value_or(Annotation{});
    }

    void expectPixelatedCopy(const Annotation& saved, AnnotationPoint from, AnnotationPoint to) {
        ASSERT_EQ(saved.shapes.size(), 1);
        const AnnotationShape& shape = saved.shapes.front();
        EXPECT_EQ(shape.tool, AnnotationTool::blur);
        EXPECT_EQ(shape.colorHex, "#000000");
        // The drag landed where it was aimed, to within a pixel or two of the shown image.
        EXPECT_NEAR(shape.points.front().x, from.x, 0.005);
        EXPECT_NEAR(shape.points.front().y, from.y, 0.005);
        EXPECT_NEAR(shape.points.back().x, to.x, 0.005);
        EXPECT_NEAR(shape.points.back().y, to.y, 0.005);

        const std::optional<CaptureImage> row = store->image(image.id);
        ASSERT_TRUE(row && row->annotatedPath);
        EXPECT_EQ(row->annotation(), saved);
        EXPECT_EQ(fileHash(ZorviPaths::imageURL(image.imagePath)), originalHash) << "the original was touched";
        const QImage marked = QImage(ZorviPaths::imageURL(*row->annotatedPath)).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(marked.size(), source.size());

        const QRect area = Pixelation::area(shape, source.size());
        ASSERT_FALSE(area.isNull());
        const Pixelation::Grid grid = Pixelation::grid(area.size());
        int changedBlocks = 0;
        for (int row = 0; row < grid.rows; ++row) {
            for (int column = 0; column < grid.columns; ++column) {
                const QRect block = Pixelation::blockRect(area.size(), grid, column, row).translated(area.topLeft());
                const QRgb flat = marked.pixel(block.topLeft());
                bool uniform = true;
                bool differs = false;
                for (int y = block.top(); y <= block.bottom(); ++y) {
                    for (int x = block.left(); x <= block.right(); ++x) {
                        uniform = uniform && marked.pixel(x, y) == flat;
                        differs = differs || source.pixel(x, y) != flat;
                    }
                }
                EXPECT_TRUE(uniform) << "block " << column << "," << row << " is not flat";
                changedBlocks += differs;
            }
        }
        EXPECT_EQ(changedBlocks, grid.columns * grid.rows) << "some blocks still show the original pixels";
        // Outside the blurred area the marked copy is the screenshot itself.
        const QRect above(0, 0, source.width(), area.top());
        EXPECT_EQ(marked.copy(above), source.copy(above));
    }

    double scale = 1;
    int argc = 0;
    std::unique_ptr<QApplication> app;
    QSettings settings{home.file("Zorvi.conf"), QSettings::IniFormat};
    AnnotationEditorWindowController controller{settings};
    QImage source = detailedImage(2400, 1500);
    CaptureImage image;
    QByteArray originalHash;
};

TEST_F(AnnotationEditorWindowTest, BlurDrawnWithThePointerPixelatesTheSavedCopyForReal) {
    const AnnotationPoint from{0.25, 0.3}, to{0.7, 0.75};
    expectPixelatedCopy(blurAndSave(from, to), from, to);
    EXPECT_EQ(settings.value("markup.tool").toString(), "blur");
}

// At twice the pixel density logical points and screen pixels differ; the
// marks must still land under the pointer.
class ScaledAnnotationEditorWindowTest : public AnnotationEditorWindowTest {
protected:
    ScaledAnnotationEditorWindowTest() { scale = 2; }
};

TEST_F(ScaledAnnotationEditorWindowTest, MarksLandUnderThePointerOnAScaledDisplay) {
    ASSERT_EQ(app->devicePixelRatio(), 2.0);
    const AnnotationPoint from{0.1, 0.55}, to{0.45, 0.95};
    expectPixelatedCopy(blurAndSave(from, to), from, to);
}

TEST_F(AnnotationEditorWindowTest, AMissingScreenshotIsReportedAndOpensNoWindow) {
    const QString path = ZorviPaths::imageURL(image.imagePath);
    ASSERT_TRUE(QFile::remove(path));
    QString text, informative;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = alert->text();
            informative = alert->informativeText();
            alert->accept();
        }
    });
    poll.start(20);
    bool called = false;
    controller.present(image, [&](Annotation) { called = true; });
    EXPECT_EQ(text, "That screenshot is missing");
    EXPECT_EQ(informative, "Zorvi couldn't find " + path + ".");
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_FALSE(called);
}

// The note box's path: an image not filed yet. Opening again cancels and
// replaces the window (so a note box waiting on it comes back), Esc cancels
// without saving, and the window keeps its size.
TEST_F(AnnotationEditorWindowTest, EscapeCancelsAndTheWindowRemembersItsSize) {
    int saves = 0, cancels = 0;
    controller.presentImage(source, {}, [&](Annotation) { ++saves; }, [&] { ++cancels; });
    QPointer<QWidget> first = controller.window();
    controller.presentImage(source, {}, [&](Annotation) { ++saves; }, [&] { ++cancels; });
    EXPECT_TRUE(processEventsUntil([&] { return first.isNull(); })) << "the first window was not replaced";
    EXPECT_EQ(cancels, 1) << "the replaced editor was cancelled";
    QWidget* window = openedWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Mark up screenshot");
    EXPECT_EQ(window->size(), QSize(940, 700));
    EXPECT_EQ(window->minimumSize(), QSize(640, 480));
    window->resize(800, 560);
    EXPECT_TRUE(processEventsUntil([&] { return window->size() == QSize(800, 560); }));

    xdotool({"key", "--clearmodifiers", "Escape"});
    EXPECT_TRUE(processEventsUntil([&] { return cancels == 2 && controller.window() == nullptr; }));
    EXPECT_EQ(saves, 0);

    controller.presentImage(source, {}, [&](Annotation) { ++saves; });
    ASSERT_NE(openedWindow(), nullptr);
    EXPECT_EQ(controller.window()->size(), QSize(800, 560));
}

} // namespace
