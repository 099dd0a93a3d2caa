#pragma once

#include "MemoryTokenStore.h"
#include "ServiceFixture.h"

#include "support/TempDir.h"

#include "account/Account.h"
#include "common/Identifiers.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"
#include "store/SyncLedger.h"
#include "common/Wire.h"

#include <QJsonArray>

// A library signed in to a real zorvi-server through the app's Account, with
// helpers to wait for what the engine reports.
class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_ZORVI_SERVER();
        ensureQtApplication();
        qputenv("ZORVI_HOME", home.path().toUtf8());
        ZorviPaths::ensureDirectories();
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
        ServiceAccounts::populate(server);
        server.start();
        qputenv("ZORVI_API_URL", server.url().toString().toUtf8());
    }
    void TearDown() override {
        account.reset();
        qunsetenv("ZORVI_API_URL");
    }

    // Bob's library, signed in with a token from the real device flow.
    // Returns once the first run (which starts at once) has ended well.
    void signInAsBob() {
        tokens->token = ServiceAccounts::tokenFor(server, ServiceAccounts::bob);
        startAccount();
        ASSERT_TRUE(processEventsUntil([&] { return store->syncMeta("last_sync").has_value(); }, 30'000))
            << account->statusLine().toStdString();
        // The run's own idle, with its time: the account was idle before the run began.
        ASSERT_TRUE(processEventsUntil([&] {
            return account->status().kind == SyncStatus::Kind::idle && account->status().lastSync.has_value();
        })) << account->statusLine().toStdString();
    }
    void startAccount() {
        account = std::make_unique<Account>(*store, std::make_unique<MemoryTokenStore>(tokens),
                                            [this](const QUrl& url) { opened << url; });
    }

    bool waitForStatus(SyncStatus::Kind kind, int timeoutMs = 20'000) {
        return processEventsUntil([&] { return account->status().kind == kind; }, timeoutMs);
    }
    // Asks for a run and waits for it, and any run queued behind it, to end.
    SyncStatus runOnce() {
        quint64 served = 0;
        QMetaObject::Connection c =
            QObject::connect(account.get(), &Account::syncSettled, [&](quint64 ticket) { served = ticket; });
        const quint64 ticket = account->syncNow();
        EXPECT_TRUE(processEventsUntil([&] { return served >= ticket; }, 60'000)) << "the run never ended";
        QObject::disconnect(c);
        return account->status();
    }

    QString workspaceID() { return *store->defaultWorkspaceID(); }

    Capture newSharedCapture(const QString& note) {
        Capture c;
        c.id = Identifiers::make();
        c.createdAt = c.updatedAt = QDateTime::currentDateTimeUtc();
        c.note = note;
        c.captureMode = CaptureMode::text;
        store->insert(c);
        return c;
    }

    Comment newComment(const QString& captureID, const QString& body) {
        Comment comment;
        comment.id = Identifiers::make();
        comment.captureID = captureID;
        comment.body = body;
        comment.createdAt = QDateTime::currentDateTimeUtc();
        store->addComment(comment);
        return comment;
    }

    int pendingCaptures() {
        return int(SyncLedger(*store).pending("captures", 100000).size());
    }

    // What the service holds for a workspace member, pulled from the start.
    static std::vector<QJsonObject> serverCaptures(ZorviServer& server, const QString& email) {
        return serverRows(server, email, "captures");
    }
    static std::vector<QJsonObject> serverRows(ZorviServer& server, const QString& email, const QString& table) {
        SyncClient client(server.url(), ServiceAccounts::tokenFor(server, email));
        std::vector<QJsonObject> rows;
        qint64 cursor = 0;
        for (int page = 0; page < 100; ++page) {
            const QJsonObject reply = client.sync(QJsonObject{{"device_id", Identifiers::make()},
                                                              {"cursor", cursor},
                                                              {"changes", QJsonArray()},
                                                              {"full_groups", QJsonArray()}});
            for (const QJsonValue& change : reply.value("changes").toArray())
                if (change["table"].toString() == table)
                    rows.push_back(change["row"].toObject());
            cursor = Wire::integer(reply.value("cursor"));
            if (!Wire::boolean(reply.value("more")))
                break;
        }
        return rows;
    }

    TempDir home;
    std::unique_ptr<CaptureStore> store;
    ZorviServer server;
    std::shared_ptr<MemoryTokenStore::Slot> tokens = std::make_shared<MemoryTokenStore::Slot>();
    std::unique_ptr<Account> account;
    QList<QUrl> opened;
};
