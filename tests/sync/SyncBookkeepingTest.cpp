#include "SyncFixture.h"

namespace {

using ChangeObjects = SyncFixture;
using SyncVerdicts = SyncFixture;
using SyncLog = SyncFixture;

const QSet<QString> allCaptureKeys{
    "workspace_id", "group_id",      "note",          "status",         "priority",    "tags",
    "app_name",     "app_bundle_id", "window_title",  "url",            "display_name", "display_scale",
    "capture_mode", "claimed_by_id", "claimed_label", "claimed_at",     "resolved_at", "resolution_ref",
    "assignee_id",  "created_at",    "captured_at"};

TEST_F(ChangeObjects, NewCaptureSendsEveryFieldInWireForm) {
    Capture c = newCapture("Title\nbody");
    c.workspaceID = workspace;
    c.context.windowTitle = "Editor";
    c.context.displayScale = 2.0;
    c.claimedAt = QDateTime(QDate(2024, 5, 1), QTime(12, 34, 56, 789), Qt::UTC);
    store->insert(c);
    store->setTags({"Layout", "ui"}, c.id);
    Capture edited = *store->capture(c.id);
    edited.note = "edited later";
    store->update(edited);

    // The later edit merged into "*", so the whole row still goes.
    const Pending p = pendingOf("captures", c.id);
    EXPECT_TRUE(p.fields.contains("*"));
    const QJsonObject change = *ledger().captureChange(p);
    EXPECT_EQ(keysOf(change), (QSet<QString>{"table", "id", "base_version", "patch"}));
    EXPECT_EQ(change["table"], "captures");
    EXPECT_EQ(change["id"], c.id);
    EXPECT_EQ(change["base_version"], 0);

    const QJsonObject patch = change["patch"].toObject();
    EXPECT_EQ(keysOf(patch), allCaptureKeys);
    EXPECT_EQ(patch["note"], "edited later");
    EXPECT_EQ(patch["workspace_id"], workspace);
    EXPECT_EQ(patch["status"], "open");
    EXPECT_EQ(patch["priority"], "normal");
    EXPECT_EQ(patch["capture_mode"], "region");
    EXPECT_EQ(patch["tags"], QJsonArray({"layout", "ui"}));
    EXPECT_EQ(patch["window_title"], "Editor");
    EXPECT_EQ(patch["display_scale"], 2.0);
    EXPECT_EQ(patch["claimed_at"], "2024-05-01T12:34:56.789Z");
    EXPECT_EQ(patch["created_at"], Wire::stamp(store->captureIncludingDeleted(c.id)->createdAt));
    EXPECT_EQ(patch["captured_at"], patch["created_at"]);
    for (const char* absent : {"group_id", "app_name", "url", "resolved_at", "resolution_ref", "assignee_id",
                               "claimed_label"})
        EXPECT_TRUE(patch[absent].isNull()) << absent;
}

TEST_F(ChangeObjects, EditedCaptureSendsOnlyItsPendingFields) {
    const Capture c = syncedCapture("before", 4);
    Capture edited = c;
    edited.note = "after";
    store->update(edited);
    store->setTags({"Crash"}, c.id);

    const QJsonObject change = *ledger().captureChange(pendingOf("captures", c.id));
    EXPECT_EQ(change["base_version"], 4);
    const QJsonObject patch = change["patch"].toObject();
    EXPECT_EQ(keysOf(patch), (QSet<QString>{"note", "tags"}));
    EXPECT_EQ(patch["note"], "after");
    EXPECT_EQ(patch["tags"], QJsonArray({"crash"}));

    // Fields the patch does not know give nothing to send.
    EXPECT_FALSE(ledger().captureChange(Pending{c.id, {"version"}, 4}));
}

TEST_F(ChangeObjects, DeletedCaptureIsSentAsDeletion) {
    const Capture c = syncedCapture("doomed", 6);
    store->softDelete(c.id);
    // Even when the pending object lost its "delete" key, the deletion time decides.
    sql().execute("UPDATE captures SET pending = '{\"note\":true}' WHERE id = ?;", {c.id});

    const QJsonObject change = *ledger().captureChange(pendingOf("captures", c.id));
    EXPECT_EQ(change, (QJsonObject{{"table", "captures"}, {"id", c.id}, {"base_version", 6}, {"delete", true}}));
}

TEST_F(ChangeObjects, CaptureWithoutWorkspaceOrRowGivesNothing) {
    const Capture c = syncedCapture();
    Capture edited = c;
    edited.note = "x";
    store->update(edited);
    sql().execute("UPDATE captures SET workspace_id = NULL WHERE id = ?;", {c.id});
    EXPECT_FALSE(ledger().captureChange(pendingOf("captures", c.id)));
    EXPECT_FALSE(ledger().captureChange(Pending{"missing", {"*"}, 0}));
}

TEST_F(ChangeObjects, GroupsSendPlacementOnlyWhenNew) {
    CaptureGroup g;
    g.id = Identifiers::make();
    g.name = "Web";
    g.workspaceID = workspace;
    g.visibility = GroupVisibility::workspace;
    g.createdAt = g.updatedAt = QDateTime::currentDateTimeUtc();
    store->upsertGroup(g);

    const QJsonObject fresh = *ledger().groupChange(pendingOf("groups", g.id));
    EXPECT_EQ(keysOf(fresh), (QSet<QString>{"table", "id", "base_version", "patch"}));
    EXPECT_EQ(fresh["patch"].toObject(), (QJsonObject{{"workspace_id", workspace},
                                                      {"name", "Web"},
                                                      {"color_hex", "#6E7BF2"},
                                                      {"visibility", "workspace"},
                                                      {"archived_at", QJsonValue::Null},
                                                      {"created_at", Wire::stamp(store->group(g.id)->createdAt)}}));

    ledger().markSynced("groups", g.id, 2);
    store->deleteGroup(g.id); // a shared group is archived
    const QJsonObject archived = *ledger().groupChange(pendingOf("groups", g.id));
    EXPECT_EQ(archived["base_version"], 2);
    const QJsonObject patch = archived["patch"].toObject();
    EXPECT_EQ(keysOf(patch), QSet<QString>{"archived_at"});
    EXPECT_TRUE(Wire::date(patch["archived_at"]).has_value());

    EXPECT_FALSE(ledger().groupChange(Pending{g.id, {"path"}, 2}));
    EXPECT_FALSE(ledger().groupChange(Pending{"missing", {"*"}, 0}));
}

TEST_F(ChangeObjects, ImagesSendFilteredPatchesOrDeletions) {
    const Capture c = syncedCapture();
    CaptureImage image = newImage(c.id);
    image.originalSHA256 = "aa";
    image.annotationJSON = R"({"shapes":[]})";
    image = store->addImage(image);

    const QJsonObject fresh =
        *ledger().imageChange(pendingOf("capture_images", image.id), *store->imageIncludingDeleted(image.id));
    const QJsonObject patch = fresh["patch"].toObject();
    EXPECT_EQ(keysOf(patch), (QSet<QString>{"capture_id", "position", "original_sha256", "marked_sha256",
                                            "thumb_sha256", "width", "height", "bytes", "annotation_json",
                                            "created_at"}));
    EXPECT_EQ(patch["capture_id"], c.id);
    EXPECT_EQ(patch["width"], 10);
    EXPECT_EQ(patch["original_sha256"], "aa");
    EXPECT_TRUE(patch["marked_sha256"].isNull());
    EXPECT_EQ(patch["annotation_json"], R"({"shapes":[]})") << "the markup goes as its stored text";

    const CaptureImage stored = *store->imageIncludingDeleted(image.id);
    EXPECT_EQ(ledger().imageChange(Pending{image.id, {"width", "other"}, 1}, stored)->value("patch").toObject(),
              (QJsonObject{{"width", 10}}));
    EXPECT_FALSE(ledger().imageChange(Pending{image.id, {"other"}, 1}, stored));
    EXPECT_EQ(ledger().imageChange(Pending{image.id, {"delete"}, 1}, stored),
              (QJsonObject{{"table", "capture_images"}, {"id", image.id}, {"base_version", 1}, {"delete", true}}));
}

TEST_F(ChangeObjects, CommentsAlwaysSendEveryKeyWithoutVersion) {
    const Capture c = syncedCapture();
    Comment comment;
    comment.id = Identifiers::make();
    comment.captureID = c.id;
    comment.author = "me";
    comment.body = "on it";
    comment.createdAt = QDateTime(QDate(2024, 5, 1), QTime(8, 0), Qt::UTC);
    store->addComment(comment);

    const std::vector<Comment> pendingComments = ledger().pendingComments(10);
    ASSERT_EQ(pendingComments.size(), 1u);
    EXPECT_EQ(SyncLedger::commentChange(pendingComments.front()),
              (QJsonObject{{"table", "comments"},
                           {"id", comment.id},
                           {"patch", QJsonObject{{"capture_id", c.id},
                                                 {"body", "on it"},
                                                 {"created_at", "2024-05-01T08:00:00.000Z"},
                                                 {"is_agent", false},
                                                 {"actor_label", QJsonValue::Null},
                                                 {"kind", "comment"}}}}));
}

TEST_F(SyncLog, KeepsTheNewest501LinesAndReadsNewestFirst) {
    for (int i = 1; i <= 502; ++i)
        ledger().log(i % 2 ? "info" : "warn", QString("line %1").arg(i));
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM sync_log;"), 501);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM sync_log WHERE message = 'line 1';"), 0);

    const std::vector<SyncLogLine> newest = store->syncLog(10);
    ASSERT_EQ(newest.size(), 10u);
    EXPECT_EQ(newest.front().message, "line 502");
    EXPECT_EQ(newest.front().level, "warn");
    EXPECT_EQ(newest.back().message, "line 493");
    EXPECT_GT(newest.front().id, newest.back().id);
}

