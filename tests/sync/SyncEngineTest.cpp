// The sync engine and the account against a real zorvi-server: live events,
// offline work piling up, and what the status line says on the way.
#include "EngineFixture.h"
#include "FlakyProxy.h"
#include "LockedKeyring.h"
#include "MisbehavingServer.h"
#include "ScreenshotFile.h"
#include "support/QtPrinters.h"

#include "sync/SyncCycle.h"
#include "sync/SyncEngine.h"
#include "store/RemoteApplier.h"
#include "store/SyncLedger.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <iostream>

using SyncEngineTest = EngineFixture;

TEST_F(SyncEngineTest, AnEditElsewhereArrivesThroughTheEventStream) {
    // The engine reaches the service through a proxy that sees its live-event stream open.
    FlakyProxy proxy(server.port(), 1);
    qputenv("ZORVI_API_URL", QString("http://127.0.0.1:%1").arg(proxy.port()).toUtf8());
    signInAsBob();
    ASSERT_TRUE(store->defaultWorkspaceID());
    // The other computer edits only once the service streams this library's events.
    ASSERT_TRUE(processEventsUntil([&] { return proxy.eventStreamsOpened() > 0; }, 10'000));

    // Another computer (Alice's) files a capture straight through the API.
    SyncClient alice(server.url(), ServiceAccounts::tokenFor(server, ServiceAccounts::alice));
    const QString id = Identifiers::make();
    const QJsonValue now = Wire::stamp(QDateTime::currentDateTimeUtc());
    QElapsedTimer clock;
    clock.start();
    const QJsonObject reply = alice.sync(QJsonObject{
        {"device_id", Identifiers::make()},
        {"cursor", 0},
        {"full_groups", QJsonArray()},
        {"changes", QJsonArray{QJsonObject{{"table", "captures"},
                                           {"id", id},
                                           {"base_version", 0},
                                           {"patch", QJsonObject{{"workspace_id", workspaceID()},
                                                                 {"note", "from Alice"},
                                                                 {"status", "open"},
                                                                 {"priority", "high"},
                                                                 {"capture_mode", "text"},
                                                                 {"tags", QJsonArray{"ui"}},
                                                                 {"created_at", now},
                                                                 {"captured_at", now}}}}}}});
    ASSERT_EQ(reply.value("results").toArray().at(0)["status"].toString(), "applied");

    // Well inside the 30-second loop: only the event stream can have woken the engine.
    ASSERT_TRUE(processEventsUntil([&] { return store->capture(id).has_value(); }, 10'000));
    std::cout << "remote edit arrived after " << clock.elapsed() << " ms\n";
    EXPECT_EQ(store->capture(id)->note, "from Alice");
    EXPECT_EQ(store->capture(id)->priority, CapturePriority::high);
    EXPECT_EQ(store->tags(id), QStringList{"ui"});

    // This computer's own push comes back on its stream as well (the service
    // tells every stream of the workspace), but costs no second exchange.
    QNetworkAccessManager net;
    std::unique_ptr<QNetworkReply> watcher(net.get(SyncClient(server.url(), tokens->get()).events()));
    QByteArray heard;
    QObject::connect(watcher.get(), &QNetworkReply::readyRead, [&] { heard += watcher->readAll(); });
    ASSERT_TRUE(processEventsUntil([&] { return heard.contains(": zorvi events"); }, 10'000));
    newSharedCapture("filed here");
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    const QByteArray pushedAt = "\"cursor\":" + store->syncMeta("cursor")->toUtf8();
    ASSERT_TRUE(processEventsUntil([&] { return heard.contains(pushedAt); }, 10'000)) << heard.toStdString();
    int runs = 0;
    QObject::connect(account.get(), &Account::changed, [&] {
        runs += account->status().kind == SyncStatus::Kind::syncing;
    });
    // A run would start a debounce (300 ms) after the event: ten times that
    // without one means none was asked for.
    processEventsUntil([&] { return runs > 0; }, 10 * SyncEngine::eventDebounceMs);
    EXPECT_EQ(runs, 0) << "the push came back as a live event and was pulled again";
}

TEST_F(SyncEngineTest, EditsPileUpOfflineAndGoOutInOrderWhenTheServiceReturns) {
    signInAsBob();
    EXPECT_EQ(account->statusLine(), "Synced just now");

    server.stop();
    QStringList notes;
    for (int i = 0; i < 12; ++i) {
        notes << QString("offline %1").arg(i, 2, 10, QChar('0'));
        newSharedCapture(notes.last());
    }
    const SyncStatus offline = runOnce();
    ASSERT_EQ(offline.kind, SyncStatus::Kind::offline);
    EXPECT_EQ(account->statusLine(), "Offline \u2014 " + offline.message);
    EXPECT_FALSE(offline.message.isEmpty());
    EXPECT_EQ(pendingCaptures(), 12);
    // Local work goes on while offline.
    Capture edited = *store->capture(store->captures(CaptureQuery{}).front().id);
    edited.note += " (edited offline)";
    store->update(edited);

    server.start();
    EXPECT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    EXPECT_EQ(pendingCaptures(), 0);
    EXPECT_TRUE(account->statusLine().startsWith("Synced"));

    QStringList arrived;
    for (const QJsonObject& row : serverCaptures(server, ServiceAccounts::alice))
        arrived << row.value("note").toString().remove(" (edited offline)");
    EXPECT_EQ(arrived, notes);
}

// More new captures than a handful of exchanges carry: the comment and the
// screenshot of the last one must wait for it, not be refused until dropped.
TEST_F(SyncEngineTest, ALongBacklogStillCarriesTheLastCapturesCommentAndScreenshot) {
    signInAsBob();
    const int backlog = SyncCycle::rowsPerTable * (SyncCycle::retryableRejections + 2);
    store->transaction([&] {
        for (int i = 0; i < backlog; ++i)
            newSharedCapture(QString("backlog %1").arg(i));
    });
    Capture last;
    last.id = Identifiers::make();
    last.createdAt = last.updatedAt = QDateTime::currentDateTimeUtc().addSecs(3600);
    last.note = "pushed last";
    last.captureMode = CaptureMode::text;
    store->insert(last);
    const Comment comment = newComment(last.id, "seen on the last one");
    const CaptureImage image = addScreenshotFile(*store, last.id, "\x89PNG last");

    EXPECT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    EXPECT_EQ(pendingCaptures(), 0);
    QStringList comments, images;
    for (const QJsonObject& row : serverRows(server, ServiceAccounts::alice, "comments"))
        comments << row.value("id").toString();
    for (const QJsonObject& row : serverRows(server, ServiceAccounts::alice, "capture_images"))
        images << row.value("id").toString();
    EXPECT_EQ(comments, QStringList{comment.id});
    EXPECT_EQ(images, QStringList{image.id});
}

// Filed, commented on and deleted between two runs: the service never saw the
// capture, so its comment has nowhere to go and must not be sent and refused.
TEST_F(SyncEngineTest, ACaptureDeletedBeforeItsFirstPushTakesItsCommentAlong) {
    signInAsBob();
    const Capture gone = newSharedCapture("filed by mistake");
    newComment(gone.id, "never mind");
    store->softDelete(gone.id);

    EXPECT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    EXPECT_EQ(SyncLedger(*store).pendingComments(10).size(), 0u);
    for (const SyncLogLine& entry : store->syncLog(50))
        EXPECT_FALSE(entry.message.contains("rejected")) << entry.message.toStdString();
}

// A first pull comes in pages in the order rows last changed. A group renamed
// and a capture edited after the rest were filed come in the last page, yet
// the capture in the first page needs the group and the comment the capture.
// Another computer's deleted capture brings none of its comments along.
TEST_F(SyncEngineTest, AFirstPullOverManyPagesPlacesEveryRowUnderItsParent) {
    SyncClient alice(server.url(), ServiceAccounts::tokenFor(server, ServiceAccounts::alice));
    const QString workspace = alice.me().workspaces.front().id;
    const QJsonValue now = Wire::stamp(QDateTime::currentDateTimeUtc());
    auto row = [](const char* table, const QString& id, QJsonObject patch) {
        return QJsonObject{{"table", table}, {"id", id}, {"base_version", 0}, {"patch", patch}};
    };
    auto capture = [&](const QString& id, const QString& note, const QJsonValue& group) {
        return row("captures", id, {{"workspace_id", workspace}, {"group_id", group}, {"note", note},
                                    {"status", "open"}, {"priority", "normal"}, {"capture_mode", "text"},
                                    {"created_at", now}, {"captured_at", now}});
    };
    auto comment = [&](const QString& captureID, const QString& body) {
        return row("comments", Identifiers::make(), {{"capture_id", captureID}, {"body", body}, {"created_at", now}});
    };
    auto push = [&](const QJsonArray& changes) {
        const QJsonObject reply = alice.sync(QJsonObject{
            {"device_id", "alice-desk"}, {"cursor", 0}, {"full_groups", QJsonArray()}, {"changes", changes}});
        for (const QJsonValue& result : reply.value("results").toArray())
            ASSERT_EQ(result["status"].toString(), "applied") << result["reason"].toString().toStdString();
    };

    const QString group = Identifiers::make(), kept = Identifiers::make(), deleted = Identifiers::make();
    push({row("groups", group, {{"workspace_id", workspace}, {"name", "Login"}, {"visibility", "workspace"}}),
          capture(kept, "filed first", group), comment(kept, "seen on the first"), capture(deleted, "dropped", QJsonValue()),
          comment(deleted, "about to go")});
    for (int page = 0; page < 2; ++page) {
        QJsonArray filler;
        for (int i = 0; i < 300; ++i)
            filler.append(capture(Identifiers::make(), "filler", QJsonValue()));
        push(filler);
    }
    push({QJsonObject{{"table", "groups"}, {"id", group}, {"base_version", 1}, {"patch", QJsonObject{{"name", "Sign-in"}}}},
          QJsonObject{{"table", "captures"}, {"id", kept}, {"base_version", 1}, {"patch", QJsonObject{{"note", "edited last"}}}},
          QJsonObject{{"table", "captures"}, {"id", deleted}, {"base_version", 1}, {"delete", true}}});

    signInAsBob();
    ASSERT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    EXPECT_EQ(store->captures(CaptureQuery{}).size(), 601u);
    const std::optional<Capture> placed = store->capture(kept);
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->note, "edited last");
    EXPECT_EQ(placed->groupID, group);
    EXPECT_EQ(store->group(group)->name, "Sign-in");
    ASSERT_EQ(store->comments(kept).size(), 1u);
    EXPECT_EQ(store->comments(kept).front().body, "seen on the first");
    for (const SyncLogLine& entry : store->syncLog(50))
        EXPECT_NE(entry.level, "warn") << entry.message.toStdString();
}

TEST_F(SyncEngineTest, ARejectedSessionSignsOutLocallyAndKeepsTheData) {
    signInAsBob();
    newSharedCapture("kept");
    EXPECT_EQ(runOnce().kind, SyncStatus::Kind::idle);
    SyncClient(server.url(), tokens->get()).signOut(); // revoked elsewhere
    EXPECT_EQ(runOnce().kind, SyncStatus::Kind::sessionExpired);
    EXPECT_EQ(account->statusLine(), "Signed out \u2014 sign in again to keep syncing");
    EXPECT_FALSE(tokens->get());
    EXPECT_EQ(store->captures(CaptureQuery{}).size(), 1u);
}

// At launch the keyring may wait for its password: the app starts meanwhile,
// and syncs once the keyring answers.
TEST_F(SyncEngineTest, ALockedKeyringHoldsUpNeitherLaunchNorTheSyncAfterIt) {
    tokens->token = ServiceAccounts::tokenFor(server, ServiceAccounts::bob);
    auto keyring = std::make_shared<LockedKeyring::Lock>();
    account = std::make_unique<Account>(*store, std::make_unique<LockedKeyring>(keyring, tokens), [](const QUrl&) {});
    EXPECT_FALSE(keyring->hasAnswered()) << "the account waited for the keyring";
    keyring->unlock();
    ASSERT_TRUE(processEventsUntil([&] { return store->syncMeta("last_sync").has_value(); }, 30'000))
        << account->statusLine().toStdString();
    EXPECT_TRUE(waitForStatus(SyncStatus::Kind::idle));
}

// A service that answers with rows this library cannot place.
TEST(SyncEngineAgainstABadService, ARemoteRowWithAnUnknownParentIsLoggedAndSkipped) {
    ensureQtApplication();
    TempDir home;
    qputenv("ZORVI_HOME", home.path().toUtf8());
    ZorviPaths::ensureDirectories();
    CaptureStore storage(ZorviPaths::databaseFile());
    CaptureStore* store = &storage;
    MisbehavingServer bad;
    bad.answer("/v1/me", 200, R"({"user":{"id":"u1","name":"U"},"workspaces":[{"id":"ws1","name":"W","slug":"w"}]})");
    bad.answer("/v1/sync/reconcile", 200, R"({"drop":[],"missing":[]})");
    bad.answer("/v1/sync", 200, R"({"cursor": 42, "changes": [
        {"table":"capture_images","row":{"id":"img-orphan","capture_id":"no-such-capture","position":0,
                                         "original_sha256":"00"}},
        {"table":"captures","row":{"id":"cap-ok","workspace_id":"ws1","note":"fine","status":"open",
                                   "priority":"normal","created_at":"2024-05-01T12:00:00.000Z","version":1}}]})");
    qputenv("ZORVI_API_URL", bad.url().toString().toUtf8());
    auto tokens = std::make_shared<MemoryTokenStore::Slot>();
    tokens->token = QString("t");
    Account account(storage, std::make_unique<MemoryTokenStore>(tokens), [](const QUrl&) {});
    qunsetenv("ZORVI_API_URL");
    // The first run starts at once; it is over when the last sync time is written.
    ASSERT_TRUE(processEventsUntil([&] { return store->syncMeta("last_sync").has_value(); }, 20'000))
        << account.statusLine().toStdString();
    EXPECT_EQ(store->syncMeta("cursor"), QString("42"));
    EXPECT_TRUE(store->capture("cap-ok").has_value());
    EXPECT_FALSE(store->imageIncludingDeleted("img-orphan").has_value());
    bool logged = false;
    for (const SyncLogLine& line : store->syncLog(60))
        logged = logged || (line.level == "warn" && line.message.startsWith("Couldn't apply capture_images row"));
    EXPECT_TRUE(logged);
}

// A library holding more captures than the service takes in one reconcile
// request: it asks in pages, and what any page answers is acted on.
TEST(SyncEngineAgainstABadService, ALibraryLargerThanOneReconcileRequestIsReconciledInPages) {
    ensureQtApplication();
    TempDir home;
    qputenv("ZORVI_HOME", home.path().toUtf8());
    ZorviPaths::ensureDirectories();
    CaptureStore store(ZorviPaths::databaseFile());
    constexpr int held = 50'001; // one more than the service's limit
    const QString deletedOnTheService = "cap-" + QString::number(held - 1);
    store.transaction([&] {
        for (int i = 0; i < held; ++i)
            RemoteApplier(store).applyRemoteCapture(QJsonObject{{"id", "cap-" + QString::number(i)}, {"workspace_id", "ws1"},
                                                 {"note", "held"}, {"status", "open"}, {"priority", "normal"},
                                                 {"created_at", "2024-05-01T12:00:00.000Z"}, {"version", 1}});
    });
    ASSERT_EQ(SyncLedger(store).syncedCaptureIDs().size(), held);

    MisbehavingServer service;
    service.answer("/v1/me", 200, R"({"user":{"id":"u1","name":"U"},"workspaces":[{"id":"ws1","name":"W","slug":"w"}]})");
    service.answer("/v1/sync", 200, R"({"cursor": 1, "changes": []})");
    std::mutex lock;
    std::vector<qsizetype> pages;
    service.http().Post("/v1/sync/reconcile", [&](const httplib::Request& req, httplib::Response& res) {
        const QJsonArray ids = QJsonDocument::fromJson(QByteArray::fromStdString(req.body)).object()["capture_ids"].toArray();
        std::lock_guard g(lock);
        pages.push_back(ids.size());
        if (ids.size() > 50'000) {
            res.status = 400;
            res.set_content(R"({"error":"too_many_ids","message":"at most 50000 ids"})", "application/json");
            return;
        }
        const QJsonArray drop = ids.contains(deletedOnTheService) ? QJsonArray{deletedOnTheService} : QJsonArray();
        res.set_content(QJsonDocument(QJsonObject{{"drop", drop}, {"missing", QJsonArray()}, {"unknown", QJsonArray()}})
                            .toJson()
                            .toStdString(),
                        "application/json");
    });
    qputenv("ZORVI_API_URL", service.url().toString().toUtf8());
    auto tokens = std::make_shared<MemoryTokenStore::Slot>();
    tokens->token = QString("t");
    Account account(store, std::make_unique<MemoryTokenStore>(tokens), [](const QUrl&) {});
    qunsetenv("ZORVI_API_URL");
    ASSERT_TRUE(processEventsUntil([&] { return store.syncMeta("last_reconcile").has_value(); }, 60'000))
        << account.statusLine().toStdString();
    EXPECT_TRUE(processEventsUntil([&] { return account.status().kind == SyncStatus::Kind::idle; }, 20'000))
        << account.statusLine().toStdString();
    std::lock_guard g(lock);
    qsizetype asked = 0;
    for (qsizetype page : pages) {
        EXPECT_LE(page, 50'000);
        asked += page;
    }
    EXPECT_EQ(asked, held);
    EXPECT_FALSE(store.capture(deletedOnTheService).has_value());
    EXPECT_TRUE(store.capture("cap-0").has_value());
}
