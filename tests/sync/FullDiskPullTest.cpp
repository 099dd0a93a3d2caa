// A pull that meets a full disk: the person is told why, no half-written file
// is taken for a pulled screenshot, what was filed before stays as it was,
// and the pull finishes once there is room again.
#include "EngineFixture.h"
#include "ScreenshotFile.h"
#include "Teammate.h"

#include "support/SmallFilesystem.h"
#include "support/TestImages.h"

#include "capture/ImageWriter.h"
#include "store/Database.h"
#include "sync/ContentHash.h"

#include <QFile>

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FullDiskPull : public EngineFixture {
protected:
    // Alice files a capture with a screenshot and its thumbnail on her computer.
    QString aliceFilesAScreenshot(const QImage& picture, const QByteArray& png, const QByteArray& jpeg) {
        Teammate alice(server, ServiceAccounts::alice);
        alice.client.ensureUploaded(alice.workspace, png, ContentHash::sha256(png), "image/png");
        alice.client.ensureUploaded(alice.workspace, jpeg, ContentHash::sha256(jpeg), "image/jpeg");
        const QString captureID = Identifiers::make();
        const QString imageID = Identifiers::make();
        alice.push({alice.capture(captureID, "The legend covers the last bar"),
                    Teammate::row("capture_images", imageID,
                                  {{"capture_id", captureID},
                                   {"position", 0},
                                   {"original_sha256", ContentHash::sha256(png)},
                                   {"thumb_sha256", ContentHash::sha256(jpeg)},
                                   {"width", picture.width()},
                                   {"height", picture.height()},
                                   {"bytes", png.size()},
                                   {"created_at", Wire::stamp(QDateTime::currentDateTimeUtc())}})});
        return imageID;
    }
};

TEST_F(FullDiskPull, APulledScreenshotThatFindsNoRoomIsSaidAndArrivesWholeOnceThereIsRoom) {
    SmallFilesystem disk(ZorviPaths::capturesRoot());
    if (!disk.mounted())
        GTEST_SKIP() << "this machine can't mount a small filesystem";
    signInAsBob();
    const Capture mine = newSharedCapture("Bob's own, filed before the disk filled");
    const CaptureImage myImage = addScreenshotFile(*store, mine.id, *ImageWriter::encode(TestImages::docPage(),
                                                                                          ImageWriter::Type::png, 1));
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    const QByteArray myBytes = bytesOf(ZorviPaths::imageFile(myImage.imagePath));

    // Small files, which a write can buffer and seem to have written.
    const QImage picture = TestImages::photo().copy(0, 0, 64, 48);
    const QByteArray png = *ImageWriter::encode(picture, ImageWriter::Type::png, 1);
    const QByteArray jpeg = *ImageWriter::thumbnailData(picture);
    ASSERT_TRUE(disk.fill());
    const QString imageID = aliceFilesAScreenshot(picture, png, jpeg);

    const SyncStatus full = runOnce();
    EXPECT_EQ(full.kind, SyncStatus::Kind::failed) << "a screenshot that could not be saved went unsaid";
    EXPECT_TRUE(full.message.contains("Couldn't save the screenshot")) << full.message.toStdString();
    std::optional<CaptureImage> pulled = store->imageIncludingDeleted(imageID);
    ASSERT_TRUE(pulled.has_value()) << "the pulled rows wait for nothing";
    EXPECT_EQ(store->capture(pulled->captureID)->note, "The legend covers the last bar");
    EXPECT_TRUE(pulled->imagePath.isEmpty()) << "a file that could not be written was taken for the screenshot";
    EXPECT_TRUE(bytesOf(ZorviPaths::imageFile(myImage.imagePath)) == myBytes) << "a filed screenshot changed";
    EXPECT_EQ(Database(ZorviPaths::databaseFile()).query("PRAGMA integrity_check;").front().string("integrity_check"),
              "ok");

    ASSERT_TRUE(disk.freeSpace());
    EXPECT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    pulled = store->imageIncludingDeleted(imageID);
    ASSERT_FALSE(pulled->imagePath.isEmpty()) << "the pull did not finish once there was room";
    EXPECT_EQ(ContentHash::sha256(bytesOf(ZorviPaths::imageFile(pulled->imagePath))), ContentHash::sha256(png));
    ASSERT_TRUE(pulled->thumbPath.has_value());
    EXPECT_EQ(ContentHash::sha256(bytesOf(ZorviPaths::thumbFile(*pulled->thumbPath))), ContentHash::sha256(jpeg));
}

} // namespace