TEST_F(SyncVerdicts, PendingListsOldestFirstWithFieldsAndVersion) {
    const Capture older = syncedCapture("older", 2);
    const Capture newer = syncedCapture("newer", 5);
    sql().execute("UPDATE captures SET created_at = created_at - 60 WHERE id = ?;", {older.id});
    for (const Capture& c : {older, newer}) {
        Capture edited = c;
        edited.priority = CapturePriority::high;
        store->update(edited);
    }
    localCapture();
    // A pending object that is not an object reads as no fields.
    sql().execute("UPDATE captures SET pending = '[1]' WHERE id = ?;", {newer.id});

    const std::vector<Pending> rows = ledger().pending("captures", 10);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].id, older.id);
    EXPECT_EQ(rows[0].fields, QSet<QString>{"priority"});
    EXPECT_EQ(rows[0].version, 2);
    EXPECT_EQ(rows[1].id, newer.id);
    EXPECT_TRUE(rows[1].fields.isEmpty());
    EXPECT_EQ(ledger().pending("captures", 1).size(), 1u);
}

TEST_F(SyncVerdicts, MarkSyncedClearsPendingAndLocalHistory) {
    const Capture c = syncedCapture("x", 1);
    store->setStatus(c.id, CaptureStatus::inProgress, "you");
    remote().applyRemoteActivity({{"id", Identifiers::make()}, {"capture_id", c.id}, {"kind", "commented"},
                                  {"detail", "hi"}, {"actor_label", "Ada"},
                                  {"created_at", Wire::stamp(QDateTime::currentDateTimeUtc())}});

    ledger().markSynced("captures", c.id, 7);
    const Capture synced = *store->captureIncludingDeleted(c.id);
    EXPECT_EQ(synced.version, 7);
    EXPECT_EQ(synced.syncState, SyncState::synced);
    EXPECT_FALSE(synced.dirty);
    EXPECT_FALSE(column("captures", "pending", c.id));
    // The service's history replaces ours; what came from it stays.
    const std::vector<ActivityEvent> history = store->activity(c.id);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_TRUE(history.front().remote);

    // Without a version (the capture left its workspace) the version stays.
    Capture edited = synced;
    edited.note = "y";
    store->update(edited);
    ledger().markSynced("captures", c.id, std::nullopt);
    EXPECT_EQ(store->captureIncludingDeleted(c.id)->version, 7);
    EXPECT_EQ(store->captureIncludingDeleted(c.id)->syncState, SyncState::synced);
}

