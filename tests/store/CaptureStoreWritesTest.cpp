#include "StoreFixture.h"
#include "store/SyncLedger.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using CaptureStoreWrites = StoreFixture;

QJsonObject pendingOf(const std::optional<QString>& text) {
    return text ? QJsonDocument::fromJson(text->toUtf8()).object() : QJsonObject();
}

TEST_F(CaptureStoreWrites, InsertJoinsTheDefaultWorkspaceUnlessLocalOnly) {
    SyncLedger(*store).setSyncMeta("default_workspace_id", QString("ws-1"));
    SyncLedger(*store).setSyncMeta("user_id", QString("user-1"));

    Capture shared = newCapture("shared", "2024/01/a.png");
    store->insert(shared);
    const Capture stored = *store->capture(shared.id);
    EXPECT_EQ(stored.workspaceID, "ws-1");
    EXPECT_EQ(stored.authorID, "user-1");
    EXPECT_EQ(stored.syncState, SyncState::pendingPush);
    EXPECT_TRUE(stored.dirty);
    EXPECT_EQ(column("captures", "pending", shared.id), R"({"*":true})");

    Capture local = newCapture("mine");
    local.localOnly = true;
    store->insert(local);
    EXPECT_EQ(store->capture(local.id)->syncState, SyncState::local);
    EXPECT_FALSE(column("captures", "pending", local.id).has_value());
    EXPECT_FALSE(store->capture(local.id)->workspaceID.has_value());

    // The creation entry names the mode, or says there is no screenshot.
    EXPECT_EQ(store->activity(shared.id).front().detail, "Region");
    EXPECT_EQ(store->activity(shared.id).front().actorID, "user-1");
    EXPECT_EQ(store->activity(local.id).front().detail, "no screenshot");
    EXPECT_EQ(store->activity(local.id).front().kind, "created");

    SyncLedger(*store).setSyncMeta("default_workspace_id", std::nullopt);
    EXPECT_FALSE(store->defaultWorkspaceID().has_value());
}

TEST_F(CaptureStoreWrites, UpdateMarksOnlyChangedFieldsAndOnlyInAWorkspace) {
    Capture local = newCapture();
    store->insert(local);
    Capture edited = *store->capture(local.id);
    edited.note = "changed";
    store->update(edited);
    EXPECT_FALSE(column("captures", "pending", local.id).has_value());
    EXPECT_EQ(store->capture(local.id)->syncState, SyncState::local);
    EXPECT_EQ(store->capture(local.id)->note, "changed");

    Capture shared = newCapture();
    shared.workspaceID = "ws";
    store->insert(shared);
    sql().execute("UPDATE captures SET pending = NULL, sync_state = 'synced' WHERE id = ?;", {shared.id});
    Capture a = *store->capture(shared.id);
    a.note = "new note";
    store->update(a);
    Capture b = *store->capture(shared.id);
    b.priority = CapturePriority::high;
    store->update(b);
    EXPECT_EQ(pendingOf(column("captures", "pending", shared.id)), (QJsonObject{{"note", true}, {"priority", true}}));
    EXPECT_EQ(store->capture(shared.id)->syncState, SyncState::pendingPush);

    // "*" survives later merges.
    Capture fresh = newCapture();
    fresh.workspaceID = "ws";
    store->insert(fresh);
    Capture f = *store->capture(fresh.id);
    f.claimedBy = "agent";
    store->update(f);
    EXPECT_EQ(pendingOf(column("captures", "pending", fresh.id)), (QJsonObject{{"*", true}, {"claimed_label", true}}));
}

TEST_F(CaptureStoreWrites, WorkflowOperations) {
    SyncLedger(*store).setSyncMeta("user_id", QString("me"));
    Capture c = newCapture();
    store->insert(c);

    const Capture claimed = *store->claim(c.id, "claude-code");
    EXPECT_EQ(claimed.status, CaptureStatus::inProgress);
    EXPECT_EQ(claimed.assigneeID, "me");
    EXPECT_EQ(claimed.claimedBy, "claude-code");
    EXPECT_EQ(claimed.claimedByID, "me");
    EXPECT_TRUE(claimed.claimedAt.has_value());

    const Capture resolved = *store->resolve(c.id, QString("abc123"), "claude-code");
    EXPECT_EQ(resolved.status, CaptureStatus::resolved);
    EXPECT_EQ(resolved.resolutionRef, "abc123");
    EXPECT_TRUE(resolved.resolvedAt.has_value());

    const Capture reopened = *store->setStatus(c.id, CaptureStatus::open, "you");
    EXPECT_FALSE(reopened.resolvedAt.has_value());
    EXPECT_FALSE(reopened.claimedBy.has_value());
    EXPECT_FALSE(reopened.claimedAt.has_value());
    EXPECT_EQ(reopened.claimedByID, "me") << "the claimer's id stays";

    const Capture assigned = *store->assign(c.id, QString("other"), "you");
    EXPECT_EQ(assigned.assigneeID, "other");

    QStringList kinds, details;
    for (const ActivityEvent& e : store->activity(c.id)) {
        kinds << e.kind;
        details << e.detail;
    }
    EXPECT_EQ(kinds, (QStringList{"created", "claimed", "resolved", "status_changed", "assigned"}));
    EXPECT_EQ(details[3], "Resolved → Open");
    EXPECT_EQ(details[2], "abc123");

    EXPECT_FALSE(store->claim("no-such-id", "x").has_value());
    store->softDelete(c.id);
    EXPECT_FALSE(store->setStatus(c.id, CaptureStatus::resolved, "you").has_value());
    EXPECT_EQ(store->activity(c.id).size(), 5u) << "nothing recorded for a deleted capture";
}

