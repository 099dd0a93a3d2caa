#pragma once

#include "support/QtEventLoop.h"
#include "store/StoreFixture.h"

#include "capture/AttachmentService.h"
#include "capture/ImageWriter.h"
#include "markup/AnnotationCanvas.h"
#include "markup/AnnotationEditorWindowController.h"
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

// Fine detail everywhere, so a pixelated area differs from the original in
// every block and an untouched one stays identical.
inline QImage detailedImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 7 + y * 3) & 0xff, (x * y) & 0xff, ((x / 3) ^ (y / 5)) * 11 & 0xff);
    }
    return image;
}

inline void xdotool(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute("xdotool", arguments), 0) << arguments.join(' ').toStdString();
}

// Where a widget location is on the X screen: Qt's global coordinates are
// logical, the X server's are device pixels.
inline QPoint screenPoint(const QWidget* widget, QPointF local) {
    const QPointF global = widget->mapToGlobal(local);
    const qreal ratio = widget->devicePixelRatioF();
    return QPoint(qRound(global.x() * ratio), qRound(global.y() * ratio));
}

inline QStringList at(QPoint point) {
    return {"mousemove", "--sync", QString::number(point.x()), QString::number(point.y())};
}

inline void click(const QWidget* widget) {
    xdotool(at(screenPoint(widget, QRectF(widget->rect()).center())) + QStringList{"click", "1"});
}

// A save that keeps the marks nowhere and always succeeds.
inline std::optional<QString> savedNowhere(const Annotation&) {
    return std::nullopt;
}

inline QByteArray fileHash(const QString& path) {
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

    // Opens the editor on the filed screenshot; saving stores the marks as the app does.
    bool openForSaving() {
        saved.reset();
        controller.present(image, [&](const Annotation& annotation) -> std::optional<QString> {
            AttachmentService().saveAnnotation(annotation, image, *store);
            saved = annotation;
            return std::nullopt;
        });
        return openedWindow() != nullptr;
    }

    // Where an image fraction is shown, on the X screen.
    QPoint onImage(AnnotationPoint p) {
        auto* canvas = part<AnnotationCanvas>("markupCanvas");
        const QRectF frame = canvas->imageFrame();
        return screenPoint(canvas, {frame.left() + p.x * frame.width(), frame.top() + p.y * frame.height()});
    }

    void dragOnImage(AnnotationPoint from, AnnotationPoint to) {
        const AnnotationPoint middle{(from.x + to.x) / 2, (from.y + to.y) / 2};
        xdotool(at(onImage(from)) + QStringList{"mousedown", "1"} + at(onImage(middle)) + at(onImage(to)) +
                QStringList{"mouseup", "1"});
    }

    void clickOnImage(AnnotationPoint p) { xdotool(at(onImage(p)) + QStringList{"click", "1"}); }

    void chooseTool(const char* raw) {
        auto* button = part<QAbstractButton>((QByteArray("tool-") + raw).constData());
        click(button);
        EXPECT_TRUE(processEventsUntil([&] { return button->isChecked(); })) << raw;
    }

    // Blurs the area between two fractions of the shown image with real
    // pointer input, then saves with Ctrl+Enter; returns the saved marks.
    Annotation blurAndSave(AnnotationPoint from, AnnotationPoint to) {
        if (!openForSaving())
            return {};
        chooseTool("blur");
        dragOnImage(from, to);
        auto* undo = part<QAbstractButton>("undo");
        EXPECT_TRUE(processEventsUntil([&] { return undo->isEnabled(); })) << "the drag made no shape";
        return saveByKeyboard();
    }

    // Ctrl+Enter, then the marks the editor handed over.
    Annotation saveByKeyboard() {
        xdotool({"key", "--clearmodifiers", "ctrl+Return"});
        EXPECT_TRUE(processEventsUntil([&] { return saved.has_value(); })) << "Ctrl+Enter did not save";
        EXPECT_TRUE(processEventsUntil([&] { return controller.window() == nullptr; }));
        return saved.value_or(Annotation{});
    }

    // The marked copy the library now holds for the image.
    QImage markedCopy() {
        const std::optional<CaptureImage> row = store->image(image.id);
        if (!row || !row->annotatedPath)
            return {};
        return QImage(ZorviPaths::imageURL(*row->annotatedPath)).convertToFormat(QImage::Format_RGB32);
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
        const Pixelation::Grid grid = Pixelation::grid(shape, area.size(), source.size());
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
    std::optional<Annotation> saved;
};
