// How the client reads replies a well-behaved service rarely gives: error
// bodies of every shape, odd device-code replies, storage that refuses, blobs
// that don't match their names. Each runs against a real loopback server.
#include "MisbehavingServer.h"

#include "support/QtEventLoop.h"

#include "sync/ContentHash.h"
#include "sync/SyncClient.h"
#include "sync/SyncError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <mutex>

namespace {

class SyncClientReplies : public ::testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        client = std::make_unique<SyncClient>(server.url(), QString("tok-123"));
    }

    // Runs `call` and returns the SyncError it throws.
    template <class Call>
    SyncError failure(Call call) {
        try {
            call();
        } catch (const SyncError& e) {
            return e;
        }
        ADD_FAILURE() << "no SyncError thrown";
        return SyncError::decode();
    }

    MisbehavingServer server;
    std::unique_ptr<SyncClient> client;
};

void expectServer(const SyncError& e, int status, const QString& message) {
    EXPECT_EQ(e.kind(), SyncError::Kind::server);
    EXPECT_EQ(e.status(), status);
    EXPECT_EQ(e.message(), message);
    EXPECT_EQ(e.description(), "Server error " + QString::number(status) + ": " + message);
}

} // namespace

TEST_F(SyncClientReplies, SendsHeadersAndKeySortedBodyAndReturnsTheReply) {
    std::mutex m;
    httplib::Headers seen;
    std::string body;
    server.http().Post("/v1/sync", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard g(m);
        seen = req.headers;
        body = req.body;
        res.set_content(R"({"cursor": 7, "more": false})", "application/json");
    });
    client->setClientLabel(QString("probe"));
    const QJsonObject reply = client->sync(QJsonObject{{"z", 1}, {"a", QJsonArray{}}, {"cursor", 0}});
    EXPECT_EQ(reply.value("cursor").toInt(), 7);
    std::lock_guard g(m);
    EXPECT_EQ(body, R"({"a":[],"cursor":0,"z":1})");
    auto header = [&](const char* name) { return seen.count(name) ? seen.find(name)->second : std::string("<none>"); };
    EXPECT_EQ(header("Authorization"), "Bearer tok-123");
    EXPECT_EQ(header("Accept"), "application/json");
    EXPECT_EQ(header("Content-Type"), "application/json");
    EXPECT_EQ(header("X-Zorvi-Client"), "probe");
}

TEST_F(SyncClientReplies, MapsErrorStatusesAndBodies) {
    server.answer("/v1/sync", 401, R"({"error":{"code":"nope","message":"token revoked"}})");
    server.answer("/v1/uploads", 403, R"({"error":{"code":"uploads_disabled","message":"off"}})");
    server.answer("/v1/sync/reconcile", 403, R"({"error":{"code":"forbidden","message":"not a member"}})");
    server.answer("/v1/me", 500, "", "text/plain");
    server.answer("/v1/devices", 502, R"({"message":"upstream down"})");
    server.answer("/api/auth/sign-out", 401, R"({"error":"whatever"})");

    EXPECT_EQ(failure([&] { client->sync({}); }).kind(), SyncError::Kind::unauthorized);
    EXPECT_EQ(failure([&] { client->sync({}); }).description(),
              "Your session has expired. Sign in again to keep syncing.");
    const SyncError disabled = failure([&] { client->ensureUploaded("ws", "x", ContentHash::sha256("x"), "image/png"); });
    EXPECT_EQ(disabled.kind(), SyncError::Kind::uploadsDisabled);
    EXPECT_EQ(disabled.description(), "Screenshot uploads are switched off on this server.");
    expectServer(failure([&] { client->reconcile({}); }), 403, "not a member");
    expectServer(failure([&] { client->me(); }), 500, "internal server error");
    expectServer(failure([&] { client->registerDevice("d", "n", "linux", std::nullopt); }), 502, "upstream down");
    client->signOut(); // a tolerated 401: no throw
}

