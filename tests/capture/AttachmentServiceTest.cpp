#include "capture/AttachmentService.h"

#include "capture/CaptureError.h"
#include "capture/ImageWriter.h"
#include "store/StoreFixture.h"
#include "support/TestImages.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

class AttachmentServiceTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        // A shared capture, so the store records which fields await a push.
        Capture capture = newCapture("Marked bug");
        capture.workspaceID = "workspace-1";
        store->insert(capture);
        image = newImage(capture.id, 0);
        const ImageWriter::Written written = ImageWriter::write(TestImages::darkApiDocs(), image.id, image.createdAt);
        image.imagePath = written.relativePath;
        image.thumbPath = written.thumbRelativePath;
        image.width = written.width;
        image.height = written.height;
        image.bytes = written.byteCount;
        image = store->addImage(image);
        sql().execute("UPDATE capture_images SET dirty = 0, pending = NULL WHERE id = ?;", {image.id});
        originalHash = sha256(ZorviPaths::imageFile(image.imagePath));
    }

    static QByteArray sha256(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    static Annotation marks() {
        return Annotation{{AnnotationShape{"a", AnnotationTool::arrow, "#FFCC00", 0.005, {{0.1, 0.1}, {0.6, 0.5}}},
                           AnnotationShape{"b", AnnotationTool::blur, "#000000", 0.005, {{0.2, 0.6}, {0.5, 0.9}}}}};
    }

    QStringList pendingFields() {
        const std::optional<QString> pending = column("capture_images", "pending", image.id);
        return pending ? QJsonDocument::fromJson(pending->toUtf8()).object().keys() : QStringList{};
    }

    CaptureImage image;
    QByteArray originalHash;
    QStringList evicted;
    AttachmentService service{[this](const QString& path) { evicted.append(path); }};
};

} // namespace

TEST_F(AttachmentServiceTest, SavingMarksWritesAMarkedCopyAndLeavesTheOriginalAlone) {
    service.saveAnnotation(marks(), image, *store);

    EXPECT_EQ(sha256(ZorviPaths::imageFile(image.imagePath)), originalHash);
    const std::optional<CaptureImage> saved = store->image(image.id);
    ASSERT_TRUE(saved);
    const QString markedRelative = image.imagePath.chopped(4) + "-marked.png";
    EXPECT_EQ(saved->annotatedPath, markedRelative);
    EXPECT_EQ(saved->annotation(), marks());
    const QString markedPath = ZorviPaths::imageFile(markedRelative);
    EXPECT_EQ(saved->bytes, QFileInfo(markedPath).size());
    EXPECT_TRUE(saved->dirty);
    // The marked copy's size goes too, so every computer shows the same size for it.
    EXPECT_EQ(pendingFields(), (QStringList{"annotation_json", "bytes", "marked_sha256", "thumb_sha256"}));

    const QImage marked(markedPath);
    ASSERT_EQ(marked.size(), QSize(960, 540));
    EXPECT_EQ(marked.pixel(0, 0), QImage(ZorviPaths::imageFile(image.imagePath)).pixel(0, 0));
    EXPECT_NE(marked, QImage(ZorviPaths::imageFile(image.imagePath)).convertToFormat(marked.format()));
    ASSERT_TRUE(saved->thumbPath);
    EXPECT_EQ(QImageReader(ZorviPaths::thumbFile(*saved->thumbPath)).size(), QSize(900, 506));
    EXPECT_TRUE(evicted.contains(markedPath));

    // Saving again replaces the same marked file.
    service.saveAnnotation(Annotation{{marks().shapes[0]}}, *saved, *store);
    EXPECT_EQ(store->image(image.id)->annotatedPath, markedRelative);
    EXPECT_EQ(QDir(QFileInfo(markedPath).path()).entryList({"*-marked.png"}).size(), 1);
}

TEST_F(AttachmentServiceTest, ClearingMarksDeletesTheMarkedCopyAndBothColumns) {
    service.saveAnnotation(marks(), image, *store);
    const CaptureImage marked = *store->image(image.id);
    const QString markedPath = ZorviPaths::imageFile(*marked.annotatedPath);
    ASSERT_TRUE(QFileInfo::exists(markedPath));
    evicted.clear();

    service.saveAnnotation(Annotation{}, marked, *store);
    const CaptureImage cleared = *store->image(image.id);
    EXPECT_FALSE(QFileInfo::exists(markedPath));
    EXPECT_FALSE(cleared.annotatedPath);
    EXPECT_FALSE(cleared.annotationJSON);
    EXPECT_FALSE(column("capture_images", "annotation_json", image.id));
    EXPECT_EQ(cleared.bytes, marked.bytes);
    EXPECT_TRUE(cleared.thumbPath);
    EXPECT_TRUE(evicted.contains(markedPath));
    EXPECT_EQ(sha256(ZorviPaths::imageFile(image.imagePath)), originalHash);
}

