#include "ServiceFixture.h"

#include <QCryptographicHash>
#include <QJsonDocument>

namespace {

QString sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace

TEST_P(ServiceFixture, AMemberOfAnotherWorkspaceSeesNothingAndCanWriteNothing) {
    ServiceClient ann = clientFor("ann@acme.test");
    ServiceClient cat = clientFor("cat@globex.test");
    EventStream annEvents(url(), tokenFor("ann@acme.test"));
    EventStream catEvents(url(), tokenFor("cat@globex.test"));
    ASSERT_TRUE(annEvents.connected());
    ASSERT_TRUE(catEvents.connected());

    // Ann files a capture with a screenshot into acme.
    const QByteArray png("\x89PNG\r\n\x1a\nacme-secret-pixels", 25);
    const QString sha = sha256(png);
    auto upload = ann.post("/v1/uploads", {{"workspace_id", acme_}, {"sha256", sha}, {"bytes", png.size()},
                                           {"content_type", "image/png"}});
    ASSERT_EQ(upload.status, 200) << upload.body;
    ASSERT_EQ(ann.put(upload.json.value("url").toString(), png).status, 201);
    auto pushed = ann.sync("ann-laptop", 0,
                           {newCapture("acme-cap", acme_, "secret"),
                            QJsonObject{{"table", "capture_images"},
                                        {"id", "acme-img"},
                                        {"patch", QJsonObject{{"capture_id", "acme-cap"}, {"original_sha256", sha}}}}});
    for (const QJsonValue& r : pushed.json.value("results").toArray())
        ASSERT_EQ(r.toObject().value("status").toString(), "applied");
    ASSERT_TRUE(annEvents.waitFor("event: change"));
    EXPECT_NE(annEvents.text().find(acme_.toStdString()), std::string::npos);

    // Cat pulls nothing of it, and can neither read nor write it.
    auto pull = cat.sync("cat-desktop", 0);
    EXPECT_TRUE(pull.json.value("changes").toArray().isEmpty()) << pull.body;
    for (const QJsonValue& p : pull.json.value("people").toArray())
        EXPECT_EQ(p.toObject().value("name").toString(), "Cat");

    auto edits = cat.sync("cat-desktop", 0,
                          {captureChange("acme-cap", 1, {{"note", "defaced"}}),
                           newCapture("sneaky", acme_, "into acme"),
                           QJsonObject{{"table", "comments"},
                                       {"id", "cat-comment"},
                                       {"patch", QJsonObject{{"capture_id", "acme-cap"}, {"body", "hi"}}}},
                           QJsonObject{{"table", "captures"}, {"id", "acme-cap"}, {"delete", true}}});
    ASSERT_EQ(edits.status, 400) << "one id twice in a request is refused whole";
    edits = cat.sync("cat-desktop", 0,
                     {captureChange("acme-cap", 1, {{"note", "defaced"}}), newCapture("sneaky", acme_, "into acme"),
                      QJsonObject{{"table", "comments"},
                                  {"id", "cat-comment"},
                                  {"patch", QJsonObject{{"capture_id", "acme-cap"}, {"body", "hi"}}}}});
    ASSERT_EQ(edits.status, 200) << edits.body;
    for (const QJsonValue& r : edits.json.value("results").toArray())
        EXPECT_EQ(r.toObject().value("status").toString(), "rejected");

    EXPECT_EQ(cat.get("/v1/blobs/" + acme_ + "/" + sha).status, 404);
    EXPECT_EQ(cat.post("/v1/uploads", {{"workspace_id", acme_}, {"sha256", sha}, {"bytes", png.size()}}).status, 404);
    auto reconcile = cat.post("/v1/sync/reconcile", {{"capture_ids", QJsonArray{"acme-cap"}}});
    EXPECT_EQ(reconcile.json.value("drop").toArray(), QJsonArray{"acme-cap"});

    // Ann's signed address works; the same path with another workspace's
    // id, or a forged signature, does not.
    auto download = ann.get("/v1/blobs/" + acme_ + "/" + sha);
    ASSERT_EQ(download.status, 200);
    const QString signedUrl = download.json.value("url").toString();
    EXPECT_EQ(QByteArray::fromStdString(cat.fetch(signedUrl).body), png);
    QString moved = signedUrl;
    moved.replace(acme_, globex_);
    EXPECT_EQ(cat.fetch(moved).status, 403);
    QString forged = signedUrl;
    forged.chop(4);
    forged += "0000";
    EXPECT_EQ(cat.fetch(forged).status, 403);

    // Cat's stream only ever hears about globex; Ann's saw nothing of it.
    EventStream onlyAcme(url(), tokenFor("cat@globex.test"), "?workspace=" + acme_);
    EXPECT_EQ(onlyAcme.status(), 404);
    ASSERT_EQ(cat.sync("cat-desktop", 0, {newCapture("globex-cap", globex_, "ours")}).status, 200);
    ASSERT_TRUE(catEvents.waitFor(globex_.toStdString()));
    EXPECT_EQ(catEvents.text().find(acme_.toStdString()), std::string::npos);
    EXPECT_EQ(annEvents.text().find(globex_.toStdString()), std::string::npos);

    // Nothing Cat tried reached acme.
    ServiceClient bob = clientFor("bob@acme.test");
    auto bobPull = bob.sync("bob-desktop", 0);
    int captures = 0;
    for (const QJsonValue& c : bobPull.json.value("changes").toArray()) {
        const QJsonObject row = c.toObject().value("row").toObject();
        EXPECT_NE(row.value("id").toString(), "sneaky");
        EXPECT_NE(row.value("id").toString(), "cat-comment");
        if (c.toObject().value("table").toString() == "captures") {
            ++captures;
            EXPECT_EQ(row.value("note").toString(), "secret");
            EXPECT_TRUE(row.value("deleted_at").isNull());
        }
    }
    EXPECT_EQ(captures, 1);
}

TEST_P(ServiceFixture, ARemovedMemberIsToldToDropTheWorkspaceAndLosesAccess) {
    ServiceClient ann = clientFor("ann@acme.test");
    ServiceClient bob = clientFor("bob@acme.test");
    ASSERT_EQ(ann.sync("ann-laptop", 0, {newCapture("shared", acme_, "for the team")}).status, 200);
    auto before = bob.sync("bob-desktop", 0);
    ASSERT_EQ(before.json.value("changes").toArray().size(), 2) << "the capture and its history";
    EXPECT_TRUE(before.json.value("dropped_workspaces").toArray().isEmpty());

    QString output;
    ASSERT_EQ(server_->admin({"member", "remove", "acme", "bob@acme.test"}, {}, &output), 0) << output.toStdString();
    EXPECT_NE(server_->admin({"member", "remove", "acme", "bob@acme.test"}), 0);

    auto after = bob.sync("bob-desktop", before.json.value("cursor").toInteger());
    EXPECT_EQ(after.json.value("dropped_workspaces").toArray(), QJsonArray{acme_});
    auto again = bob.sync("bob-desktop", after.json.value("cursor").toInteger());
    EXPECT_TRUE(again.json.value("dropped_workspaces").toArray().isEmpty()) << "told once";
    EXPECT_EQ(bob.sync("bob-desktop", 0, {captureChange("shared", 1, {{"note", "mine now"}})})
                  .json.value("results").toArray()[0].toObject().value("status").toString(),
              "rejected");
    EXPECT_TRUE(bob.get("/v1/me").json.value("workspaces").toArray().isEmpty());

    // Added back, the workspace is simply readable again.
    ASSERT_TRUE(server_->addMember("acme", "bob@acme.test"));
    EXPECT_EQ(bob.sync("bob-desktop", 0).json.value("changes").toArray().size(), 2);
}

// Whatever is written under another workspace's row (or a private group's
// the writer is not in) is answered word for word as under an id no one
// has, so answers cannot be used to learn which ids exist elsewhere.
TEST_P(ServiceFixture, AWriteUnderSomeoneElsesRowIsAnsweredAsUnderAnIdNoOneHas) {
    ServiceClient ann = clientFor("ann@acme.test");
    ServiceClient bob = clientFor("bob@acme.test");
    ServiceClient cat = clientFor("cat@globex.test");
    QJsonObject hidden = newCapture("hidden-cap", acme_, "in a private group");
    QJsonObject patch = hidden.value("patch").toObject();
    patch.insert("group_id", "ann-private");
    hidden.insert("patch", patch);
    auto filed = ann.sync("ann-laptop", 0,
                          {QJsonObject{{"table", "groups"},
                                       {"id", "ann-private"},
                                       {"patch", QJsonObject{{"workspace_id", acme_}, {"name", "Ann only"},
                                                             {"visibility", "private"}}}},
                           newCapture("acme-cap", acme_, "shared in acme"), hidden});
    for (const QJsonValue& r : filed.json.value("results").toArray())
        ASSERT_EQ(r.toObject().value("status").toString(), "applied") << filed.body;

    // One probe per way a row can hang under another: `%1` is the real
    // row's id, or one no one has.
    auto probes = [](const QString& captureId, const QString& groupId, const QString& workspaceId) {
        return QJsonArray{
            QJsonObject{{"table", "comments"},
                        {"id", "probe-comment"},
                        {"patch", QJsonObject{{"capture_id", captureId}, {"body", "is it there?"}}}},
            QJsonObject{{"table", "capture_images"},
                        {"id", "probe-image"},
                        {"patch", QJsonObject{{"capture_id", captureId}, {"position", 0}}}},
            QJsonObject{{"table", "captures"},
                        {"id", "probe-capture"},
                        {"base_version", 0},
                        {"patch", QJsonObject{{"workspace_id", workspaceId}, {"group_id", groupId},
                                              {"status", "open"}, {"priority", "normal"}}}},
            QJsonObject{{"table", "group_members"},
                        {"id", "probe-member"},
                        {"patch", QJsonObject{{"group_id", groupId}, {"user_id", "someone"}}}},
            QJsonObject{{"table", "captures"}, {"id", captureId}, {"delete", true}},
        };
    };
    auto verdicts = [](const ServiceClient::Reply& reply) {
        QJsonArray seen;
        for (const QJsonValue& r : reply.json.value("results").toArray()) {
            QJsonObject v = r.toObject();
            v.remove("id");
            seen.append(v);
        }
        return QJsonDocument(seen).toJson(QJsonDocument::Compact).toStdString();
    };
    struct Prober {
        ServiceClient& client;
        const char* device;
        QString captureId, groupId, workspaceId;
    };
    for (const Prober& p : {Prober{cat, "cat-desktop", "acme-cap", "ann-private", globex_},
                            Prober{bob, "bob-desktop", "hidden-cap", "ann-private", acme_}}) {
        const auto real = p.client.sync(p.device, 0, probes(p.captureId, p.groupId, p.workspaceId));
        const auto none = p.client.sync(p.device, 0, probes("no-such-cap", "no-such-group", p.workspaceId));
        ASSERT_EQ(real.status, 200) << real.body;
        ASSERT_EQ(none.status, 200) << none.body;
        EXPECT_EQ(verdicts(real), verdicts(none)) << p.device;
    }

    // And nothing of it reached Ann's rows.
    for (const QJsonValue& c : ann.sync("ann-laptop", 0).json.value("changes").toArray()) {
        const QJsonObject row = c.toObject().value("row").toObject();
        EXPECT_FALSE(row.value("id").toString().startsWith("probe-")) << row.value("id").toString().toStdString();
        if (c.toObject().value("table").toString() == "captures") {
            EXPECT_TRUE(row.value("deleted_at").isNull());
        }
    }
}
