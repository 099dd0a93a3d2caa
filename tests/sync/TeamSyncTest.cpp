// A team's use of one workspace against a real zorvi-server: Bob's library
// runs the app's own engine, his teammates speak the sync API from theirs.
#include "EngineFixture.h"
#include "ScreenshotFile.h"
#include "Teammate.h"
#include "support/QtPrinters.h"

#include "store/ActivityEvent.h"
#include "store/SyncLedger.h"
#include "sync/ContentHash.h"
#include "sync/SyncError.h"

#include <QDir>
#include <QDirIterator>

namespace {

bool logged(CaptureStore& store, const QString& text) {
    for (const SyncLogLine& line : store.syncLog(200))
        if (line.message.contains(text))
            return true;
    return false;
}

void copyFolder(const QString& from, const QString& to) {
    QDir(to).removeRecursively();
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + '/' + QDir(from).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).path());
        if (!QFile::copy(file, target))
            throw std::runtime_error("cannot copy " + file.toStdString());
    }
}

} // namespace

class TeamSyncTest : public EngineFixture {
protected:
    static std::optional<QJsonObject> serverRow(ZorviServer& server, const QString& email, const QString& table,
                                                const QString& id) {
        for (const QJsonObject& row : serverRows(server, email, table))
            if (row.value("id").toString() == id)
                return row;
        return std::nullopt;
    }

    CaptureGroup newSharedGroup(const QString& name) {
        CaptureGroup group;
        group.id = Identifiers::make();
        group.name = name;
        group.visibility = GroupVisibility::workspace;
        group.createdAt = group.updatedAt = QDateTime::currentDateTimeUtc();
        return store->upsertGroup(group);
    }
};

// One row over a limit once made the service refuse every request whole, and
// the library sent the same first page on every run, for good.
TEST_F(TeamSyncTest, ANoteTooLongToSyncIsRefusedAloneWhileEveryOtherChangeGoesThrough) {
    signInAsBob();
    const Capture tooLong = newSharedCapture("short for now");
    const Capture other = newSharedCapture("other");
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);

    Capture edited = *store->capture(tooLong.id);
    edited.note = QString(70'000, QChar('x')); // an agent's very long note
    store->update(edited);
    Capture fine = *store->capture(other.id);
    fine.note = "edited after";
    store->update(fine);

    EXPECT_EQ(runOnce().kind, SyncStatus::Kind::idle) << account->statusLine().toStdString();
    EXPECT_EQ(serverRow(server, ServiceAccounts::alice, "captures", other.id)->value("note"), "edited after");
    EXPECT_EQ(serverRow(server, ServiceAccounts::alice, "captures", tooLong.id)->value("note"), "short for now");
    EXPECT_TRUE(logged(*store, "rejected: note is longer than 65536 characters"));
    bool shown = false;
    for (const SyncLogLine& line : account->log())
        shown = shown || line.message.contains("note is longer than");
    EXPECT_TRUE(shown);
    EXPECT_EQ(pendingCaptures(), 0);

    // Later edits still travel.
    fine.note = "and again";
    store->update(fine);
    EXPECT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    EXPECT_EQ(serverRow(server, ServiceAccounts::alice, "captures", other.id)->value("note"), "and again");
}

