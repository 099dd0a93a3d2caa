// Marks on a filed screenshot whose marked copy cannot be written stay in
// the open editor, the reason is said, and the files already filed are
// left exactly as they were.
#include "ShellFixture.h"

#include "support/FileSizeLimit.h"
#include "support/MessageBoxWatch.h"
#include "support/TestImages.h"

#include "capture/AttachmentService.h"
#include "capture/ImageWriter.h"
#include "common/Identifiers.h"
#include "markup/AnnotationCanvas.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

QByteArray fileHash(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

class MarkupSaveFailure : public ShellFixture {
protected:
    // A filed capture whose screenshot already carries one saved mark.
    CaptureImage fileMarkedScreenshot() {
        CaptureStore store(ZorviPaths::databaseURL());
        Capture capture;
        capture.id = Identifiers::make();
        capture.createdAt = capture.updatedAt = QDateTime::currentDateTimeUtc();
        capture.note = "The totals column is cut off";
        store.insert(capture);
        CaptureImage image;
        image.id = Identifiers::make();
        image.captureID = capture.id;
        image.createdAt = capture.createdAt;
        const ImageWriter::Written written = ImageWriter::write(TestImages::docPage(), image.id, image.createdAt);
        image.imagePath = written.relativePath;
        image.thumbPath = written.thumbRelativePath;
        image.width = written.width;
        image.height = written.height;
        image = store.addImage(image);
        Annotation marks;
        marks.shapes.append(
            {Identifiers::make(), AnnotationTool::rectangle, "#FF3B30", 0.01, {{0.05, 0.05}, {0.2, 0.2}}});
        AttachmentService().saveAnnotation(marks, image, store);
        return *store.image(image.id);
    }

    static QStringList filesOf(const CaptureImage& image) {
        return {ZorviPaths::imageURL(image.imagePath), ZorviPaths::imageURL(*image.annotatedPath),
                ZorviPaths::thumbURL(*image.thumbPath)};
    }
    static QList<QByteArray> hashesOf(const CaptureImage& image) {
        QList<QByteArray> hashes;
        for (const QString& path : filesOf(image))
            hashes << fileHash(path);
        return hashes;
    }

    // A pen stroke across the middle of the shown screenshot, by the pointer.
    static void drawStroke(QWidget* editor) {
        auto* canvas = editor->findChild<AnnotationCanvas*>("markupCanvas");
        ASSERT_NE(canvas, nullptr);
        const QRectF frame = canvas->imageFrame();
        const auto at = [&](double x, double y) {
            return canvas->mapToGlobal(QPointF(frame.left() + x * frame.width(), frame.top() + y * frame.height()))
                .toPoint();
        };
        DesktopDriver::drag(at(0.5, 0.5), at(0.8, 0.7));
    }
};

TEST_F(MarkupSaveFailure, TheEditorStaysOpenWithTheMarksSaysWhyAndTheFiledFilesAreUntouched) {
    completeOnboardingBefore();
    ASSERT_TRUE(launch());
    const CaptureImage filed = fileMarkedScreenshot();
    const QList<QByteArray> before = hashesOf(filed);
    ASSERT_FALSE(before.contains(QByteArray()));

    delegate->presentMarkupEditor(filed.id);
    const QPointer<QWidget> editor = windowNamed("markupEditor");
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(processEventsUntil([&] { return editor->isActiveWindow(); }));
    drawStroke(editor);
    auto* undo = editor->findChild<QAbstractButton*>("undo");
    ASSERT_TRUE(processEventsUntil([&] { return undo && undo->isEnabled(); })) << "the drag drew no mark";

    bool editorOpenWhenTold = false;
    MessageBoxWatch told([&] { editorOpenWhenTold = editor && editor->isVisible(); });
    {
        // Far below a screenshot's size, far above the library's small files.
        FileSizeLimit limit(64 * 1024);
        DesktopDriver::key("ctrl+Return");
        ASSERT_TRUE(processEventsUntil([&] { return told.seen(); }, 15000)) << "the failure was not said";
    }
    EXPECT_TRUE(told.text().contains("couldn't be saved")) << told.text().toStdString();
    EXPECT_TRUE(told.text().contains("Couldn't save the screenshot"))
        << "the reason, in words: " << told.text().toStdString();
    EXPECT_TRUE(editorOpenWhenTold) << "the editor closed under the failure";
    ASSERT_TRUE(editor && editor->isVisible()) << "the editor the marks were drawn in is gone";
    EXPECT_EQ(editor, windowNamed("markupEditor"));

    CaptureStore store(ZorviPaths::databaseURL());
    EXPECT_EQ(store.image(filed.id)->annotationJSON, filed.annotationJSON) << "the row took marks it has no file for";
    EXPECT_EQ(hashesOf(filed), before) << "a filed file changed";

    // Once files can be written again, the same editor saves both marks.
    ASSERT_TRUE(processEventsUntil([&] { return editor->isActiveWindow(); }));
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(processEventsUntil([&] { return store.image(filed.id)->annotation().shapes.size() == 2; }))
        << "the marks drawn before the failure were lost";
    EXPECT_TRUE(processEventsUntil([&] { return !editor || !editor->isVisible(); }));
    EXPECT_EQ(fileHash(ZorviPaths::imageURL(filed.imagePath)), before.front()) << "the original changed";
}

} // namespace
