#include "ServiceFixture.h"

#include <QSet>

namespace {

QJsonObject result(const ServiceClient::Reply& reply, int index = 0) {
    return reply.json.value("results").toArray().at(index).toObject();
}

// The rows of one table in a pull reply, in reply order.
std::vector<QJsonObject> rowsOf(const ServiceClient::Reply& reply, const char* table) {
    std::vector<QJsonObject> rows;
    for (const QJsonValue& c : reply.json.value("changes").toArray())
        if (c.toObject().value("table").toString() == QLatin1String(table))
            rows.push_back(c.toObject().value("row").toObject());
    return rows;
}

} // namespace

TEST_P(ServiceFixture, OverlappingFieldEditsFromTwoDevicesAreAppliedThenMerged) {
    ServiceClient ann = clientFor("ann@acme.test");
    ServiceClient bob = clientFor("bob@acme.test");
    const QString id = "0a1b2c3d-0000-4000-8000-000000000001";

    auto created = ann.sync("ann-laptop", 0, {newCapture(id, acme_, "first note")});
    ASSERT_EQ(created.status, 200) << created.body;
    EXPECT_EQ(result(created).value("status").toString(), "applied");
    EXPECT_EQ(result(created).value("version").toInt(), 1);
    EXPECT_TRUE(rowsOf(created, "captures").empty()) << "a device's own clean push is not echoed back";

    // Bob's device pulls version 1, then both edit the note from that base.
    auto bobPull = bob.sync("bob-desktop", 0);
    ASSERT_EQ(rowsOf(bobPull, "captures").size(), 1u);
    EXPECT_EQ(rowsOf(bobPull, "captures")[0].value("author_id").toString().isEmpty(), false);
    const qint64 bobCursor = bobPull.json.value("cursor").toInteger();

    auto annEdit = ann.sync("ann-laptop", created.json.value("cursor").toInteger(),
                            {captureChange(id, 1, {{"note", "Ann's note"}})});
    EXPECT_EQ(result(annEdit).value("status").toString(), "applied");
    EXPECT_EQ(result(annEdit).value("version").toInt(), 2);

    auto bobEdit = bob.sync("bob-desktop", bobCursor,
                            {captureChange(id, 1, {{"note", "Bob's note"}, {"priority", "high"}})});
    ASSERT_EQ(bobEdit.status, 200) << bobEdit.body;
    const QJsonObject verdict = result(bobEdit);
    EXPECT_EQ(verdict.value("status").toString(), "merged");
    EXPECT_EQ(verdict.value("version").toInt(), 3);
    EXPECT_EQ(verdict.value("conflicts").toArray(), QJsonArray{"note"});

    // The merged row comes back to Bob with what stood, and his note is kept
    // alongside as a conflict comment.
    const auto captures = rowsOf(bobEdit, "captures");
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_EQ(captures[0].value("note").toString(), "Ann's note");
    EXPECT_EQ(captures[0].value("priority").toString(), "high");
    EXPECT_EQ(captures[0].value("version").toInt(), 3);
    const auto comments = rowsOf(bobEdit, "comments");
    ASSERT_EQ(comments.size(), 1u);
    EXPECT_EQ(comments[0].value("kind").toString(), "conflict");
    EXPECT_TRUE(comments[0].value("body").toString().contains("Bob's note"));

    // A later edit from the current version is clean again.
    auto again = bob.sync("bob-desktop", bobEdit.json.value("cursor").toInteger(),
                          {captureChange(id, 3, {{"note", "agreed note"}})});
    EXPECT_EQ(result(again).value("status").toString(), "applied");
    EXPECT_EQ(result(again).value("version").toInt(), 4);

    // Ann, still at version 2, changes another field cleanly; her reply
    // carries the row as it now stands, with Bob's note.
    auto annLater = ann.sync("ann-laptop", annEdit.json.value("cursor").toInteger(),
                             {captureChange(id, 2, {{"status", "resolved"}})});
    EXPECT_EQ(result(annLater).value("status").toString(), "applied");
    const auto annRows = rowsOf(annLater, "captures");
    ASSERT_EQ(annRows.size(), 1u);
    EXPECT_EQ(annRows[0].value("note").toString(), "agreed note");
    EXPECT_EQ(annRows[0].value("status").toString(), "resolved");
    EXPECT_EQ(annRows[0].value("version").toInt(), 5);

    // Ann's reply is lost, so her next push still names version 5: her own
    // earlier change is no conflict, and her later value is the one kept.
    ann.sync("ann-laptop", annLater.json.value("cursor").toInteger(), {captureChange(id, 5, {{"priority", "low"}})});
    auto annRetry = ann.sync("ann-laptop", annLater.json.value("cursor").toInteger(),
                             {captureChange(id, 5, {{"priority", "normal"}})});
    EXPECT_EQ(result(annRetry).value("status").toString(), "applied") << annRetry.body;
    auto bobView = bob.sync("bob-desktop", again.json.value("cursor").toInteger());
    ASSERT_FALSE(rowsOf(bobView, "captures").empty());
    EXPECT_EQ(rowsOf(bobView, "captures").back().value("priority").toString(), "normal");
}

