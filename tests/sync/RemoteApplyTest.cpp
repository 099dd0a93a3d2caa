#include "SyncFixture.h"

#include <QFileInfo>

namespace {

using RemoteCaptures = SyncFixture;
using RemoteSafety = SyncFixture;

// A row of a capture in the fixture's workspace, as the service sends it.
QJsonObject captureRow(const QString& id, QJsonObject fields) {
    fields.insert("id", id);
    if (!fields.contains("workspace_id"))
        fields.insert("workspace_id", "ws-1");
    return fields;
}

TEST_F(RemoteCaptures, NewRowIsStoredSyncedWithNormalisedTags) {
    remote().applyRemoteCapture(json(R"({
        "id": "c-new", "workspace_id": "ws-1", "note": "From the team", "status": "in_progress",
        "priority": "high", "display_scale": "2.5", "capture_mode": "fullscreen", "version": "12",
        "claimed_label": "agent", "claimed_at": "2024-05-01T12:34:56.789Z", "author_id": "u-9",
        "created_at": 1714566896000, "tags": [" UI", "ui", "Layout", 7]})"));

    const Capture c = *store->capture("c-new");
    EXPECT_EQ(c.note, "From the team");
    EXPECT_EQ(c.status, CaptureStatus::inProgress);
    EXPECT_EQ(c.priority, CapturePriority::high);
    EXPECT_EQ(c.context.displayScale, 2.5);
    EXPECT_EQ(c.captureMode, CaptureMode::fullscreen);
    EXPECT_EQ(c.version, 12);
    EXPECT_EQ(c.claimedBy, "agent");
    EXPECT_EQ(c.claimedAt, QDateTime(QDate(2024, 5, 1), QTime(12, 34, 56, 789), Qt::UTC));
    EXPECT_EQ(c.createdAt, QDateTime::fromSecsSinceEpoch(1714566896, Qt::UTC));
    EXPECT_EQ(c.authorID, "u-9");
    EXPECT_EQ(c.syncState, SyncState::synced);
    EXPECT_FALSE(c.dirty);
    EXPECT_TRUE(c.imagePath.isEmpty());
    EXPECT_EQ(store->tags(c.id), (QStringList{"layout", "ui"}));

    // Missing keys take the record defaults rather than failing the row.
    remote().applyRemoteCapture(json(R"({"id": "c-bare"})"));
    const Capture bare = *store->capture("c-bare");
    EXPECT_EQ(bare.note, "");
    EXPECT_EQ(bare.status, CaptureStatus::open);
    EXPECT_EQ(bare.captureMode, CaptureMode::region);
}

TEST_F(RemoteCaptures, ARowWhoseTagsFailLeavesNothingHalfApplied) {
    const Capture known = syncedCapture("before", 3);
    store->setTags({"old"}, known.id);
    ledger().markSynced("captures", known.id, 3);
    // Fails after the capture row is written, while its tags are.
    sql().executeRaw("CREATE TRIGGER refuse AFTER INSERT ON capture_tags BEGIN SELECT RAISE(ABORT, 'refused'); END;");

    EXPECT_THROW(remote().applyRemoteCapture(captureRow("c-new", json(R"({"note": "new", "tags": ["ui"]})"))),
                 DatabaseError);
    EXPECT_THROW(remote().applyRemoteCapture(captureRow(known.id, json(R"({"note": "after", "version": 4,
        "tags": ["ui"]})"))), DatabaseError);

    EXPECT_FALSE(store->captureIncludingDeleted("c-new").has_value());
    const Capture unchanged = *store->capture(known.id);
    EXPECT_EQ(unchanged.note, "before");
    EXPECT_EQ(unchanged.version, 3);
    EXPECT_EQ(store->tags(known.id), QStringList{"old"});

    // The connection is left outside any transaction: the next row commits.
    sql().executeRaw("DROP TRIGGER refuse;");
    remote().applyRemoteCapture(captureRow("c-new", json(R"({"note": "new", "tags": ["ui"]})")));
    EXPECT_EQ(store->tags("c-new"), QStringList{"ui"});
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM captures WHERE id = 'c-new';"), 1);
}

TEST_F(RemoteCaptures, PendingLocalFieldSurvivesARemoteRow) {
    const Capture c = syncedCapture("local words", 3);
    Capture edited = c;
    edited.note = "my unpushed note";
    store->update(edited);

    remote().applyRemoteCapture(captureRow(c.id, json(R"({"note": "their note", "status": "resolved",
        "version": 4})")));

    const Capture merged = *store->capture(c.id);
    EXPECT_EQ(merged.note, "my unpushed note");
    EXPECT_EQ(merged.status, CaptureStatus::resolved);
    EXPECT_EQ(merged.version, 4) << "the next push is based on what the service has now";
    EXPECT_EQ(merged.syncState, SyncState::pendingPush);
    EXPECT_EQ(pendingFields("captures", c.id), QSet<QString>{"note"});
}

// The board edits the capture as it last showed it; a row that arrived since
// must neither be reverted nor pushed back as this computer's edit.
TEST_F(RemoteCaptures, AnEditOfAnOlderCopyKeepsWhatArrivedSince) {
    const Capture shown = syncedCapture("before", 3);
    remote().applyRemoteCapture(captureRow(shown.id, json(R"({"note": "their note", "status": "resolved",
        "version": 4})")));

    Capture edited = shown;
    edited.priority = CapturePriority::high;
    store->update(edited, shown);

    const Capture merged = *store->capture(shown.id);
    EXPECT_EQ(merged.note, "their note");
    EXPECT_EQ(merged.status, CaptureStatus::resolved);
    EXPECT_EQ(merged.priority, CapturePriority::high);
    EXPECT_EQ(pendingFields("captures", shown.id), QSet<QString>{"priority"});
}

TEST_F(RemoteCaptures, ClaimLabelIsProtectedUnderItsWireName) {
    const Capture c = syncedCapture();
    store->claim(c.id, "my-agent");
    remote().applyRemoteCapture(captureRow(c.id, json(R"({"claimed_label": "their-agent", "status": "open"})")));
    const Capture merged = *store->capture(c.id);
    EXPECT_EQ(merged.claimedBy, "my-agent");
    EXPECT_EQ(merged.status, CaptureStatus::inProgress);
}

TEST_F(RemoteCaptures, RowWithNothingPendingBecomesSynced) {
    const Capture c = syncedCapture();
    remote().applyRemoteCapture(captureRow(c.id, json(R"({"note": "theirs", "version": 9})")));
    const Capture merged = *store->capture(c.id);
    EXPECT_EQ(merged.note, "theirs");
    EXPECT_EQ(merged.syncState, SyncState::synced);
    EXPECT_FALSE(column("captures", "pending", c.id));
}

TEST_F(RemoteCaptures, PendingDeletionIsNeverResurrected) {
    const Capture c = syncedCapture("gone soon");
    store->softDelete(c.id);
    remote().applyRemoteCapture(captureRow(c.id, json(R"({"note": "edited elsewhere", "version": 8})")));

    const Capture still = *store->captureIncludingDeleted(c.id);
    EXPECT_TRUE(still.deletedAt.has_value());
    EXPECT_EQ(still.note, "gone soon");
    EXPECT_EQ(still.version, 3);
    EXPECT_FALSE(store->capture(c.id));
}

TEST_F(RemoteCaptures, WholeRowAndDeletionMarksSurviveLaterMerges) {
    // "*" stays through a remote row and a later local edit, so every field still goes.
    Capture fresh = newCapture();
    fresh.workspaceID = workspace;
    store->insert(fresh);
    remote().applyRemoteCapture(captureRow(fresh.id, json(R"({"status": "resolved"})")));
    Capture edited = *store->captureIncludingDeleted(fresh.id);
    edited.note = "more";
    store->update(edited);
    EXPECT_EQ(pendingFields("captures", fresh.id), (QSet<QString>{"*", "note"}));
    EXPECT_EQ(ledger().captureChange(pendingOf("captures", fresh.id))->value("patch").toObject().size(), 21);

    // "delete" stays through a later edit and a remote row, so the deletion still goes.
    const Capture doomed = syncedCapture();
    store->softDelete(doomed.id);
    Capture afterDelete = *store->captureIncludingDeleted(doomed.id);
    afterDelete.priority = CapturePriority::low;
    store->update(afterDelete);
    remote().applyRemoteCapture(captureRow(doomed.id, json(R"({"note": "x"})")));
    EXPECT_EQ(pendingFields("captures", doomed.id), (QSet<QString>{"delete", "priority"}));
    EXPECT_TRUE(ledger().captureChange(pendingOf("captures", doomed.id))->value("delete").toBool());
}

TEST_F(RemoteCaptures, TagsAreReplacedOnlyWhenNotPending) {
    const Capture c = syncedCapture();
    remote().applyRemoteCapture(captureRow(c.id, json(R"({"tags": ["Remote"]})")));
    EXPECT_EQ(store->tags(c.id), QStringList{"remote"});

    remote().applyRemoteCapture(captureRow(c.id, json(R"({"note": "no tags key"})")));
    EXPECT_EQ(store->tags(c.id), QStringList{"remote"}) << "a row without tags leaves them";

    store->setTags({"mine"}, c.id);
    remote().applyRemoteCapture(captureRow(c.id, json(R"({"tags": ["theirs"]})")));
    EXPECT_EQ(store->tags(c.id), QStringList{"mine"});
}

TEST_F(RemoteCaptures, RemoteDeletionDropsRowFilesAndEverythingAttached) {
    const Capture c = syncedCapture();
    const CaptureImage image = store->addImage(newImage(c.id));
    touchFiles(image);
    store->setTags({"bug"}, c.id);
    store->addComment(newComment(c.id));

    remote().applyRemoteCapture(captureRow(c.id, json(R"({"deleted_at": "2024-05-01T00:00:00Z"})")));
    EXPECT_FALSE(store->captureIncludingDeleted(c.id));
    EXPECT_FALSE(store->imageIncludingDeleted(image.id));
    EXPECT_FALSE(QFileInfo::exists(ZorviPaths::imageFile(image.imagePath)));
    EXPECT_FALSE(QFileInfo::exists(ZorviPaths::thumbFile(*image.thumbPath)));
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM comments;"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM capture_tags;"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM activity;"), 0);
}

TEST_F(RemoteCaptures, GroupsFollowTheSameRules) {
    remote().applyRemoteGroup(json(R"({"id": "g-1", "workspace_id": "ws-1", "name": "Web", "visibility": "workspace",
                                     "version": 2, "created_by": "u-2"})"));
    CaptureGroup g = *store->group("g-1");
    EXPECT_EQ(g.name, "Web");
    EXPECT_EQ(g.colorHex, "#6E7BF2");
    EXPECT_EQ(g.visibility, GroupVisibility::workspace);
    EXPECT_EQ(g.syncState, SyncState::synced);
    EXPECT_EQ(g.createdBy, "u-2");

    g.name = "Web app";
    store->upsertGroup(g); // pending: name, colour, archive time
    remote().applyRemoteGroup(json(R"({"id": "g-1", "workspace_id": "ws-1", "name": "Website",
                                     "color_hex": "#112233", "version": 3})"));
    const CaptureGroup merged = *store->group("g-1");
    EXPECT_EQ(merged.name, "Web app");
    EXPECT_EQ(merged.colorHex, "#6E7BF2");
    EXPECT_EQ(merged.version, 3);
    EXPECT_EQ(merged.syncState, SyncState::pendingPush);

    Capture c = syncedCapture();
    c.groupID = "g-1";
    store->update(c);
    remote().applyRemoteGroup(json(R"({"id": "g-1", "deleted_at": 1714566896})"));
    EXPECT_FALSE(store->group("g-1"));
    EXPECT_FALSE(store->captureIncludingDeleted(c.id)->groupID) << "captures keep living without the group";
}

TEST_F(RemoteSafety, UnsafeIdentifiersAreLoggedAndSkipped) {
    const Capture c = syncedCapture();
    remote().applyRemoteCapture(json(R"({"id": "../../etc", "note": "x"})"));
    remote().applyRemoteCapture(json(R"({"id": "c-ok", "group_id": "a/b"})"));
    remote().applyRemoteGroup(json(R"({"id": "g 1", "name": "x"})"));
    remote().applyRemotePerson(json(R"({"id": "u\u0000x"})"));
    remote().applyRemoteGroupMember(json(R"({"group_id": "g", "user_id": ".."})"));
    QJsonObject image{{"id", "../escape"}, {"capture_id", c.id}};
    remote().applyRemoteImage(image);
    remote().applyRemoteImage(QJsonObject{{"id", "i-ok"}, {"capture_id", "../" + c.id}});
    remote().applyRemoteComment(QJsonObject{{"id", "k-ok"}, {"capture_id", c.id}, {"author_id", "~/x"}});
    remote().applyRemoteActivity(QJsonObject{{"id", "a/1"}, {"capture_id", c.id}, {"kind", "x"}, {"created_at", 5}});
    // A deletion with an unsafe id is refused before anything is dropped.
    remote().applyRemoteCapture(QJsonObject{{"id", c.id + "/.."}, {"deleted_at", 5}});

    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM captures;"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM groups;"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM people;"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM group_members;"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM capture_images;"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM comments;"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM activity WHERE remote = 1;"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM sync_log WHERE level = 'warn';"), 10);
    EXPECT_TRUE(store->syncLog(1).front().message.contains("not a safe identifier"));
}

} // namespace