TEST_F(CaptureStoreWrites, ImagesRenumberCoverAndFiles) {
    Capture c = newCapture("with images", "x");
    store->insert(c);
    std::vector<CaptureImage> images;
    for (int i = 0; i < 3; ++i) {
        images.push_back(store->addImage(newImage(c.id)));
        touchFiles(images.back());
    }
    EXPECT_EQ(images[2].position, 2);
    EXPECT_EQ(store->capture(c.id)->imagePath, images[0].imagePath);

    // Deleting the middle local image removes its row and files and closes the gap.
    ASSERT_TRUE(store->deleteImage(images[1].id));
    EXPECT_FALSE(store->imageIncludingDeleted(images[1].id).has_value());
    EXPECT_FALSE(QFileInfo::exists(ZorviPaths::imageFile(images[1].imagePath)));
    EXPECT_FALSE(QFileInfo::exists(ZorviPaths::thumbFile(*images[1].thumbPath)));
    EXPECT_TRUE(QFileInfo::exists(ZorviPaths::imageFile(images[0].imagePath)));
    EXPECT_EQ(store->image(images[2].id)->position, 1);
    EXPECT_EQ(store->capture(c.id)->imagePath, images[0].imagePath);

    // A synced image becomes a tombstone waiting to be pushed.
    sql().execute("UPDATE captures SET workspace_id = 'ws' WHERE id = ?;", {c.id});
    sql().execute("UPDATE capture_images SET sync_state = 'synced', pending = NULL WHERE id = ?;",
                  {images[0].id});
    ASSERT_TRUE(store->deleteImage(images[0].id));
    const CaptureImage tomb = *store->imageIncludingDeleted(images[0].id);
    EXPECT_TRUE(tomb.deletedAt.has_value());
    EXPECT_TRUE(tomb.imagePath.isEmpty());
    EXPECT_FALSE(tomb.thumbPath.has_value());
    EXPECT_EQ(pendingOf(column("capture_images", "pending", tomb.id)), (QJsonObject{{"delete", true}}));
    EXPECT_EQ(store->image(images[2].id)->position, 0);
    EXPECT_EQ(store->capture(c.id)->imagePath, images[2].imagePath) << "the remaining image is the cover";

    // A new image goes after the highest position in use, the tombstone's included.
    sql().execute("UPDATE capture_images SET position = 5 WHERE id = ?;", {tomb.id});
    EXPECT_EQ(store->addImage(newImage(c.id)).position, 6);
    EXPECT_FALSE(store->deleteImage("missing"));

    // The marked copy becomes the cover once set.
    CaptureImage marked = *store->image(images[2].id);
    marked.annotatedPath = "2024/01/marked.png";
    marked.annotationJSON = "{}";
    store->updateImage(marked);
    EXPECT_EQ(store->capture(c.id)->imagePath, "2024/01/marked.png");
}

TEST_F(CaptureStoreWrites, SoftDeleteHidesTheCaptureAndRemovesItsFiles) {
    Capture c = newCapture("doomed", "x");
    store->insert(c);
    const CaptureImage image = store->addImage(newImage(c.id));
    touchFiles(image);
    const QString stampBefore = store->changeStamp();

    store->softDelete(c.id);
    EXPECT_FALSE(store->capture(c.id).has_value());
    EXPECT_TRUE(store->captureIncludingDeleted(c.id)->deletedAt.has_value());
    EXPECT_FALSE(QFileInfo::exists(ZorviPaths::imageFile(image.imagePath)));
    EXPECT_FALSE(QFileInfo::exists(ZorviPaths::thumbFile(*image.thumbPath)));
    EXPECT_TRUE(store->imageIncludingDeleted(image.id).has_value()) << "image rows stay, hidden with their capture";
    EXPECT_NE(store->changeStamp(), stampBefore);
}

TEST_F(CaptureStoreWrites, GroupsAreUniquePerWorkspaceAndWorkspaceGroupsArchive) {
    CaptureGroup design;
    design.id = Identifiers::make();
    design.name = "design";
    design.createdAt = design.updatedAt = QDateTime::currentDateTimeUtc();
    store->upsertGroup(design);

    CaptureGroup clash = design;
    clash.id = Identifiers::make();
    clash.name = "Design";
    EXPECT_EQ(store->upsertGroup(clash).id, design.id);
    EXPECT_FALSE(store->group(clash.id).has_value());

    CaptureGroup renamed = design;
    renamed.name = "Design Review";
    store->upsertGroup(renamed);
    EXPECT_EQ(store->group(design.id)->name, "Design Review");

    CaptureGroup shared = design;
    shared.id = Identifiers::make();
    shared.workspaceID = "ws";
    store->upsertGroup(shared);
    EXPECT_EQ(pendingOf(column("groups", "pending", shared.id)), (QJsonObject{{"*", true}}));
    store->deleteGroup(shared.id);
    EXPECT_TRUE(store->group(shared.id)->archivedAt.has_value());
    EXPECT_EQ(store->groups().size(), 1u) << "archived groups are hidden";

    store->deleteGroup(design.id);
    EXPECT_FALSE(store->group(design.id).has_value());
    EXPECT_TRUE(store->groups().empty());
}

