#include "capture/CaptureError.h"
#include "capture/ImageWriter.h"
#include "store/ZorviPaths.h"
#include "support/TempDir.h"
#include "support/TestImages.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

class ImageWriterTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("ZORVI_HOME", home.path().toUtf8()); }

    // Replaces a folder of the library with a plain file so nothing can be created inside it.
    void block(const QString& folder) {
        QDir(folder).removeRecursively();
        QFile file(folder);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QStringList filesUnder(const QString& folder) {
        QStringList found;
        const QDir root(folder);
        for (const QFileInfo& info : root.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (info.isDir())
                found += filesUnder(info.filePath());
            else
                found += info.filePath();
        }
        return found;
    }

    TempDir home;
    const QDateTime may2024{QDate(2024, 5, 17), QTime(10, 30)};
};

} // namespace

TEST_F(ImageWriterTest, WritesALosslessOriginalAndA900PixelThumbnail) {
    const QImage image = TestImages::docPage();
    const ImageWriter::Written written = ImageWriter::write(image, "0f8e2c4a-1111-4222-8333-944455556666", may2024);

    EXPECT_EQ(written.relativePath, "2024/05/0f8e2c4a-1111-4222-8333-944455556666.png");
    EXPECT_EQ(written.thumbRelativePath, "2024/05/0f8e2c4a-1111-4222-8333-944455556666.jpg");
    EXPECT_EQ(written.width, 1280);
    EXPECT_EQ(written.height, 720);
    const QString original = ZorviPaths::imageFile(written.relativePath);
    EXPECT_EQ(QFileInfo(original).size(), written.byteCount);
    EXPECT_EQ(QImage(original).convertToFormat(QImage::Format_RGB32), image.convertToFormat(QImage::Format_RGB32));

    QImageReader thumb(ZorviPaths::thumbFile(*written.thumbRelativePath));
    EXPECT_EQ(thumb.format(), "jpeg");
    EXPECT_EQ(thumb.size(), QSize(900, 506));
    EXPECT_EQ(filesUnder(home.path()).size(), 2) << "no temporary files may be left behind";
}

TEST_F(ImageWriterTest, WritersOnSeveralThreadsKeepTheirImagesApart) {
    // The capture flow encodes off the UI thread; nothing may be shared between calls.
    std::vector<QImage> crops;
    for (int i = 0; i < 4; ++i)
        crops.push_back(TestImages::photo().copy(i * 20, i * 10, 200 + 37 * i, 150));
    std::vector<ImageWriter::Written> written(crops.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < crops.size(); ++i)
        threads.emplace_back([&, i] { written[i] = ImageWriter::write(crops[i], QString("thread-%1").arg(i), may2024); });
    for (std::thread& thread : threads)
        thread.join();
    for (size_t i = 0; i < crops.size(); ++i) {
        EXPECT_EQ(QImage(ZorviPaths::imageFile(written[i].relativePath)).convertToFormat(QImage::Format_RGB32),
                  crops[i].convertToFormat(QImage::Format_RGB32));
        EXPECT_TRUE(written[i].thumbRelativePath);
    }
}

TEST_F(ImageWriterTest, DownscaleNeverReachesZeroAndLeavesSmallImagesAlone) {
    EXPECT_EQ(ImageWriter::downscale(QImage(1800, 10, QImage::Format_RGB32), 900)->size(), QSize(900, 5));
    EXPECT_EQ(ImageWriter::downscale(QImage(10000, 1, QImage::Format_RGB32), 900)->size(), QSize(900, 1));
    EXPECT_EQ(ImageWriter::downscale(QImage(30, 2000, QImage::Format_RGB32), 900)->size(), QSize(13, 900));

    QImage small(900, 400, QImage::Format_RGB32);
    small.fill(Qt::darkCyan);
    EXPECT_EQ(*ImageWriter::downscale(small, 900), small);
    EXPECT_FALSE(ImageWriter::downscale(QImage(), 900));

    const ImageWriter::Written written = ImageWriter::write(small, "small", may2024);
    QImageReader thumb(ZorviPaths::thumbFile(*written.thumbRelativePath));
    EXPECT_EQ(thumb.format(), "jpeg");
    EXPECT_EQ(thumb.size(), QSize(900, 400));
}

