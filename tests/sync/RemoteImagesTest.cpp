#include "SyncFixture.h"

namespace {

using RemoteImages = SyncFixture;

TEST_F(RemoteImages, NewImageWaitsForDownloadUntilItsFilesArrive) {
    const Capture c = syncedCapture();
    QJsonObject row = json(R"({"id": "i-1", "original_sha256": "aa", "thumb_sha256": "tt", "width": 800,
        "annotation_json": {"shapes": []}, "version": 2})");
    row.insert("capture_id", c.id);
    // An image of a capture we do not have cannot land; the cycle logs it and goes on.
    EXPECT_THROW(remote().applyRemoteImage(json(R"({"id": "i-0", "capture_id": "nowhere"})")), DatabaseError);
    EXPECT_FALSE(store->imageIncludingDeleted("i-0"));
    remote().applyRemoteImage(row);

    const CaptureImage image = *store->imageIncludingDeleted("i-1");
    EXPECT_TRUE(image.isAwaitingDownload());
    EXPECT_EQ(image.annotationJSON, R"({"shapes":[]})");
    EXPECT_EQ(image.syncState, SyncState::synced);
    auto awaiting = ledger().imagesAwaitingDownload(10);
    ASSERT_EQ(awaiting.size(), 1u);
    EXPECT_EQ(awaiting.front().image.id, "i-1");
    EXPECT_EQ(awaiting.front().workspaceID, workspace);

    sql().execute("UPDATE capture_images SET image_path = 'a.png', thumb_path = 't.jpg' WHERE id = 'i-1';");
    EXPECT_TRUE(ledger().imagesAwaitingDownload(10).empty());

    // A new marked copy on the service clears the local one so it is fetched again.
    row.insert("marked_sha256", "mm");
    remote().applyRemoteImage(row);
    EXPECT_FALSE(store->imageIncludingDeleted("i-1")->annotatedPath);
    EXPECT_EQ(ledger().imagesAwaitingDownload(10).size(), 1u);
    // Moved here before the marked copy arrives: the copy is still to come.
    CaptureImage moved = *store->imageIncludingDeleted("i-1");
    moved.position = 3;
    store->updateImage(moved);
    EXPECT_EQ(store->imageIncludingDeleted("i-1")->markedSHA256, "mm");
    EXPECT_EQ(ledger().imagesAwaitingDownload(10).size(), 1u);
    sql().execute("UPDATE capture_images SET annotated_path = 'a-marked.png' WHERE id = 'i-1';");
    EXPECT_TRUE(ledger().imagesAwaitingDownload(10).empty());
    remote().applyRemoteImage(row); // same hashes: the downloaded files stay
    EXPECT_EQ(store->imageIncludingDeleted("i-1")->annotatedPath, "a-marked.png");
    EXPECT_EQ(store->imageIncludingDeleted("i-1")->thumbPath, "t.jpg");
    EXPECT_EQ(store->capture(c.id)->imagePath, "a-marked.png") << "the cover follows the image";
}

TEST_F(RemoteImages, LocalMarkupAndDeletionWinUntilPushed) {
    const Capture c = syncedCapture();
    CaptureImage image = store->addImage(newImage(c.id));
    ledger().markSynced("capture_images", image.id, 1);
    image = *store->imageIncludingDeleted(image.id);
    image.annotationJSON = R"({"mine":1})";
    store->updateImage(image);

    QJsonObject row{{"id", image.id}, {"capture_id", c.id}, {"annotation_json", R"({"theirs":1})"},
                    {"width", 4000}, {"version", 2}};
    remote().applyRemoteImage(row);
    const CaptureImage merged = *store->imageIncludingDeleted(image.id);
    EXPECT_EQ(merged.annotationJSON, R"({"mine":1})");
    EXPECT_EQ(merged.width, 4000);
    EXPECT_EQ(merged.syncState, SyncState::pendingPush);

    store->deleteImage(image.id);
    remote().applyRemoteImage(row);
    EXPECT_TRUE(store->imageIncludingDeleted(image.id)->deletedAt.has_value());
    EXPECT_EQ(store->imageIncludingDeleted(image.id)->width, 4000);

    row.insert("deleted_at", 1714566896);
    remote().applyRemoteImage(row);
    EXPECT_FALSE(store->imageIncludingDeleted(image.id)) << "the service confirmed the deletion";
}

} // namespace