TEST_P(ServiceFixture, AResentRowWithTheSameValuesChangesNothingAnotherDeviceCouldConflictWith) {
    ServiceClient ann = clientFor("ann@acme.test");
    ServiceClient bob = clientFor("bob@acme.test");
    const QString id = "0a1b2c3d-0000-4000-8000-000000000009";

    ASSERT_EQ(ann.sync("ann-laptop", 0, {newCapture(id, acme_, "first note")}).status, 200);
    auto bobPull = bob.sync("bob-desktop", 0);
    ASSERT_EQ(rowsOf(bobPull, "captures").size(), 1u);

    // Ann missed the reply and sends the whole new row again, unchanged.
    auto resent = ann.sync("ann-laptop", 0, {newCapture(id, acme_, "first note")});
    EXPECT_EQ(result(resent).value("status").toString(), "applied") << resent.body;

    // Bob's edit from version 1 meets no change of Ann's, so it stands.
    auto bobEdit = bob.sync("bob-desktop", bobPull.json.value("cursor").toInteger(),
                            {captureChange(id, 1, {{"priority", "high"}})});
    EXPECT_EQ(result(bobEdit).value("status").toString(), "applied") << bobEdit.body;
    auto annView = ann.sync("ann-laptop", resent.json.value("cursor").toInteger());
    ASSERT_FALSE(rowsOf(annView, "captures").empty());
    EXPECT_EQ(rowsOf(annView, "captures").back().value("priority").toString(), "high");
}

TEST_P(ServiceFixture, PullByCursorReturnsEachChangeOnceAndInOrder) {
    ServiceClient ann = clientFor("ann@acme.test");
    ServiceClient bob = clientFor("bob@acme.test");

    // 1,200 captures in three pushes, then two of them edited again.
    QStringList written;
    for (int batch = 0; batch < 3; ++batch) {
        QJsonArray changes;
        for (int i = 0; i < 400; ++i) {
            const QString id = QStringLiteral("cap-%1-%2").arg(batch).arg(i, 3, 10, QChar('0'));
            changes.append(newCapture(id, acme_, id));
            written << id;
        }
        auto reply = ann.sync("ann-laptop", 0, changes);
        ASSERT_EQ(reply.status, 200) << reply.body;
    }
    ann.sync("ann-laptop", 0, {captureChange("cap-0-000", 1, {{"status", "resolved"}}),
                               captureChange("cap-1-007", 1, {{"note", "edited"}})});
    written.removeOne("cap-0-000");
    written.removeOne("cap-1-007");
    written << "cap-0-000" << "cap-1-007";

    QStringList pulled;
    qint64 cursor = 0;
    int pages = 0;
    for (bool more = true; more; ++pages) {
        ASSERT_LT(pages, 10);
        auto page = bob.sync("bob-desktop", cursor);
        ASSERT_EQ(page.status, 200) << page.body;
        const qint64 next = page.json.value("cursor").toInteger();
        EXPECT_GT(next, cursor) << "the cursor only moves forward";
        cursor = next;
        more = page.json.value("more").toBool();
        // A capture edited late also comes early, ahead of the history
        // entries that need it; its last arrival keeps its place in the order.
        for (const QJsonObject& row : rowsOf(page, "captures")) {
            pulled.removeOne(row.value("id").toString());
            pulled << row.value("id").toString();
        }
    }
    EXPECT_EQ(pages, 3) << "1,200 captures, their 1,200 history entries and one more for the status change";
    EXPECT_EQ(pulled, written) << "each row once, in the order of its latest change";

    auto idle = bob.sync("bob-desktop", cursor);
    EXPECT_TRUE(idle.json.value("changes").toArray().isEmpty());
    EXPECT_EQ(idle.json.value("cursor").toInteger(), cursor);
    EXPECT_FALSE(idle.json.value("more").toBool());

    // People arrive with the first pull and again only when they change.
    auto first = bob.sync("bob-new", 0);
    QSet<QString> names;
    for (const QJsonValue& p : first.json.value("people").toArray())
        names.insert(p.toObject().value("name").toString());
    EXPECT_EQ(names, (QSet<QString>{"Ann", "Bob"}));
    EXPECT_TRUE(idle.json.value("people").toArray().isEmpty());
}

