#include "SyncFixture.h"

#include <QFileInfo>

namespace {

using RemoteCaptures = SyncFixture;
using RemoteHistory = SyncFixture;
using RemoteImages = SyncFixture;
using RemoteDirectory = SyncFixture;
using RemoteRemovals = SyncFixture;
using RemoteSafety = SyncFixture;

// A row of a capture in the fixture's workspace, as the service sends it.
QJsonObject captureRow(const QString& id, QJsonObject fields) {
    fields.insert("id", id);
    if (!fields.contains("workspace_id"))
        fields.insert("workspace_id", "ws-1");
    return fields;
}

TEST_F(RemoteCaptures, NewRowIsStoredSyncedWithNormalisedTags) {
    store->applyRemoteCapture(json(R"({
        "id": "c-new", "workspace_id": "ws-1", "note": "From the team", "status": "in_progress",
        "priority": "high", "display_scale": "2.5", "capture_mode": "fullscreen", "version": "12",
        "claimed_label": "agent", "claimed_at": "2024-05-01T12:34:56.789Z", "author_id": "u-9",
        "created_at": 1714566896000, "tags": [" UI", "ui", "Layout", 7]})"));

    const Capture c = *store->capture("c-new");
    EXPECT_EQ(c.note, "From the team");
    EXPECT_EQ(c.status, CaptureStatus::inProgress);
    EXPECT_EQ(c.priority, CapturePriority::high);
    EXPECT_EQ(c.displayScale, 2.5);
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
    store->applyRemoteCapture(json(R"({"id": "c-bare"})"));
    const Capture bare = *store->capture("c-bare");
    EXPECT_EQ(bare.note, "");
    EXPECT_EQ(bare.status, CaptureStatus::open);
    EXPECT_EQ(bare.captureMode, CaptureMode::region);
}

TEST_F(RemoteCaptures, ARowWhoseTagsFailLeavesNothingHalfApplied) {
    const Capture known = syncedCapture("before", 3);
    store->setTags({"old"}, known.id);
    store->markSynced("captures", known.id, 3);
    // Fails after the capture row is written, while its tags are.
    sql().executeRaw("CREATE TRIGGER refuse AFTER INSERT ON capture_tags BEGIN SELECT RAISE(ABORT, 'refused'); END;");

    EXPECT_THROW(store->applyRemoteCapture(captureRow("c-new", json(R"({"note": "new", "tags": ["ui"]})"))),
                 DatabaseError);
    EXPECT_THROW(store->applyRemoteCapture(captureRow(known.id, json(R"({"note": "after", "version": 4,
        "tags": ["ui"]})"))), DatabaseError);

    EXPECT_FALSE(store->rawCapture("c-new").has_value());
    const Capture unchanged = *store->capture(known.id);
    EXPECT_EQ(unchanged.note, "before");
    EXPECT_EQ(unchanged.version, 3);
    EXPECT_EQ(store->tags(known.id), QStringList{"old"});

    // The connection is left outside any transaction: the next row commits.
    sql().executeRaw("DROP TRIGGER refuse;");
    store->applyRemoteCapture(captureRow("c-new", json(R"({"note": "new", "tags": ["ui"]})")));
    EXPECT_EQ(store->tags("c-new"), QStringList{"ui"});
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM captures WHERE id = 'c-new';"), 1);
}

TEST_F(RemoteCaptures, PendingLocalFieldSurvivesARemoteRow) {
    const Capture c = syncedCapture("local words", 3);
    Capture edited = c;
    edited.note = "my unpushed note";
    store->update(edited);

    store->applyRemoteCapture(captureRow(c.id, json(R"({"note": "their note", "status": "resolved",
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
    store->applyRemoteCapture(captureRow(shown.id, json(R"({"note": "their note", "status": "resolved",
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
    store->applyRemoteCapture(captureRow(c.id, json(R"({"claimed_label": "their-agent", "status": "open"})")));
    const Capture merged = *store->capture(c.id);
    EXPECT_EQ(merged.claimedBy, "my-agent");
    EXPECT_EQ(merged.status, CaptureStatus::inProgress);
}

TEST_F(RemoteCaptures, RowWithNothingPendingBecomesSynced) {
    const Capture c = syncedCapture();
    store->applyRemoteCapture(captureRow(c.id, json(R"({"note": "theirs", "version": 9})")));
    const Capture merged = *store->capture(c.id);
    EXPECT_EQ(merged.note, "theirs");
    EXPECT_EQ(merged.syncState, SyncState::synced);
    EXPECT_FALSE(column("captures", "pending", c.id));
}

TEST_F(RemoteCaptures, PendingDeletionIsNeverResurrected) {
    const Capture c = syncedCapture("gone soon");
    store->softDelete(c.id);
    store->applyRemoteCapture(captureRow(c.id, json(R"({"note": "edited elsewhere", "version": 8})")));

    const Capture still = *store->rawCapture(c.id);
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
    store->applyRemoteCapture(captureRow(fresh.id, json(R"({"status": "resolved"})")));
    Capture edited = *store->rawCapture(fresh.id);
    edited.note = "more";
    store->update(edited);
    EXPECT_EQ(pendingFields("captures", fresh.id), (QSet<QString>{"*", "note"}));
    EXPECT_EQ(store->captureChange(pendingOf("captures", fresh.id))->value("patch").toObject().size(), 21);

    // "delete" stays through a later edit and a remote row, so the deletion still goes.
    const Capture doomed = syncedCapture();
    store->softDelete(doomed.id);
    Capture afterDelete = *store->rawCapture(doomed.id);
    afterDelete.priority = CapturePriority::low;
    store->update(afterDelete);
    store->applyRemoteCapture(captureRow(doomed.id, json(R"({"note": "x"})")));
    EXPECT_EQ(pendingFields("captures", doomed.id), (QSet<QString>{"delete", "priority"}));
    EXPECT_TRUE(store->captureChange(pendingOf("captures", doomed.id))->value("delete").toBool());
}

TEST_F(RemoteCaptures, TagsAreReplacedOnlyWhenNotPending) {
    const Capture c = syncedCapture();
    store->applyRemoteCapture(captureRow(c.id, json(R"({"tags": ["Remote"]})")));
    EXPECT_EQ(store->tags(c.id), QStringList{"remote"});

    store->applyRemoteCapture(captureRow(c.id, json(R"({"note": "no tags key"})")));
    EXPECT_EQ(store->tags(c.id), QStringList{"remote"}) << "a row without tags leaves them";

    store->setTags({"mine"}, c.id);
    store->applyRemoteCapture(captureRow(c.id, json(R"({"tags": ["theirs"]})")));
    EXPECT_EQ(store->tags(c.id), QStringList{"mine"});
}

TEST_F(RemoteCaptures, RemoteDeletionDropsRowFilesAndEverythingAttached) {
    const Capture c = syncedCapture();
    const CaptureImage image = store->addImage(newImage(c.id));
    touchFiles(image);
    store->setTags({"bug"}, c.id);
    store->addComment(newComment(c.id));

    store->applyRemoteCapture(captureRow(c.id, json(R"({"deleted_at": "2024-05-01T00:00:00Z"})")));
    EXPECT_FALSE(store->rawCapture(c.id));
    EXPECT_FALSE(store->rawImage(image.id));
    EXPECT_FALSE(QFileInfo::exists(ZorviPaths::imageFile(image.imagePath)));
    EXPECT_FALSE(QFileInfo::exists(ZorviPaths::thumbFile(*image.thumbPath)));
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM comments;"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM capture_tags;"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM activity;"), 0);
}

TEST_F(RemoteCaptures, GroupsFollowTheSameRules) {
    store->applyRemoteGroup(json(R"({"id": "g-1", "workspace_id": "ws-1", "name": "Web", "visibility": "workspace",
                                     "version": 2, "created_by": "u-2"})"));
    CaptureGroup g = *store->group("g-1");
    EXPECT_EQ(g.name, "Web");
    EXPECT_EQ(g.colorHex, "#6E7BF2");
    EXPECT_EQ(g.visibility, GroupVisibility::workspace);
    EXPECT_EQ(g.syncState, SyncState::synced);
    EXPECT_EQ(g.createdBy, "u-2");

    g.name = "Web app";
    store->upsertGroup(g); // pending: name, colour, archive time
    store->applyRemoteGroup(json(R"({"id": "g-1", "workspace_id": "ws-1", "name": "Website",
                                     "color_hex": "#112233", "version": 3})"));
    const CaptureGroup merged = *store->group("g-1");
    EXPECT_EQ(merged.name, "Web app");
    EXPECT_EQ(merged.colorHex, "#6E7BF2");
    EXPECT_EQ(merged.version, 3);
    EXPECT_EQ(merged.syncState, SyncState::pendingPush);

    Capture c = syncedCapture();
    c.groupID = "g-1";
    store->update(c);
    store->applyRemoteGroup(json(R"({"id": "g-1", "deleted_at": 1714566896})"));
    EXPECT_FALSE(store->group("g-1"));
    EXPECT_FALSE(store->rawCapture(c.id)->groupID) << "captures keep living without the group";
}

TEST_F(RemoteHistory, EchoOfALocalEntryIsSuppressedForNinetySeconds) {
    const Capture c = syncedCapture();
    store->setStatus(c.id, CaptureStatus::inProgress, "you");
    const ActivityEvent local = store->activity(c.id).back();
    ASSERT_EQ(local.kind, "status_changed");
    auto remoteEntry = [&](const QString& id, int secondsLater) {
        return QJsonObject{{"id", id},
                           {"capture_id", c.id},
                           {"kind", "status_changed"},
                           {"created_at", Wire::stamp(local.createdAt.addSecs(secondsLater))},
                           {"actor_label", "web"},
                           {"detail", "open \u2192 in progress"}};
    };

    store->applyRemoteActivity(remoteEntry("a-echo", 30));
    store->applyRemoteActivity(remoteEntry("a-later", 120));
    store->applyRemoteActivity(remoteEntry("a-later", 120)); // repeated: harmless

    QStringList remoteIDs;
    for (const ActivityEvent& e : store->activity(c.id))
        if (e.remote)
            remoteIDs << e.id;
    EXPECT_EQ(remoteIDs, QStringList{"a-later"});
    const ActivityEvent stored = store->activity(c.id).back();
    EXPECT_EQ(stored.actor, "web");
    EXPECT_EQ(stored.detail, "open \u2192 in progress");
}

TEST_F(RemoteHistory, ActorAndAuthorLabels) {
    const Capture c = syncedCapture();
    store->upsertPerson(Person{"u-ada", "Ada", std::nullopt, std::nullopt, "person"});
    const QString at = "2024-05-01T00:00:00Z";
    auto entry = [&](const QString& id, const QJsonObject& extra) {
        QJsonObject row{{"id", id}, {"capture_id", c.id}, {"kind", "assigned"}, {"created_at", at}};
        for (auto it = extra.begin(); it != extra.end(); ++it)
            row.insert(it.key(), it.value());
        store->applyRemoteActivity(row);
    };
    entry("a1", {{"actor_id", "u-ada"}, {"actor_label", "ignored"}});
    entry("a2", {{"actor_id", "u-unknown"}, {"actor_label", "cli"}});
    entry("a3", {});
    entry("a4", {{"actor_id", me}});
    QStringList actors;
    for (const ActivityEvent& e : store->activity(c.id))
        if (e.remote)
            actors << e.actor;
    EXPECT_EQ(actors, (QStringList{"Ada", "cli", "someone", "Me Myself"}));

    auto comment = [&](const QString& id, const QJsonObject& extra) {
        QJsonObject row{{"id", id}, {"capture_id", c.id}, {"body", "b"}, {"created_at", at}};
        for (auto it = extra.begin(); it != extra.end(); ++it)
            row.insert(it.key(), it.value());
        store->applyRemoteComment(row);
    };
    comment("k1", {{"author_id", me}});
    comment("k2", {{"author_id", "u-ada"}, {"is_agent", 1}, {"kind", "conflict"}});
    comment("k3", {{"actor_label", "bot"}});
    comment("k4", {});
    QStringList authors;
    for (const Comment& k : store->comments(c.id))
        authors << k.author;
    EXPECT_EQ(authors, (QStringList{"you", "Ada", "bot", "someone"}));
    const Comment conflict = store->comments(c.id)[1];
    EXPECT_TRUE(conflict.isAgent);
    EXPECT_TRUE(conflict.isConflict());
    EXPECT_EQ(conflict.syncState, SyncState::synced);

    // A repeated comment updates in place; a deleted one goes.
    comment("k1", {{"author_id", me}, {"body", "edited"}});
    EXPECT_EQ(store->comments(c.id).front().body, "edited");
    comment("k4", {{"deleted_at", at}});
    EXPECT_EQ(store->comments(c.id).size(), 3u);
}

TEST_F(RemoteHistory, EntriesWithoutRequiredKeysAreIgnored) {
    const Capture c = syncedCapture();
    const auto before = store->activity(c.id).size();
    store->applyRemoteActivity(QJsonObject{{"id", "a1"}, {"capture_id", c.id}, {"kind", "x"}});
    store->applyRemoteActivity(QJsonObject{{"id", "a2"}, {"capture_id", c.id}, {"created_at", 5}});
    store->applyRemoteActivity(QJsonObject{{"capture_id", c.id}, {"kind", "x"}, {"created_at", 5}});
    store->applyRemoteComment(QJsonObject{{"id", "k1"}, {"body", "orphan"}});
    EXPECT_EQ(store->activity(c.id).size(), before);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM comments;"), 0);
}

TEST_F(RemoteImages, NewImageWaitsForDownloadUntilItsFilesArrive) {
    const Capture c = syncedCapture();
    QJsonObject row = json(R"({"id": "i-1", "original_sha256": "aa", "thumb_sha256": "tt", "width": 800,
        "annotation_json": {"shapes": []}, "version": 2})");
    row.insert("capture_id", c.id);
    // An image of a capture we do not have cannot land; the cycle logs it and goes on.
    EXPECT_THROW(store->applyRemoteImage(json(R"({"id": "i-0", "capture_id": "nowhere"})")), DatabaseError);
    EXPECT_FALSE(store->rawImage("i-0"));
    store->applyRemoteImage(row);

    const CaptureImage image = *store->rawImage("i-1");
    EXPECT_TRUE(image.isAwaitingDownload());
    EXPECT_EQ(image.annotationJSON, R"({"shapes":[]})");
    EXPECT_EQ(image.syncState, SyncState::synced);
    auto awaiting = store->imagesAwaitingDownload(10);
    ASSERT_EQ(awaiting.size(), 1u);
    EXPECT_EQ(awaiting.front().image.id, "i-1");
    EXPECT_EQ(awaiting.front().workspaceID, workspace);

    sql().execute("UPDATE capture_images SET image_path = 'a.png', thumb_path = 't.jpg' WHERE id = 'i-1';");
    EXPECT_TRUE(store->imagesAwaitingDownload(10).empty());

    // A new marked copy on the service clears the local one so it is fetched again.
    row.insert("marked_sha256", "mm");
    store->applyRemoteImage(row);
    EXPECT_FALSE(store->rawImage("i-1")->annotatedPath);
    EXPECT_EQ(store->imagesAwaitingDownload(10).size(), 1u);
    sql().execute("UPDATE capture_images SET annotated_path = 'a-marked.png' WHERE id = 'i-1';");
    EXPECT_TRUE(store->imagesAwaitingDownload(10).empty());
    store->applyRemoteImage(row); // same hashes: the downloaded files stay
    EXPECT_EQ(store->rawImage("i-1")->annotatedPath, "a-marked.png");
    EXPECT_EQ(store->rawImage("i-1")->thumbPath, "t.jpg");
    EXPECT_EQ(store->capture(c.id)->imagePath, "a-marked.png") << "the cover follows the image";
}

TEST_F(RemoteImages, LocalMarkupAndDeletionWinUntilPushed) {
    const Capture c = syncedCapture();
    CaptureImage image = store->addImage(newImage(c.id));
    store->markSynced("capture_images", image.id, 1);
    image = *store->rawImage(image.id);
    image.annotationJSON = R"({"mine":1})";
    store->updateImage(image);

    QJsonObject row{{"id", image.id}, {"capture_id", c.id}, {"annotation_json", R"({"theirs":1})"},
                    {"width", 4000}, {"version", 2}};
    store->applyRemoteImage(row);
    const CaptureImage merged = *store->rawImage(image.id);
    EXPECT_EQ(merged.annotationJSON, R"({"mine":1})");
    EXPECT_EQ(merged.width, 4000);
    EXPECT_EQ(merged.syncState, SyncState::pendingPush);

    store->deleteImage(image.id);
    store->applyRemoteImage(row);
    EXPECT_TRUE(store->rawImage(image.id)->deletedAt.has_value());
    EXPECT_EQ(store->rawImage(image.id)->width, 4000);

    row.insert("deleted_at", 1714566896);
    store->applyRemoteImage(row);
    EXPECT_FALSE(store->rawImage(image.id)) << "the service confirmed the deletion";
}

TEST_F(RemoteDirectory, PeopleKeepTheirKnownEmail) {
    store->applyRemotePerson(json(R"({"id": "u-1", "name": "Ada", "email": "ada@example.com",
                                      "image_url": "https://x/a.png"})"));
    store->applyRemotePerson(json(R"({"id": "u-1", "name": "Ada L.", "image": "https://x/b.png", "kind": "bot"})"));
    const Person ada = *store->person("u-1");
    EXPECT_EQ(ada.name, "Ada L.");
    EXPECT_EQ(ada.email, "ada@example.com");
    EXPECT_EQ(ada.imageURL, "https://x/b.png");
    EXPECT_TRUE(ada.isBot());

    store->applyRemotePerson(json(R"({"id": "u-2"})"));
    EXPECT_EQ(store->person("u-2")->name, "Someone");
    EXPECT_EQ(store->personName(QString("u-2")), "Someone");
    EXPECT_FALSE(store->personName(std::nullopt));
    EXPECT_FALSE(store->personName(QString("u-3")));
}

TEST_F(RemoteDirectory, WorkspacesAreReplacedAndMembersUpserted) {
    store->replaceWorkspaces({Workspace{"w-1", "One", "one", "owner", std::nullopt},
                              Workspace{"w-2", "Two", "two", "member", QString("{}")}});
    store->replaceWorkspaces({Workspace{"w-3", "Three", "three", "guest", std::nullopt}});
    ASSERT_EQ(store->workspaces().size(), 1u);
    EXPECT_EQ(store->workspaces().front().id, "w-3");

    store->applyRemoteGroupMember(json(R"({"group_id": "g-1", "user_id": "u-1"})"));
    store->applyRemoteGroupMember(json(R"({"group_id": "g-1", "user_id": "u-2"})"));
    store->applyRemoteGroupMember(json(R"({"group_id": "g-1", "user_id": "u-2", "removed_at": 1714566896})"));
    store->applyRemoteGroupMember(json(R"({"group_id": "g-1"})"));
    EXPECT_EQ(store->groupMemberIDs("g-1"), QStringList{"u-1"});
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM group_members;"), 2);
}

TEST_F(RemoteRemovals, RemapGroupMovesCapturesToTheServicesGroup) {
    CaptureGroup mine;
    mine.id = "g-local";
    mine.name = "Design";
    mine.workspaceID = workspace;
    mine.createdAt = mine.updatedAt = QDateTime::currentDateTimeUtc();
    store->upsertGroup(mine);
    store->applyRemoteGroup(json(R"({"id": "g-remote", "workspace_id": "ws-2", "name": "Design"})"));
    Capture c = syncedCapture();
    c.groupID = "g-local";
    store->update(c);

    store->remapGroup("g-local", "g-remote");
    EXPECT_EQ(store->rawCapture(c.id)->groupID, "g-remote");
    EXPECT_FALSE(store->group("g-local"));
}

TEST_F(RemoteRemovals, DropGroupKeepsTheUsersOwnCaptures) {
    store->applyRemoteGroup(json(R"({"id": "g-private", "workspace_id": "ws-1", "name": "Secret"})"));
    store->applyRemoteGroupMember(json(R"({"group_id": "g-private", "user_id": "user-me"})"));
    store->applyRemoteCapture(json(R"({"id": "c-theirs", "group_id": "g-private", "author_id": "u-other"})"));
    store->applyRemoteCapture(json(R"({"id": "c-nobody", "group_id": "g-private"})"));
    store->applyRemoteCapture(json(R"({"id": "c-mine", "group_id": "g-private", "author_id": "user-me"})"));

    store->dropGroup("g-private");
    EXPECT_FALSE(store->rawCapture("c-theirs"));
    EXPECT_FALSE(store->rawCapture("c-nobody"));
    EXPECT_TRUE(store->rawCapture("c-mine"));
    EXPECT_TRUE(store->group("g-private")) << "the group stays while it holds the user's captures";
    EXPECT_TRUE(store->groupMemberIDs("g-private").isEmpty());

    store->dropCapture("c-mine");
    store->dropGroup("g-private");
    EXPECT_FALSE(store->group("g-private"));
}

TEST_F(RemoteRemovals, DropWorkspaceTakesItsCapturesAndGroups) {
    store->replaceWorkspaces({Workspace{"ws-1", "One", "one", "owner", std::nullopt}});
    store->applyRemoteGroup(json(R"({"id": "g-1", "workspace_id": "ws-1", "name": "Web"})"));
    const Capture shared = syncedCapture();
    const Capture local = localCapture();
    store->dropWorkspace("ws-1");
    EXPECT_FALSE(store->rawCapture(shared.id));
    EXPECT_FALSE(store->group("g-1"));
    EXPECT_TRUE(store->workspaces().empty());
    EXPECT_TRUE(store->rawCapture(local.id));
}

TEST_F(RemoteRemovals, PurgeAccountDataLeavesLocalWork) {
    CaptureGroup localGroup;
    localGroup.id = Identifiers::make();
    localGroup.name = "Mine";
    localGroup.createdAt = localGroup.updatedAt = QDateTime::currentDateTimeUtc();
    store->upsertGroup(localGroup);
    Capture local = newCapture("local");
    local.groupID = localGroup.id;
    store->insert(local);
    const CaptureImage localImage = store->addImage(newImage(local.id));
    touchFiles(localImage);
    store->recordActivity(local.id, "remote-kind", "", "x", "a-remote", QDateTime::currentDateTimeUtc(),
                          std::nullopt, true);

    const Capture shared = syncedCapture();
    const CaptureImage sharedImage = store->addImage(newImage(shared.id));
    touchFiles(sharedImage);
    store->applyRemoteGroup(json(R"({"id": "g-1", "workspace_id": "ws-1", "name": "Web"})"));
    store->applyRemotePerson(json(R"({"id": "u-1"})"));
    store->applyRemoteGroupMember(json(R"({"group_id": "g-1", "user_id": "u-1"})"));
    store->replaceWorkspaces({Workspace{"ws-1", "One", "one", "owner", std::nullopt}});

    store->purgeAccountData();
    EXPECT_TRUE(store->capture(local.id));
    EXPECT_TRUE(store->group(localGroup.id));
    EXPECT_TRUE(QFileInfo::exists(ZorviPaths::imageFile(localImage.imagePath)));
    ASSERT_EQ(store->activity(local.id).size(), 1u);
    EXPECT_EQ(store->activity(local.id).front().kind, "created") << "only the service's entries go";

    EXPECT_FALSE(store->rawCapture(shared.id));
    EXPECT_FALSE(QFileInfo::exists(ZorviPaths::imageFile(sharedImage.imagePath)));
    EXPECT_FALSE(store->group("g-1"));
    EXPECT_TRUE(store->people().empty());
    EXPECT_TRUE(store->workspaces().empty());
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM group_members;"), 0);
    EXPECT_FALSE(store->currentUserID());
}

TEST_F(RemoteSafety, UnsafeIdentifiersAreLoggedAndSkipped) {
    const Capture c = syncedCapture();
    store->applyRemoteCapture(json(R"({"id": "../../etc", "note": "x"})"));
    store->applyRemoteCapture(json(R"({"id": "c-ok", "group_id": "a/b"})"));
    store->applyRemoteGroup(json(R"({"id": "g 1", "name": "x"})"));
    store->applyRemotePerson(json(R"({"id": "u\u0000x"})"));
    store->applyRemoteGroupMember(json(R"({"group_id": "g", "user_id": ".."})"));
    QJsonObject image{{"id", "../escape"}, {"capture_id", c.id}};
    store->applyRemoteImage(image);
    store->applyRemoteImage(QJsonObject{{"id", "i-ok"}, {"capture_id", "../" + c.id}});
    store->applyRemoteComment(QJsonObject{{"id", "k-ok"}, {"capture_id", c.id}, {"author_id", "~/x"}});
    store->applyRemoteActivity(QJsonObject{{"id", "a/1"}, {"capture_id", c.id}, {"kind", "x"}, {"created_at", 5}});
    // A deletion with an unsafe id is refused before anything is dropped.
    store->applyRemoteCapture(QJsonObject{{"id", c.id + "/.."}, {"deleted_at", 5}});

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