TEST_F(SyncClientReplies, RefusesRepliesThatAreNotTheExpectedShape) {
    server.answer("/v1/sync", 200, "[1,2]");
    server.answer("/v1/me", 200, R"({"user":{"name":"No id"}})");
    server.answer("/api/auth/device/code", 200, R"({"user_code":"ABCD-EFGH"})");
    EXPECT_EQ(failure([&] { client->sync({}); }).kind(), SyncError::Kind::decode);
    EXPECT_EQ(failure([&] { client->me(); }).kind(), SyncError::Kind::decode);
    EXPECT_EQ(failure([&] { client->requestDeviceCode(); }).description(), "Unexpected reply from the server.");
}

TEST_F(SyncClientReplies, ReadsAccountSkippingIncompleteWorkspaces) {
    server.answer("/v1/me", 200, R"({"user":{"id":"u1","email":"a@b.c"},
        "workspaces":[{"id":"w1","name":"One","slug":"one","settings":{"b":1,"a":2}},
                      {"id":"w2","name":"No slug"},
                      {"id":"w3","name":"Three","slug":"three","role":"admin"}],
        "features":{"x":true,"y":"yes","z":false}})");
    const AccountInfo info = client->me();
    EXPECT_EQ(info.user.id, "u1");
    EXPECT_EQ(info.user.name, "You");
    EXPECT_EQ(info.user.email, QString("a@b.c"));
    EXPECT_EQ(info.user.kind, "person");
    ASSERT_EQ(info.workspaces.size(), 2u);
    EXPECT_EQ(info.workspaces[0].role, "member");
    EXPECT_EQ(info.workspaces[0].settingsJSON, QString(R"({"a":2,"b":1})"));
    EXPECT_EQ(info.workspaces[1].id, "w3");
    EXPECT_EQ(info.workspaces[1].role, "admin");
    EXPECT_EQ(info.features, (QMap<QString, bool>{{"x", true}, {"z", false}}));
}

TEST_F(SyncClientReplies, DeviceCodeDefaultsAndLimits) {
    const QUrl base("http://127.0.0.1:9/api");
    const QDateTime before = QDateTime::currentDateTimeUtc();
    DeviceCode code = SyncClient::decodeDeviceCode(
        QJsonDocument::fromJson(R"({"device_code":"d","user_code":"WXYZ-1234","expires_in":30})").object(), base);
    EXPECT_DOUBLE_EQ(code.interval, 2);
    EXPECT_EQ(code.verificationURI, "http://127.0.0.1:9/api");
    EXPECT_EQ(code.verificationURIComplete, "http://127.0.0.1:9/api?user_code=WXYZ-1234");
    EXPECT_GE(before.secsTo(code.expiresAt), 59);
    EXPECT_LE(before.secsTo(code.expiresAt), 61);

    code = SyncClient::decodeDeviceCode(
        QJsonDocument::fromJson(R"({"device_code":"d","user_code":"u","interval":"1","expires_in":"900",
            "verification_uri":"https://x.test/device","verification_uri_complete":"https://x.test/d?c=u"})")
            .object(),
        base);
    EXPECT_DOUBLE_EQ(code.interval, 2);
    EXPECT_EQ(code.verificationURIComplete, "https://x.test/d?c=u");
    EXPECT_GE(before.secsTo(code.expiresAt), 899);
}