TEST_F(AttachmentServiceTest, AMissingOriginalFailsAndLeavesTheRowUnchanged) {
    QFile::remove(ZorviPaths::imageFile(image.imagePath));
    const CaptureImage before = *store->image(image.id);
    try {
        service.saveAnnotation(marks(), image, *store);
        FAIL() << "expected a CaptureError";
    } catch (const CaptureError& error) {
        EXPECT_EQ(error.description(), "Couldn't save the screenshot: the original screenshot is missing");
    }
    EXPECT_EQ(*store->image(image.id), before);
    EXPECT_FALSE(store->image(image.id)->dirty);
}

TEST_F(AttachmentServiceTest, PathsFromElsewhereCannotLeaveTheLibrary) {
    const QString outside = home.file("outside.png");
    QImage(40, 40, QImage::Format_RGB32).save(outside);

    CaptureImage hostile = image;
    hostile.imagePath = "../outside.png";
    EXPECT_THROW(service.renderAnnotation(marks(), hostile), CaptureError);

    hostile = image;
    hostile.annotatedPath = "../outside.png";
    service.saveAnnotation(Annotation{}, hostile, *store);
    EXPECT_TRUE(QFileInfo::exists(outside));
}

TEST_F(AttachmentServiceTest, OriginalsOfOtherTypesGetAPngMarkedCopy) {
    const QString jpegRelative = "a/b.jpeg";
    ImageWriter::ensureParentFolder(ZorviPaths::imageFile(jpegRelative));
    ASSERT_TRUE(QImage(ZorviPaths::imageFile(image.imagePath)).save(ZorviPaths::imageFile(jpegRelative)));
    CaptureImage jpeg = image;
    jpeg.imagePath = jpegRelative;
    const AttachmentService::RenderedAnnotation rendered = service.renderAnnotation(marks(), jpeg);
    EXPECT_EQ(rendered.annotatedPath, "a/b-marked.png");
    EXPECT_EQ(QImageReader(ZorviPaths::imageFile(rendered.annotatedPath)).format(), "png");
}

namespace {

double distanceToSegment(const AnnotationPoint& p, const AnnotationPoint& a, const AnnotationPoint& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    const double t = lengthSquared == 0 ? 0 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

} // namespace

// A long scribble stores every point the pointer passed: thousands of them
// made marks no shared library could sync.
TEST_F(AttachmentServiceTest, ALongPenStrokeIsSimplifiedUntilTheMarksFitASharedLibrary) {
    AnnotationShape scribble{"s", AnnotationTool::pen, "#FF3B30", 0.005, {}};
    for (int i = 0; i < 4000; ++i)
        scribble.points.append({0.05 + 0.9 * i / 4000.0, 0.5 + 0.2 * std::sin(i / 60.0) + ((i * 7919) % 13) * 1e-5});
    const Annotation drawn{{scribble, marks().shapes[0]}};
    ASSERT_GT(drawn.encoded()->size(), 65536);

    service.saveAnnotation(drawn, image, *store);
    const CaptureImage saved = *store->image(image.id);
    ASSERT_TRUE(saved.annotationJSON);
    EXPECT_LE(saved.annotationJSON->size(), 65536);
    const Annotation kept = saved.annotation();
    ASSERT_EQ(kept.shapes.size(), 2u);
    EXPECT_EQ(kept.shapes[1], marks().shapes[0]);
    const QList<AnnotationPoint>& line = kept.shapes[0].points;
    EXPECT_EQ(line.front(), scribble.points.front());
    EXPECT_EQ(line.back(), scribble.points.back());
    // Still the same line to the eye: no point drawn strays from it by more
    // than a small fraction of the image.
    for (const AnnotationPoint& p : scribble.points) {
        double nearest = 1;
        for (qsizetype i = 1; i < line.size(); ++i)
            nearest = std::min(nearest, distanceToSegment(p, line[i - 1], line[i]));
        ASSERT_LT(nearest, 0.003);
    }
}