TEST_P(ServiceFixture, DeletionsReconcileAndFullGroups) {
    ServiceClient ann = clientFor("ann@acme.test");
    const QString group = "group-1";
    auto seeded = ann.sync("ann-laptop", 0,
                           {QJsonObject{{"table", "groups"},
                                        {"id", group},
                                        {"patch", QJsonObject{{"workspace_id", acme_}, {"name", "Login"},
                                                              {"visibility", "workspace"}}}},
                            captureChange("in-group", 0,
                                          {{"workspace_id", acme_}, {"group_id", group}, {"status", "open"}}),
                            newCapture("doomed", acme_, "to delete")});
    ASSERT_EQ(seeded.json.value("results").toArray().size(), 3);
    for (const QJsonValue& r : seeded.json.value("results").toArray())
        EXPECT_EQ(r.toObject().value("status").toString(), "applied") << r.toObject().value("reason").toString().toStdString();

    auto deleted = ann.sync("ann-laptop", 0,
                            {QJsonObject{{"table", "captures"}, {"id", "doomed"}, {"base_version", 1}, {"delete", true}}});
    EXPECT_EQ(result(deleted).value("status").toString(), "applied");

    ServiceClient bob = clientFor("bob@acme.test");
    auto pull = bob.sync("bob-desktop", 0);
    for (const QJsonObject& row : rowsOf(pull, "captures")) {
        if (row.value("id").toString() == "doomed") {
            EXPECT_TRUE(row.value("deleted_at").isString()) << "a deletion travels as a row with deleted_at";
        }
    }

    auto reconcile = bob.post("/v1/sync/reconcile", {{"capture_ids", QJsonArray{"in-group", "doomed", "never-was"}}});
    ASSERT_EQ(reconcile.status, 200) << reconcile.body;
    EXPECT_EQ(reconcile.json.value("drop").toArray(), QJsonArray{"doomed"});
    EXPECT_EQ(reconcile.json.value("unknown").toArray(), QJsonArray{"never-was"}) << "to be pushed again, not deleted";
    EXPECT_TRUE(reconcile.json.value("missing").toArray().isEmpty());

    auto full = bob.sync("bob-desktop", pull.json.value("cursor").toInteger(), {}, {group, "no-such-group"});
    EXPECT_EQ(rowsOf(full, "groups").size(), 1u);
    ASSERT_EQ(rowsOf(full, "captures").size(), 1u);
    EXPECT_EQ(rowsOf(full, "captures")[0].value("id").toString(), "in-group");
    EXPECT_EQ(full.json.value("resync_groups").toArray(),
              (QJsonArray{QJsonObject{{"id", "no-such-group"}, {"mode", "drop"}}}));

    // A cursor from a feed this service never wrote asks for a full resync.
    auto stale = bob.sync("bob-desktop", 1'000'000);
    ASSERT_EQ(stale.json.value("resync_groups").toArray().size(), 1);
    EXPECT_TRUE(stale.json.value("resync_groups").toArray()[0].toObject().value("id").toString().startsWith("workspace:"));
}
