#include "capture/AgentImage.h"
#include "capture/CaptureError.h"
#include "capture/ImageWriter.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"
#include "support/TempDir.h"
#include "support/TestImages.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class AgentImageTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("ZORVI_HOME", home.path().toUtf8()); }

    static QImage decoded(const AgentImage::Encoded& encoded) {
        return QImage::fromData(encoded.bytes, encoded.mimeType == u"image/png" ? "PNG" : "JPEG");
    }

    static QString keptRendition(const QString& relative) {
        for (const QString& path : ZorviPaths::agentImageFiles(relative))
            if (QFileInfo::exists(path))
                return path;
        return {};
    }

    TempDir home;
    const QDateTime may2024{QDate(2024, 5, 17), QTime(10, 30)};
};

} // namespace

TEST_F(AgentImageTest, LargeScreenshotsAreSentFromTheRenditionWrittenWithThem) {
    for (const QImage& crop : {TestImages::docPage(), TestImages::photo()}) {
        const QImage screen = TestImages::fullScreen(crop);
        const ImageWriter::Written written = ImageWriter::write(screen, "screen-1", may2024);
        const QString rendition = keptRendition(written.relativePath);
        ASSERT_FALSE(rendition.isEmpty()) << "written with the original";

        const std::optional<AgentImage::Encoded> sent = AgentImage::load(written.relativePath);
        ASSERT_TRUE(sent);
        EXPECT_EQ(sent->original, QSize(3840, 2160));
        EXPECT_EQ(sent->size, QSize(1568, 882));
        EXPECT_LE(sent->bytes.size(), 1024 * 1024);
        QFile file(rendition);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(sent->bytes, file.readAll()) << "read from the kept file";
        const QImage pixels = decoded(*sent);
        ASSERT_EQ(pixels.size(), QSize(1568, 882));
        // Scaled from this screenshot, not some other: a corner of flat page colour matches.
        EXPECT_LE(std::abs(qGreen(pixels.pixel(2, 2)) - qGreen(screen.pixel(5, 5))), 8);
    }
}

TEST_F(AgentImageTest, AMissingOrStaleRenditionIsMadeAgainAndKept) {
    const ImageWriter::Written written = ImageWriter::write(TestImages::fullScreen(TestImages::docPage()), "a", may2024);
    const QString rendition = keptRendition(written.relativePath);
    ASSERT_TRUE(QFile::remove(rendition));

    const std::optional<AgentImage::Encoded> remade = AgentImage::load(written.relativePath);
    ASSERT_TRUE(remade);
    EXPECT_EQ(remade->size, QSize(1568, 882));
    EXPECT_FALSE(keptRendition(written.relativePath).isEmpty());

    // The original replaced after its rendition was made (a download, a
    // restore): the old rendition must not be sent for it.
    const QString original = ZorviPaths::imageFile(written.relativePath);
    ImageWriter::writeAtomically(original, *ImageWriter::encode(TestImages::fullScreen(TestImages::darkApiDocs()),
                                                                ImageWriter::Type::png, 1));
    QFile stale(keptRendition(written.relativePath));
    ASSERT_TRUE(stale.open(QIODevice::ReadWrite));
    ASSERT_TRUE(stale.setFileTime(QFileInfo(original).lastModified().addSecs(-60), QFileDevice::FileModificationTime));
    stale.close();
    const std::optional<AgentImage::Encoded> fresh = AgentImage::load(written.relativePath);
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh->bytes, remade->bytes);
    EXPECT_GT(qGreen(decoded(*remade).pixel(2, 2)), 200);
    EXPECT_LT(qGreen(decoded(*fresh).pixel(2, 2)), 128) << "the dark page now";
}

TEST_F(AgentImageTest, SmallScreenshotsGoAsStoredWithNoRendition) {
    const ImageWriter::Written written = ImageWriter::write(TestImages::docPage(), "small", may2024);
    EXPECT_TRUE(keptRendition(written.relativePath).isEmpty());
    const std::optional<AgentImage::Encoded> sent = AgentImage::load(written.relativePath);
    ASSERT_TRUE(sent);
    QFile file(ZorviPaths::imageFile(written.relativePath));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(sent->bytes, file.readAll());
    EXPECT_EQ(sent->mimeType, "image/png");
    EXPECT_EQ(sent->size, QSize(1280, 720));
}

TEST_F(AgentImageTest, RenditionsGoWithTheirImageAndNeverLeaveTheLibrary) {
    const ImageWriter::Written written = ImageWriter::write(TestImages::fullScreen(TestImages::photo()), "gone", may2024);
    ASSERT_FALSE(keptRendition(written.relativePath).isEmpty());
    CaptureImage image;
    image.imagePath = written.relativePath;
    image.thumbPath = written.thumbRelativePath;
    CaptureStore::removeImageFiles(image);
    EXPECT_TRUE(keptRendition(written.relativePath).isEmpty());

    EXPECT_FALSE(AgentImage::load(written.relativePath)) << "the original is gone too";
    EXPECT_FALSE(AgentImage::load("../outside.png"));
    EXPECT_THROW(AgentImage::write(TestImages::fullScreen(TestImages::photo()), "../outside.png"), CaptureError);
    EXPECT_FALSE(QFileInfo::exists(home.file("outside.png")));
}
