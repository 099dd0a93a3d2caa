#include "SyncFixture.h"

#include <QFileInfo>

namespace {

using RemoteRemovals = SyncFixture;

TEST_F(RemoteRemovals, RemapGroupMovesCapturesToTheServicesGroup) {
    CaptureGroup mine;
    mine.id = "g-local";
    mine.name = "Design";
    mine.workspaceID = workspace;
    mine.createdAt = mine.updatedAt = QDateTime::currentDateTimeUtc();
    store->upsertGroup(mine);
    remote().applyRemoteGroup(json(R"({"id": "g-remote", "workspace_id": "ws-2", "name": "Design"})"));
    Capture c = syncedCapture();
    c.groupID = "g-local";
    store->update(c);

    remote().remapGroup("g-local", "g-remote");
    EXPECT_EQ(store->captureIncludingDeleted(c.id)->groupID, "g-remote");
    EXPECT_FALSE(store->group("g-local"));
}

TEST_F(RemoteRemovals, DropGroupKeepsTheUsersOwnCaptures) {
    remote().applyRemoteGroup(json(R"({"id": "g-private", "workspace_id": "ws-1", "name": "Secret"})"));
    remote().applyRemoteGroupMember(json(R"({"group_id": "g-private", "user_id": "user-me"})"));
    remote().applyRemoteCapture(json(R"({"id": "c-theirs", "group_id": "g-private", "author_id": "u-other"})"));
    remote().applyRemoteCapture(json(R"({"id": "c-nobody", "group_id": "g-private"})"));
    remote().applyRemoteCapture(json(R"({"id": "c-mine", "group_id": "g-private", "author_id": "user-me"})"));

    remote().dropGroup("g-private");
    EXPECT_FALSE(store->captureIncludingDeleted("c-theirs"));
    EXPECT_FALSE(store->captureIncludingDeleted("c-nobody"));
    EXPECT_TRUE(store->captureIncludingDeleted("c-mine"));
    EXPECT_TRUE(store->group("g-private")) << "the group stays while it holds the user's captures";
    EXPECT_TRUE(store->groupMemberIDs("g-private").isEmpty());

    remote().dropCapture("c-mine");
    remote().dropGroup("g-private");
    EXPECT_FALSE(store->group("g-private"));
}

TEST_F(RemoteRemovals, DropWorkspaceTakesItsCapturesAndGroups) {
    remote().replaceWorkspaces({Workspace{"ws-1", "One", "one", "owner", std::nullopt}});
    remote().applyRemoteGroup(json(R"({"id": "g-1", "workspace_id": "ws-1", "name": "Web"})"));
    const Capture shared = syncedCapture();
    const Capture local = localCapture();
    remote().dropWorkspace("ws-1");
    EXPECT_FALSE(store->captureIncludingDeleted(shared.id));
    EXPECT_FALSE(store->group("g-1"));
    EXPECT_TRUE(store->workspaces().empty());
    EXPECT_TRUE(store->captureIncludingDeleted(local.id));
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
    remote().applyRemoteActivity({{"id", "a-remote"}, {"capture_id", local.id}, {"kind", "remote-kind"},
                                  {"actor_label", "x"}, {"created_at", Wire::stamp(QDateTime::currentDateTimeUtc())}});

    const Capture shared = syncedCapture();
    const CaptureImage sharedImage = store->addImage(newImage(shared.id));
    touchFiles(sharedImage);
    remote().applyRemoteGroup(json(R"({"id": "g-1", "workspace_id": "ws-1", "name": "Web"})"));
    remote().applyRemotePerson(json(R"({"id": "u-1"})"));
    remote().applyRemoteGroupMember(json(R"({"group_id": "g-1", "user_id": "u-1"})"));
    remote().replaceWorkspaces({Workspace{"ws-1", "One", "one", "owner", std::nullopt}});

    remote().purgeAccountData();
    EXPECT_TRUE(store->capture(local.id));
    EXPECT_TRUE(store->group(localGroup.id));
    EXPECT_TRUE(QFileInfo::exists(ZorviPaths::imageFile(localImage.imagePath)));
    ASSERT_EQ(store->activity(local.id).size(), 1u);
    EXPECT_EQ(store->activity(local.id).front().kind, "created") << "only the service's entries go";

    EXPECT_FALSE(store->captureIncludingDeleted(shared.id));
    EXPECT_FALSE(QFileInfo::exists(ZorviPaths::imageFile(sharedImage.imagePath)));
    EXPECT_FALSE(store->group("g-1"));
    EXPECT_TRUE(store->people().empty());
    EXPECT_TRUE(store->workspaces().empty());
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM group_members;"), 0);
    EXPECT_FALSE(store->currentUserID());
}

} // namespace
