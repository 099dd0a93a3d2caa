#include "ServiceFixture.h"

#include <QFileInfo>

namespace {

struct Hostile {
    const char* name;
    const char* method;
    QString path;
    std::string body;
    int status;
};

std::string repeated(const std::string& unit, int times) {
    std::string s;
    for (int i = 0; i < times; ++i)
        s += (i ? "," : "") + unit;
    return s;
}

} // namespace

TEST_P(ServiceFixture, HostileInputIsRefusedWithAJsonErrorAndWritesNothing) {
    ServiceClient ann = clientFor("ann@acme.test");
    ASSERT_EQ(ann.sync("ann-laptop", 0, {newCapture("kept", acme_, "original")}).status, 200);
    const QString db = server_->dataDirectory() + "/zorvi-server.sqlite3";
    auto before = ann.sync("probe", 0);
    const qint64 cursorBefore = before.json.value("cursor").toInteger();

    const std::string change = R"({"table":"captures","id":"x1","patch":{"workspace_id":")" + acme_.toStdString() +
                               R"(","note":"n"}})";
    const std::string sha = std::string(64, 'a');
    const std::vector<Hostile> cases = {
        {"not JSON", "POST", "/v1/sync", "{\"device_id\":", 400},
        {"an array body", "POST", "/v1/sync", "[]", 400},
        {"no device id", "POST", "/v1/sync", "{\"cursor\":0}", 400},
        {"path-like device id", "POST", "/v1/sync", R"({"device_id":"../../etc"})", 400},
        {"cursor as text", "POST", "/v1/sync", R"({"device_id":"d","cursor":"5"})", 400},
        {"negative cursor", "POST", "/v1/sync", R"({"device_id":"d","cursor":-1})", 400},
        {"changes not an array", "POST", "/v1/sync", R"({"device_id":"d","changes":{}})", 400},
        {"path-like row id", "POST", "/v1/sync", R"({"device_id":"d","changes":[{"table":"captures","id":"../../../etc/passwd","patch":{"note":"x"}}]})", 400},
        {"overlong row id", "POST", "/v1/sync", R"({"device_id":"d","changes":[{"table":"captures","id":")" + std::string(200, 'a') + R"(","patch":{"note":"x"}}]})", 400},
        {"501 changes", "POST", "/v1/sync", R"({"device_id":"d","changes":[)" + repeated(change, 501) + "]}", 400},
        {"bad full group id", "POST", "/v1/sync", R"({"device_id":"d","full_groups":["a/b"]})", 400},
        {"oversized body", "POST", "/v1/sync", R"({"device_id":"d","pad":")" + std::string(5 * 1024 * 1024, 'x') + "\"}", 413},
        {"reconcile without ids", "POST", "/v1/sync/reconcile", "{}", 400},
        {"reconcile path-like id", "POST", "/v1/sync/reconcile", R"({"capture_ids":["../x"]})", 400},
        {"upload with upper-case hash", "POST", "/v1/uploads", R"({"workspace_id":")" + acme_.toStdString() + R"(","sha256":")" + std::string(64, 'F') + R"(","bytes":3})", 400},
        {"upload of negative size", "POST", "/v1/uploads", R"({"workspace_id":")" + acme_.toStdString() + R"(","sha256":")" + sha + R"(","bytes":-3})", 400},
        {"upload of a huge file", "POST", "/v1/uploads", R"({"workspace_id":")" + acme_.toStdString() + R"(","sha256":")" + sha + R"(","bytes":1e12})", 400},
        {"upload of a non-image", "POST", "/v1/uploads", R"({"workspace_id":")" + acme_.toStdString() + R"(","sha256":")" + sha + R"(","bytes":3,"content_type":"text/html"})", 400},
        {"blob path escape", "GET", "/v1/blobs/..%2F..%2Fetc/" + QString::fromStdString(sha), "", 404},
        {"blob id with dots", "GET", "/v1/blobs/a..b/" + QString::fromStdString(sha), "", 400},
        {"blob short hash", "GET", "/v1/blobs/" + acme_ + "/abc", "", 400},
        {"device with path-like id", "POST", "/v1/devices", R"({"id":"../d","name":"n","platform":"linux"})", 400},
        {"unsigned storage write", "PUT", "/storage/" + acme_ + "/" + QString::fromStdString(sha), "abc", 403},
        {"unknown endpoint", "POST", "/v1/nothing", "{}", 404},
    };

    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceClient::Reply reply;
        if (std::string(c.method) == "POST")
            reply = ann.postRaw(c.path, c.body);
        else if (std::string(c.method) == "PUT")
            reply = ann.put(url() + c.path, QByteArray::fromStdString(c.body));
        else
            reply = ann.get(c.path);
        EXPECT_EQ(reply.status, c.status) << reply.body.substr(0, 300);
        EXPECT_TRUE(reply.json.value("error").toObject().value("message").isString()) << reply.body.substr(0, 300);
        EXPECT_FALSE(reply.json.value("error").toObject().value("code").toString().isEmpty());
    }

    // A change that names its row but cannot be applied is refused alone,
    // with its reason, in an answer the client can read.
    const std::vector<Hostile> refusedChanges = {
        {"unknown table", "POST", "/v1/sync", R"({"device_id":"d","changes":[{"table":"users","id":"u","patch":{"name":"x"}}]})", 200},
        {"sqlite table name", "POST", "/v1/sync", R"({"device_id":"d","changes":[{"table":"sync_rows; DROP TABLE users","id":"u","patch":{"a":1}}]})", 200},
        {"note as a number", "POST", "/v1/sync", R"({"device_id":"d","changes":[{"table":"captures","id":"x1","patch":{"note":5}}]})", 200},
        {"tags as text", "POST", "/v1/sync", R"({"device_id":"d","changes":[{"table":"captures","id":"x1","patch":{"tags":"a,b"}}]})", 200},
        {"unknown field", "POST", "/v1/sync", R"({"device_id":"d","changes":[{"table":"captures","id":"x1","patch":{"owner":"me"}}]})", 200},
        {"upper-case hash", "POST", "/v1/sync", R"({"device_id":"d","changes":[{"table":"capture_images","id":"i","patch":{"capture_id":"kept","original_sha256":")" + std::string(64, 'A') + R"("}}]})", 200},
        {"empty patch", "POST", "/v1/sync", R"({"device_id":"d","changes":[{"table":"captures","id":"x1","patch":{}}]})", 200},
        {"deleting a comment", "POST", "/v1/sync", R"({"device_id":"d","changes":[{"table":"comments","id":"c","delete":true}]})", 200},
    };
    for (const Hostile& c : refusedChanges) {
        SCOPED_TRACE(c.name);
        const ServiceClient::Reply reply = ann.postRaw(c.path, c.body);
        ASSERT_EQ(reply.status, c.status) << reply.body.substr(0, 300);
        const QJsonArray results = reply.json.value("results").toArray();
        ASSERT_EQ(results.size(), 1);
        EXPECT_EQ(results[0].toObject().value("status").toString(), "rejected");
        EXPECT_FALSE(results[0].toObject().value("reason").toString().isEmpty());
    }

    // Nothing was written: the feed did not move, the kept row is untouched,
    // and no file appeared under the data folder's parent.
    auto after = ann.sync("probe", 0);
    EXPECT_EQ(after.json.value("cursor").toInteger(), cursorBefore);
    EXPECT_EQ(after.json.value("changes").toArray(), before.json.value("changes").toArray());
    EXPECT_FALSE(QFileInfo::exists(server_->dataDirectory() + "/../etc"));

    // Without a token, every API endpoint is a 401 with the same JSON shape.
    ServiceClient anonymous(url());
    for (const char* path : {"/v1/me", "/v1/devices"}) {
        auto reply = anonymous.get(path);
        EXPECT_EQ(reply.status, 401) << path;
        EXPECT_EQ(reply.json.value("error").toObject().value("code").toString(), "unauthorized");
    }
    ServiceClient forged(url(), "not-a-token");
    EXPECT_EQ(forged.sync("d", 0).status, 401);
    EXPECT_EQ(forged.post("/v1/sync/reconcile", {{"capture_ids", QJsonArray{}}}).status, 401);
}