TEST_F(SyncVerdicts, MarkLocalOnlyDetachesCaptureImagesAndComments) {
    Capture c = newCapture();
    c.workspaceID = workspace;
    store->insert(c);
    const CaptureImage image = store->addImage(newImage(c.id));
    store->addComment(newComment(c.id));

    ledger().markLocalOnly(c.id);
    const Capture local = *store->captureIncludingDeleted(c.id);
    EXPECT_FALSE(local.workspaceID);
    EXPECT_EQ(local.syncState, SyncState::local);
    EXPECT_FALSE(column("captures", "pending", c.id));
    EXPECT_EQ(store->imageIncludingDeleted(image.id)->syncState, SyncState::local);
    EXPECT_FALSE(column("capture_images", "pending", image.id));
    EXPECT_EQ(store->comments(c.id).front().syncState, SyncState::local);
    EXPECT_TRUE(ledger().pending("captures", 10).empty());
    EXPECT_TRUE(ledger().pendingComments(10).empty());
}

TEST_F(SyncVerdicts, AdoptMovesCaptureWithItsImagesCommentsAndLocalGroup) {
    CaptureGroup g;
    g.id = Identifiers::make();
    g.name = "Mine";
    g.createdAt = g.updatedAt = QDateTime::currentDateTimeUtc();
    store->upsertGroup(g);
    Capture c = newCapture();
    c.groupID = g.id;
    store->insert(c);
    const CaptureImage image = store->addImage(newImage(c.id));
    store->addComment(newComment(c.id));
    ASSERT_EQ(store->localCaptures().size(), 1u);
    ASSERT_TRUE(ledger().syncedCaptureIDs().isEmpty());

    ledger().adopt(c.id, "ws-2");
    const Capture moved = *store->captureIncludingDeleted(c.id);
    EXPECT_EQ(moved.workspaceID, "ws-2");
    EXPECT_EQ(moved.authorID, me);
    EXPECT_EQ(moved.syncState, SyncState::pendingPush);
    EXPECT_EQ(pendingFields("captures", c.id), QSet<QString>{"*"});
    EXPECT_EQ(pendingFields("capture_images", image.id), QSet<QString>{"*"});
    EXPECT_EQ(ledger().pendingComments(10).size(), 1u);
    const CaptureGroup group = *store->group(g.id);
    EXPECT_EQ(group.workspaceID, "ws-2");
    EXPECT_EQ(group.createdBy, me);
    EXPECT_EQ(group.syncState, SyncState::pendingPush);
    EXPECT_TRUE(store->localCaptures().empty());

    // Once accepted it is listed for the service's reconcile check.
    ledger().markSynced("captures", c.id, 1);
    EXPECT_EQ(ledger().syncedCaptureIDs(), QStringList{c.id});
}

TEST_F(SyncVerdicts, AdoptLeavesDeletedCapturesAndSharedGroupsAlone) {
    Capture deleted = newCapture();
    store->insert(deleted);
    store->softDelete(deleted.id);
    ledger().adopt(deleted.id, workspace);
    EXPECT_FALSE(store->captureIncludingDeleted(deleted.id)->workspaceID);

    CaptureGroup shared;
    shared.id = Identifiers::make();
    shared.name = "Team";
    shared.workspaceID = "ws-other";
    shared.createdAt = shared.updatedAt = QDateTime::currentDateTimeUtc();
    store->upsertGroup(shared);
    Capture c = newCapture();
    c.groupID = shared.id;
    c.localOnly = true;
    store->insert(c);
    ledger().adopt(c.id, workspace);
    EXPECT_EQ(store->group(shared.id)->workspaceID, "ws-other");
    EXPECT_FALSE(store->captureIncludingDeleted(c.id)->localOnly);
}

} // namespace
