#include "capture/PendingCapture.h"
#include "common/Identifiers.h"
#include "store/ZorviPaths.h"
#include "support/TempDir.h"
#include "support/TestImages.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class PendingCaptureTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("ZORVI_HOME", home.path().toUtf8()); }

    // A screenshot already written to the library, as the capture flow leaves it.
    static PendingImage writtenScreenshot(int width, int height) {
        PendingImage pending;
        pending.id = Identifiers::make();
        pending.image = TestImages::docPage().copy(0, 0, width, height);
        pending.written = ImageWriter::write(pending.image, pending.id, QDateTime::currentDateTime());
        return pending;
    }

    static PendingCapture withImages(int count) {
        PendingCapture pending;
        pending.id = "c0ffee00-0000-4000-8000-000000000001";
        pending.mode = CaptureMode::fullscreen;
        pending.capturedAt = QDateTime(QDate(2024, 2, 3), QTime(4, 5), Qt::UTC);
        pending.context.appName = "Firefox";
        pending.context.appBundleID = "firefox";
        pending.context.windowTitle = "Docs";
        pending.context.url = "https://example.org/";
        pending.context.displayName = "DP-1";
        pending.context.displayScale = 2;
        for (int i = 0; i < count; ++i)
            pending.images.append(writtenScreenshot(200 + 10 * i, 100));
        return pending;
    }

    TempDir home;
    const QDateTime now{QDate(2024, 2, 3), QTime(4, 6), Qt::UTC};
};

} // namespace

TEST_F(PendingCaptureTest, ATextOnlyCaptureBuildsACaptureWithoutImages) {
    CaptureContext context;
    context.appName = "Terminal";
    const PendingCapture pending = PendingCapture::textOnly(context);
    EXPECT_EQ(pending.mode, CaptureMode::text);
    EXPECT_EQ(pending.draft, ComposeDraft{});

    const PendingCapture::Records records = pending.records("Crash on start", CapturePriority::high, "group-1", now);
    EXPECT_TRUE(records.images.empty());
    EXPECT_EQ(records.capture.id, pending.id);
    EXPECT_EQ(records.capture.imagePath, "");
    EXPECT_FALSE(records.capture.thumbPath);
    EXPECT_EQ(records.capture.imageWidth + records.capture.imageHeight + records.capture.imageBytes, 0);
    EXPECT_EQ(records.capture.appName, "Terminal");
    EXPECT_EQ(records.capture.captureMode, CaptureMode::text);
    EXPECT_EQ(records.capture.priority, CapturePriority::high);
    EXPECT_EQ(records.capture.groupID, "group-1");
    EXPECT_EQ(records.capture.status, CaptureStatus::open);
    EXPECT_EQ(records.capture.syncState, SyncState::local);
}

TEST_F(PendingCaptureTest, ImagesBecomeOrderedRecordsAndTheCoverPrefersTheMarkedCopy) {
    PendingCapture pending = withImages(3);
    pending.images[0].annotatedPath = "2024/02/first-marked.png";
    pending.images[1].annotation.shapes = {
        AnnotationShape{"s", AnnotationTool::arrow, "#FF3B30", 0.005, {{0.1, 0.1}, {0.5, 0.5}}}};

    const PendingCapture::Records records = pending.records("Note", CapturePriority::normal, std::nullopt, now);
    const Capture& capture = records.capture;
    EXPECT_EQ(capture.createdAt, pending.capturedAt);
    EXPECT_EQ(capture.updatedAt, now);
    EXPECT_EQ(capture.imagePath, "2024/02/first-marked.png");
    EXPECT_EQ(capture.thumbPath, pending.images[0].written.thumbRelativePath);
    EXPECT_EQ(capture.imageWidth, 200);
    EXPECT_EQ(capture.imageBytes, pending.images[0].written.byteCount);
    EXPECT_EQ(capture.windowTitle, "Docs");
    EXPECT_EQ(capture.url, "https://example.org/");
    EXPECT_EQ(capture.displayScale, 2);

    ASSERT_EQ(records.images.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const CaptureImage& image = records.images[i];
        EXPECT_EQ(image.id, pending.images[i].id);
        EXPECT_EQ(image.captureID, pending.id);
        EXPECT_EQ(image.position, i);
        EXPECT_EQ(image.imagePath, pending.images[i].written.relativePath);
        EXPECT_EQ(image.width, 200 + 10 * i);
        EXPECT_EQ(image.createdAt, now);
    }
    EXPECT_EQ(records.images[0].annotatedPath, "2024/02/first-marked.png");
    EXPECT_FALSE(records.images[0].annotationJSON);
    EXPECT_EQ(records.images[1].annotation(), pending.images[1].annotation);
    EXPECT_TRUE(records.images[1].hasAnnotations());
    EXPECT_FALSE(records.images[2].annotationJSON);
}

TEST_F(PendingCaptureTest, DiscardingDeletesEveryWrittenFileAndToleratesMissingOnes) {
    PendingCapture pending = withImages(2);
    const QString marked = ZorviPaths::markedRelativePath(pending.images[1].written.relativePath);
    pending.images[1].annotatedPath = marked;
    QFile markedFile(ZorviPaths::imageURL(marked));
    ASSERT_TRUE(markedFile.open(QIODevice::WriteOnly));
    markedFile.close();
    QFile::remove(ZorviPaths::thumbURL(*pending.images[0].written.thumbRelativePath));

    pending.discardFiles();
    for (const PendingImage& image : pending.images) {
        EXPECT_FALSE(QFileInfo::exists(ZorviPaths::imageURL(image.written.relativePath)));
        EXPECT_FALSE(QFileInfo::exists(ZorviPaths::thumbURL(*image.written.thumbRelativePath)));
    }
    EXPECT_FALSE(QFileInfo::exists(ZorviPaths::imageURL(marked)));
}