TEST_F(ImageWriterTest, DownscaleMatchesASmoothScaleOfTheWholeImage) {
    const QImage image = TestImages::fullScreen(TestImages::photo());
    const std::optional<QImage> ours = ImageWriter::downscale(image, 900);
    ASSERT_TRUE(ours);
    ASSERT_EQ(ours->size(), QSize(900, 506));
    const QImage reference = image.scaled(900, 506, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_RGB32);
    double difference = 0;
    for (int y = 0; y < reference.height(); ++y)
        for (int x = 0; x < reference.width(); ++x) {
            const QRgb a = ours->pixel(x, y), b = reference.pixel(x, y);
            difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    // Within 1% on average over a screen of photograph edge to edge; flat screens differ far less.
    EXPECT_LT(difference / (3.0 * 900 * 506), 2.5);

    // A fine checkerboard averages to grey, not to either of its colours.
    QImage checks(1803, 3, QImage::Format_RGB32);
    for (int y = 0; y < checks.height(); ++y)
        for (int x = 0; x < checks.width(); ++x)
            checks.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const QRgb grey = ImageWriter::downscale(checks, 900)->pixel(450, 0);
    EXPECT_NEAR(qGreen(grey), 128, 2);
}

TEST_F(ImageWriterTest, TranslucentImagesThumbnailOverBlack) {
    QImage image(2000, 1000, QImage::Format_ARGB32);
    image.fill(QColor(255, 255, 255, 0));
    const std::optional<QImage> scaled = ImageWriter::downscale(image, 900);
    ASSERT_TRUE(scaled);
    EXPECT_FALSE(scaled->hasAlphaChannel());
    EXPECT_EQ(scaled->pixel(450, 225), qRgb(0, 0, 0));
}

TEST_F(ImageWriterTest, UnwritableCapturesFolderFailsWithTheUsersMessage) {
    ASSERT_TRUE(ZorviPaths::ensureDirectories());
    block(ZorviPaths::capturesRoot());
    try {
        ImageWriter::write(TestImages::photo().copy(0, 0, 50, 50), "abc", may2024);
        FAIL() << "expected a CaptureError";
    } catch (const CaptureError& error) {
        EXPECT_EQ(error.kind(), CaptureError::Kind::writeFailed);
        EXPECT_TRUE(error.description().startsWith("Couldn't save the screenshot: ")) << error.what();
    }
    EXPECT_TRUE(filesUnder(ZorviPaths::thumbsRoot()).isEmpty()) << "no thumbnail without its original";
}

TEST_F(ImageWriterTest, ThumbnailTroubleNeverLosesTheOriginal) {
    ASSERT_TRUE(ZorviPaths::ensureDirectories());
    block(ZorviPaths::thumbsRoot());
    const ImageWriter::Written written = ImageWriter::write(TestImages::photo().copy(0, 0, 64, 48), "abc", may2024);
    EXPECT_FALSE(written.thumbRelativePath);
    EXPECT_TRUE(QFileInfo(ZorviPaths::imageFile(written.relativePath)).isFile());
}

TEST_F(ImageWriterTest, BadIdsAndNullImagesWriteNothing) {
    EXPECT_THROW(ImageWriter::write(QImage(4, 4, QImage::Format_RGB32), "../escape", may2024), CaptureError);
    try {
        ImageWriter::write(QImage(), "fine-id", may2024);
        FAIL() << "expected a CaptureError";
    } catch (const CaptureError& error) {
        EXPECT_EQ(error.description(), "Couldn't save the screenshot: PNG encoding failed");
    }
    EXPECT_TRUE(filesUnder(home.path()).isEmpty());
}

TEST_F(ImageWriterTest, AtomicWritesReplaceWholeFilesOnly) {
    const QString path = home.file("a/b/file.bin");
    EXPECT_THROW(ImageWriter::writeAtomically(path, "data"), CaptureError);
    ImageWriter::ensureParentFolder(path);
    ImageWriter::writeAtomically(path, "first version");
    ImageWriter::writeAtomically(path, "second");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "second");
    EXPECT_EQ(QDir(home.file("a/b")).entryList(QDir::Files), QStringList{"file.bin"});
}

TEST(CaptureError, DescriptionsAreTheUsersSentences) {
    EXPECT_EQ(CaptureError::captureFailed("no portal").description(), "The screenshot failed: no portal");
    EXPECT_EQ(CaptureError::writeFailed("disk full").reason(), "disk full");
    EXPECT_EQ(CaptureError::noDisplay().description(), "Couldn't find the display to capture.");
    EXPECT_EQ(CaptureError::emptySelection().description(), "That selection was too small to capture.");
    EXPECT_EQ(CaptureError::permissionDenied().kind(), CaptureError::Kind::permissionDenied);
    const ZorviError& base = CaptureError::noDisplay();
    EXPECT_STREQ(base.what(), "Couldn't find the display to capture.");
}