// Each row within its limits, together far over what one request may carry.
TEST_F(TeamSyncTest, ABacklogOfLargeRowsGoesOutInRequestsTheServiceAccepts) {
    signInAsBob();
    const int count = 90;
    store->transaction([&] {
        for (int i = 0; i < count; ++i)
            newSharedCapture(QString("%1 ").arg(i) + QString(60'000, QChar('n')));
    });
    EXPECT_EQ(runOnce().kind, SyncStatus::Kind::idle) << account->statusLine().toStdString();
    // A run the change itself set off may still be finishing its last request.
    processEventsUntil([&] { return pendingCaptures() == 0; }, 30'000);
    EXPECT_EQ(pendingCaptures(), 0) << account->statusLine().toStdString();
    EXPECT_EQ(serverCaptures(server, ServiceAccounts::alice).size(), size_t(count));
}

// Alice's private group, with a capture, a comment and a screenshot, reaches
// Bob only while he is one of its members; a workspace group always does.
TEST_F(TeamSyncTest, APrivateGroupReachesOnlyItsMembersAndArrivesAndLeavesWithMembership) {
    signInAsBob();
    const QString bob = *store->currentUserID();
    Teammate alice(server, ServiceAccounts::alice);
    const QByteArray png("\x89PNG\r\n\x1a\nprivate-pixels", 22);
    const QString sha = ContentHash::sha256(png);
    alice.client.ensureUploaded(alice.workspace, png, sha, "image/png");
    const QString secretGroup = Identifiers::make(), secret = Identifiers::make(), openGroup = Identifiers::make(),
                  open = Identifiers::make(), image = Identifiers::make();
    alice.push({alice.group(secretGroup, "Payroll", "private"), alice.group(openGroup, "Web", "workspace"),
                alice.capture(secret, "salaries leak", secretGroup), alice.capture(open, "button misaligned", openGroup),
                Teammate::row("capture_images", image, {{"capture_id", secret}, {"position", 0}, {"original_sha256", sha}}),
                Teammate::row("comments", Identifiers::make(), {{"capture_id", secret}, {"body", "confidential"}})});

    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    EXPECT_TRUE(store->capture(open));
    EXPECT_TRUE(store->group(openGroup));
    EXPECT_FALSE(store->group(secretGroup));
    EXPECT_FALSE(store->captureIncludingDeleted(secret));
    EXPECT_FALSE(store->imageIncludingDeleted(image));

    // Nothing of it by asking directly either.
    Teammate bobElsewhere(server, ServiceAccounts::bob);
    EXPECT_THROW(bobElsewhere.client.downloadBlob(alice.workspace, sha), SyncError);
    for (const QJsonObject& row : rowsOf(bobElsewhere.exchange({}, {secretGroup}), "captures"))
        EXPECT_NE(row.value("id").toString(), secret);
    const QJsonObject tampering = bobElsewhere.exchange(
        {Teammate::row("groups", secretGroup, {{"name", "Mine now"}, {"visibility", "workspace"}}, 1),
         Teammate::row("comments", Identifiers::make(), {{"capture_id", secret}, {"body", "peek"}}),
         Teammate::member(secretGroup, bob)});
    for (const QJsonValue& result : tampering.value("results").toArray())
        EXPECT_EQ(result["status"].toString(), "rejected");
    EXPECT_EQ(bobElsewhere.client.reconcile({secret}).drop, QStringList{secret});
    EXPECT_EQ(serverRow(server, ServiceAccounts::alice, "groups", secretGroup)->value("name"), "Payroll");

    // Alice adds Bob: the whole group arrives at his next sync, file included.
    alice.push({Teammate::member(secretGroup, bob)});
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    ASSERT_TRUE(store->capture(secret));
    EXPECT_EQ(store->capture(secret)->groupID, secretGroup);
    EXPECT_EQ(store->comments(secret).size(), 1u);
    ASSERT_TRUE(store->imageIncludingDeleted(image));
    EXPECT_FALSE(store->imageIncludingDeleted(image)->imagePath.isEmpty());
    QStringList members = store->groupMemberIDs(secretGroup);
    members.sort();
    QStringList expected{alice.userID, bob};
    expected.sort();
    EXPECT_EQ(members, expected);
    EXPECT_EQ(bobElsewhere.client.downloadBlob(alice.workspace, sha), png);

    // And removes him: it leaves his library at the next sync.
    alice.push({Teammate::member(secretGroup, bob, true)});
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    EXPECT_FALSE(store->captureIncludingDeleted(secret));
    EXPECT_FALSE(store->group(secretGroup));
    EXPECT_TRUE(store->capture(open));
    EXPECT_THROW(bobElsewhere.client.downloadBlob(alice.workspace, sha), SyncError);
}

// Restored from a backup older than some captures, the service must learn
// them again from the computers that have them, not have them deleted there.
TEST_F(TeamSyncTest, AServiceRestoredFromABackupGetsBackEveryCaptureFromTheComputersThatHaveIt) {
    signInAsBob();
    const Capture before = newSharedCapture("filed before the backup");
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    server.stop();
    TempDir backup;
    copyFolder(server.dataPath(), backup.path());
    server.start();

    const Capture after = newSharedCapture("filed after the backup");
    const CaptureImage shot = addScreenshotFile(*store, after.id, "\x89PNG after the backup");
    newComment(after.id, "a comment after the backup");
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle) << account->statusLine().toStdString();
    ASSERT_TRUE(serverRow(server, ServiceAccounts::alice, "captures", after.id));

    server.stop();
    copyFolder(backup.path(), server.dataPath());
    server.start();
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle) << account->statusLine().toStdString();
    processEventsUntil([&] { return serverRow(server, ServiceAccounts::alice, "captures", after.id).has_value(); },
                       30'000);

    EXPECT_TRUE(store->capture(before.id));
    ASSERT_TRUE(store->capture(after.id)) << "deleted on the computer that had it";
    EXPECT_TRUE(serverRow(server, ServiceAccounts::alice, "captures", before.id));
    EXPECT_TRUE(serverRow(server, ServiceAccounts::alice, "captures", after.id));
    EXPECT_TRUE(serverRow(server, ServiceAccounts::alice, "capture_images", shot.id));
    EXPECT_EQ(serverRows(server, ServiceAccounts::alice, "comments").size(), 1u);
    Teammate alice(server, ServiceAccounts::alice);
    EXPECT_NO_THROW(alice.client.downloadBlob(alice.workspace, ContentHash::sha256("\x89PNG after the backup")));

    // A capture deleted on the service is still deleted here.
    alice.push({QJsonObject{{"table", "captures"}, {"id", before.id}, {"delete", true}}});
    SyncLedger(*store).setSyncMeta("last_reconcile", std::nullopt);
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    EXPECT_FALSE(store->capture(before.id));
}

// Two people make a group of the same name: one group, holding both
// people's captures, on every computer.
TEST_F(TeamSyncTest, GroupsOfTheSameNameBecomeOneAndARenameOntoATakenNameIsUndone) {
    signInAsBob();
    Teammate alice(server, ServiceAccounts::alice);
    const QString alicesGroup = Identifiers::make(), alicesCapture = Identifiers::make();
    alice.push({alice.group(alicesGroup, "Login", "workspace"), alice.capture(alicesCapture, "hers", alicesGroup)});

    const CaptureGroup mine = newSharedGroup("Login");
    Capture bobs = newSharedCapture("his");
    bobs.groupID = mine.id;
    store->update(bobs);
    const CaptureGroup other = newSharedGroup("Crash");

    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    EXPECT_FALSE(store->group(mine.id));
    ASSERT_TRUE(store->group("Login", workspaceID()));
    EXPECT_EQ(store->group("Login", workspaceID())->id, alicesGroup);
    EXPECT_EQ(store->capture(bobs.id)->groupID, alicesGroup);
    ASSERT_TRUE(store->capture(alicesCapture));
    EXPECT_EQ(store->capture(alicesCapture)->groupID, alicesGroup);
    EXPECT_EQ(serverRow(server, ServiceAccounts::alice, "captures", bobs.id)->value("group_id"), alicesGroup);
    int logins = 0;
    for (const QJsonObject& g : serverRows(server, ServiceAccounts::alice, "groups"))
        logins += g.value("name") == "Login";
    EXPECT_EQ(logins, 1);

    // Alice names a group "Sign-in" while Bob, not having heard, renames his
    // "Crash" to the same: his rename is refused and undone.
    alice.exchange();
    const QString alicesSecond = Identifiers::make();
    alice.push({alice.group(alicesSecond, "Sign-in", "workspace")});
    CaptureGroup renamed = *store->group(other.id);
    renamed.name = "Sign-in";
    store->upsertGroup(renamed);
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    EXPECT_EQ(store->group(other.id)->name, "Crash");
    ASSERT_TRUE(store->group(alicesSecond));
    EXPECT_EQ(store->group(alicesSecond)->name, "Sign-in");
    EXPECT_TRUE(logged(*store, "a group named \"Sign-in\" exists already"));
}

// The history of a shared capture is the service's: the same on every
// computer, and still there after a new sign-in.
TEST_F(TeamSyncTest, ASharedCapturesHistoryReadsTheSameEverywhere) {
    signInAsBob();
    // Worked on before its first push, and after.
    const Capture filed = newSharedCapture("history");
    store->setStatus(filed.id, CaptureStatus::inProgress, "Bob");
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    store->resolve(filed.id, QString("abc123"), "Bob");
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);

    QStringList here;
    for (const ActivityEvent& event : store->activity(filed.id))
        here << event.kind;
    here.sort();
    EXPECT_EQ(here, (QStringList{"created", "resolved", "status_changed"}));

    QStringList there;
    for (const QJsonObject& row : serverRows(server, ServiceAccounts::alice, "activity"))
        if (row.value("capture_id") == filed.id)
            there << row.value("kind").toString() + ": " + row.value("detail").toString();
    there.sort();
    EXPECT_EQ(there, (QStringList{"created: no screenshot", "resolved: abc123", "status_changed: Open → In Progress"}));

    // What this computer shows is the service's copy, which a new sign-in receives alike.
    int stored = 0;
    for (const ActivityEvent& event : store->activity(filed.id))
        stored += event.remote ? 1 : 0;
    EXPECT_EQ(stored, 3);
}

// Clearing every mark on a shared screenshot must not bring the old marked
// copy back at the next sync.
TEST_F(TeamSyncTest, ClearedMarksStayClearedAfterTheNextPull) {
    signInAsBob();
    const Capture c = newSharedCapture("marked");
    CaptureImage shot = addScreenshotFile(*store, c.id, "\x89PNG original");
    const QString marked = ZorviPaths::relativeImagePath(shot.id + "-marked", shot.createdAt, "png");
    QFile file(ZorviPaths::imageFile(marked));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x89PNG with marks");
    file.close();
    shot.annotatedPath = marked;
    shot.annotationJSON = R"({"items":[]})";
    store->updateImage(shot);
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    ASSERT_TRUE(serverRow(server, ServiceAccounts::alice, "capture_images", shot.id)->value("marked_sha256").isString());

    shot = *store->imageIncludingDeleted(shot.id);
    QFile::remove(ZorviPaths::imageFile(marked));
    shot.annotatedPath.reset();
    shot.annotationJSON.reset();
    store->updateImage(shot);
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    EXPECT_FALSE(store->imageIncludingDeleted(shot.id)->annotatedPath);
    EXPECT_FALSE(QFile::exists(ZorviPaths::imageFile(marked)));
    EXPECT_TRUE(serverRow(server, ServiceAccounts::alice, "capture_images", shot.id)->value("marked_sha256").isNull());
}
