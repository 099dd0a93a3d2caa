#include "SyncFixture.h"

namespace {

using RemoteHistory = SyncFixture;
using RemoteDirectory = SyncFixture;

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

    remote().applyRemoteActivity(remoteEntry("a-echo", 30));
    remote().applyRemoteActivity(remoteEntry("a-later", 120));
    remote().applyRemoteActivity(remoteEntry("a-later", 120)); // repeated: harmless

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
    remote().upsertPerson(Person{"u-ada", "Ada", std::nullopt, std::nullopt, "person"});
    const QString at = "2024-05-01T00:00:00Z";
    auto entry = [&](const QString& id, const QJsonObject& extra) {
        QJsonObject row{{"id", id}, {"capture_id", c.id}, {"kind", "assigned"}, {"created_at", at}};
        for (auto it = extra.begin(); it != extra.end(); ++it)
            row.insert(it.key(), it.value());
        remote().applyRemoteActivity(row);
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
        remote().applyRemoteComment(row);
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
    remote().applyRemoteActivity(QJsonObject{{"id", "a1"}, {"capture_id", c.id}, {"kind", "x"}});
    remote().applyRemoteActivity(QJsonObject{{"id", "a2"}, {"capture_id", c.id}, {"created_at", 5}});
    remote().applyRemoteActivity(QJsonObject{{"capture_id", c.id}, {"kind", "x"}, {"created_at", 5}});
    remote().applyRemoteComment(QJsonObject{{"id", "k1"}, {"body", "orphan"}});
    EXPECT_EQ(store->activity(c.id).size(), before);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM comments;"), 0);
}

TEST_F(RemoteDirectory, PeopleKeepTheirKnownEmail) {
    remote().applyRemotePerson(json(R"({"id": "u-1", "name": "Ada", "email": "ada@example.com",
                                      "image_url": "https://x/a.png"})"));
    remote().applyRemotePerson(json(R"({"id": "u-1", "name": "Ada L.", "image": "https://x/b.png", "kind": "bot"})"));
    const Person ada = *store->person("u-1");
    EXPECT_EQ(ada.name, "Ada L.");
    EXPECT_EQ(ada.email, "ada@example.com");
    EXPECT_EQ(ada.imageURL, "https://x/b.png");
    EXPECT_TRUE(ada.isBot());

    remote().applyRemotePerson(json(R"({"id": "u-2"})"));
    EXPECT_EQ(store->person("u-2")->name, "Someone");
    EXPECT_EQ(remote().personName(QString("u-2")), "Someone");
    EXPECT_FALSE(remote().personName(std::nullopt));
    EXPECT_FALSE(remote().personName(QString("u-3")));
}

TEST_F(RemoteDirectory, WorkspacesAreReplacedAndMembersUpserted) {
    remote().replaceWorkspaces({Workspace{"w-1", "One", "one", "owner", std::nullopt},
                              Workspace{"w-2", "Two", "two", "member", QString("{}")}});
    remote().replaceWorkspaces({Workspace{"w-3", "Three", "three", "guest", std::nullopt}});
    ASSERT_EQ(store->workspaces().size(), 1u);
    EXPECT_EQ(store->workspaces().front().id, "w-3");

    remote().applyRemoteGroupMember(json(R"({"group_id": "g-1", "user_id": "u-1"})"));
    remote().applyRemoteGroupMember(json(R"({"group_id": "g-1", "user_id": "u-2"})"));
    remote().applyRemoteGroupMember(json(R"({"group_id": "g-1", "user_id": "u-2", "removed_at": 1714566896})"));
    remote().applyRemoteGroupMember(json(R"({"group_id": "g-1"})"));
    EXPECT_EQ(store->groupMemberIDs("g-1"), QStringList{"u-1"});
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM group_members;"), 2);
}

} // namespace