TEST_F(SyncClientReplies, TokenPollOutcomes) {
    std::mutex m;
    std::vector<std::pair<int, std::string>> replies{{400, R"({"error":"authorization_pending"})"},
                                                     {400, R"({"code":"slow_down"})"},
                                                     {400, R"({"error":"access_denied"})"},
                                                     {400, R"({"error":"expired_token"})"},
                                                     {400, R"({"error":"invalid_grant"})"},
                                                     {200, R"({"access_token":"secret-1"})"},
                                                     {500, "{}"},
                                                     {503, R"({"message":"maintenance"})"}};
    size_t next = 0;
    server.http().Post("/api/auth/device/token", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard g(m);
        EXPECT_FALSE(req.has_header("Authorization"));
        EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(req.body)).object(),
                  (QJsonObject{{"grant_type", "urn:ietf:params:oauth:grant-type:device_code"},
                               {"device_code", "dc"},
                               {"client_id", "zorvi-desktop"}}));
        res.status = replies[next].first;
        res.set_content(replies[next].second, "application/json");
        ++next;
    });
    EXPECT_TRUE(std::holds_alternative<DevicePoll::Pending>(client->pollDeviceToken("dc")));
    EXPECT_TRUE(std::holds_alternative<DevicePoll::SlowDown>(client->pollDeviceToken("dc")));
    EXPECT_TRUE(std::holds_alternative<DevicePoll::Denied>(client->pollDeviceToken("dc")));
    EXPECT_TRUE(std::holds_alternative<DevicePoll::Expired>(client->pollDeviceToken("dc")));
    EXPECT_TRUE(std::holds_alternative<DevicePoll::Pending>(client->pollDeviceToken("dc")));
    const DevicePoll::Result token = client->pollDeviceToken("dc");
    ASSERT_TRUE(std::holds_alternative<DevicePoll::Token>(token));
    EXPECT_EQ(std::get<DevicePoll::Token>(token).accessToken, "secret-1");
    expectServer(failure([&] { client->pollDeviceToken("dc"); }), 500, "device token");
    expectServer(failure([&] { client->pollDeviceToken("dc"); }), 503, "maintenance");
}

TEST_F(SyncClientReplies, UnreachableServiceIsOffline) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close(); // nothing listens there now
    SyncClient offline(QUrl(QString("http://127.0.0.1:%1").arg(port)), QString("t"));
    const SyncError e = failure([&] { offline.me(); });
    EXPECT_EQ(e.kind(), SyncError::Kind::offline);
    EXPECT_FALSE(e.message().isEmpty());
    EXPECT_TRUE(e.description().startsWith("Can't reach ")) << e.description().toStdString();
    EXPECT_TRUE(e.description().endsWith(" \u2014 " + e.message()));
    offline.signOut(); // never fails, even offline
}

TEST_F(SyncClientReplies, StorageRefusalsAndUnverifiedBlobs) {
    const QByteArray bytes("\x89PNG not really", 15);
    const std::string sha = ContentHash::sha256(bytes).toStdString();
    const std::string storage = server.url("/storage/blob").toString().toStdString();
    server.answer("/v1/uploads", 200, R"({"url":")" + storage + R"(","method":"PUT"})");
    server.answer("/storage/blob", 507, "full", "text/plain");
    expectServer(failure([&] { client->ensureUploaded("ws", bytes, QString::fromStdString(sha), "image/png"); }),
                 507, "storage refused the upload");

    server.answer("/v1/blobs/ws/" + sha, 200, R"({"url":")" + server.url("/storage/good").toString().toStdString() + R"("})");
    server.answer("/storage/good", 200, bytes.toStdString(), "application/octet-stream");
    EXPECT_EQ(client->downloadBlob("ws", QString::fromStdString(sha)), bytes);

    const std::string upper = QString::fromStdString(sha).toUpper().toStdString();
    server.answer("/v1/blobs/ws/" + upper, 200, R"({"url":")" + server.url("/storage/good").toString().toStdString() + R"("})");
    expectServer(failure([&] { client->downloadBlob("ws", QString::fromStdString(upper)); }), 0,
                 "downloaded bytes don't match their hash");

    server.answer("/v1/blobs/ws/none", 200, R"({"url":""})");
    EXPECT_EQ(failure([&] { client->downloadBlob("ws", "none"); }).kind(), SyncError::Kind::decode);
}