TEST_F(CaptureStoreWrites, TagsAreNormalisedAndReplacedAtomically) {
    Capture c = newCapture();
    store->insert(c);
    store->setTags({" UI", "ui", "", "\tBackend "}, c.id);
    EXPECT_EQ(store->tags(c.id), (QStringList{"backend", "ui"}));

    // A failure half-way through leaves the previous tags in place.
    sql().executeRaw("CREATE TRIGGER refuse AFTER INSERT ON tags WHEN NEW.name = 'boom' "
                     "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    EXPECT_THROW(store->setTags({"new", "boom"}, c.id), DatabaseError);
    EXPECT_EQ(store->tags(c.id), (QStringList{"backend", "ui"}));
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM tags WHERE name = 'new';"), 0);
}

TEST_F(CaptureStoreWrites, InsertRollsBackWhenItsActivityCannotBeWritten) {
    sql().executeRaw("CREATE TRIGGER refuse BEFORE INSERT ON activity "
                     "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    Capture c = newCapture();
    EXPECT_THROW(store->insert(c), DatabaseError);
    EXPECT_FALSE(store->captureIncludingDeleted(c.id).has_value()) << "no half-inserted capture";
}

TEST_F(CaptureStoreWrites, AgentCommentsAreLabelledAndSharedCommentsQueued) {
    SyncLedger(*store).setSyncMeta("user_name", QString("Ana"));
    Capture c = newCapture();
    c.workspaceID = "ws";
    store->insert(c);

    Comment comment;
    comment.id = Identifiers::make();
    comment.captureID = c.id;
    comment.author = "claude-code";
    comment.isAgent = true;
    comment.body = "Looking into it";
    comment.createdAt = QDateTime::currentDateTimeUtc();
    store->addComment(comment);
    store->addComment(comment); // the same id again is ignored

    const auto comments = store->comments(c.id);
    ASSERT_EQ(comments.size(), 1u);
    EXPECT_EQ(comments[0].actorLabel, "claude-code · Ana");
    EXPECT_EQ(comments[0].syncState, SyncState::pendingPush);
    EXPECT_TRUE(comments[0].isAgent);
}

TEST_F(CaptureStoreWrites, ResolvesIdsAndUniquePrefixes) {
    Capture a = newCapture();
    a.id = "abcd0000-0000-0000-0000-000000000001";
    Capture b = newCapture();
    b.id = "abcd0000-0000-0000-0000-000000000002";
    store->insert(a);
    store->insert(b);
    EXPECT_EQ(store->resolveCaptureID("  " + a.id + "\n"), a.id);
    EXPECT_EQ(store->resolveCaptureID("ABCD0000-0000-0000-0000-0000000000"), std::nullopt) << "ambiguous";
    EXPECT_EQ(store->resolveCaptureID("ABCD0000-0000-0000-0000-000000000002"), b.id) << "case-insensitive prefix";
    EXPECT_EQ(store->resolveCaptureID("   "), std::nullopt);
    store->softDelete(b.id);
    EXPECT_EQ(store->resolveCaptureID(b.id), std::nullopt);
    EXPECT_EQ(store->resolveCaptureID("abcd"), a.id);
}

TEST_F(CaptureStoreWrites, PrefixLookupAnswersAsLikeWouldWhateverTheCase) {
    // Service rows keep their ids as sent: any case, underscores.
    for (const char* id : {"Ab12-x", "aB12-y", "ab13", "AB2_z", "ab2-q", "zz9", "Q_1", "q-1", "gone-1"}) {
        Capture c = newCapture();
        c.id = id;
        store->insert(c);
    }
    store->softDelete("gone-1");
    for (const QString text : {"a", "ab1", "AB12", "ab12-", "Ab12-Y", "AB12-x", "ab13", "aB1", "ab2", "ab2_", "AB2-",
                               "q_", "Q-", "Q", "%b13", "_b13", "ab1%", "zz", "ZZ9", "zz9z", "x", "GONE", "~"}) {
        const auto like = sql().query("SELECT id FROM captures WHERE id LIKE ? AND deleted_at IS NULL LIMIT 2;",
                                      {text + "%"});
        const bool exact = store->capture(text).has_value();
        const std::optional<QString> expected =
            exact ? std::optional(text) : like.size() == 1 ? like.front().string("id") : std::nullopt;
        EXPECT_EQ(store->resolveCaptureID(text), expected) << text.toStdString();
    }
}

} // namespace
