#include "RawConnection.h"
#include "ServiceFixture.h"

#include <QCryptographicHash>

namespace {

int rowsNamed(const ServiceClient::Reply& reply, const char* table, const QString& id = {}) {
    int n = 0;
    for (const QJsonValue& c : reply.json.value("changes").toArray())
        if (c.toObject().value("table").toString() == QLatin1String(table) &&
            (id.isEmpty() || c.toObject().value("row").toObject().value("id").toString() == id))
            ++n;
    return n;
}

QJsonObject group(const QString& id, const QString& workspaceId) {
    return {{"table", "groups"}, {"id", id}, {"patch", QJsonObject{{"workspace_id", workspaceId}, {"name", id}, {"visibility", "workspace"}}}};
}

QJsonObject captureIn(const QString& id, const QString& workspaceId, const QString& groupId) {
    return captureChange(id, 0, {{"workspace_id", workspaceId}, {"group_id", groupId}, {"status", "open"}});
}

} // namespace

// A small request naming one big group many times, or many groups, gets
// each group once and no more rows than one reply's budget; the groups left
// over are named for the next exchange.
TEST_P(ServiceFixture, FullGroupsAreSentOnceEachAndPagedByRows) {
    ServiceClient ann = clientFor("ann@acme.test");
    QJsonArray seed{group("big", acme_), group("small", acme_), captureIn("s1", acme_, "small")};
    for (int i = 0; seed.size() < 500; ++i)
        seed.append(captureIn(QStringLiteral("b%1").arg(i), acme_, "big"));
    ASSERT_EQ(ann.sync("ann-laptop", 0, seed).status, 200);
    // 999 captures in all: with its group, "big" fills a reply's budget.
    for (int first = 497; first < 999; first += 500) {
        QJsonArray more;
        for (int i = first; i < std::min(first + 500, 999); ++i)
            more.append(captureIn(QStringLiteral("b%1").arg(i), acme_, "big"));
        ASSERT_EQ(ann.sync("ann-laptop", 0, more).status, 200);
    }

    ServiceClient bob = clientFor("bob@acme.test");
    qint64 cursor = 0;
    for (bool more = true; more;) {
        const auto pulled = bob.sync("bob-desktop", cursor);
        ASSERT_EQ(pulled.status, 200);
        cursor = pulled.json.value("cursor").toInteger();
        more = pulled.json.value("more").toBool();
    }
    QJsonArray named;
    for (int i = 0; i < 49; ++i)
        named.append("big");
    named.append("small");
    const auto paged = bob.sync("bob-desktop", cursor, {}, named);
    ASSERT_EQ(paged.status, 200) << paged.body.substr(0, 300);
    EXPECT_EQ(rowsNamed(paged, "groups", "big"), 1);
    EXPECT_EQ(rowsNamed(paged, "captures"), 999);
    EXPECT_EQ(rowsNamed(paged, "groups", "small"), 0);
    EXPECT_EQ(paged.json.value("resync_groups").toArray(), (QJsonArray{QJsonObject{{"id", "small"}, {"mode", "full"}}}));

    const auto next = bob.sync("bob-desktop", cursor, {}, {"small"});
    EXPECT_EQ(rowsNamed(next, "groups", "small"), 1);
    EXPECT_EQ(rowsNamed(next, "captures", "s1"), 1);
}

TEST_P(ServiceFixture, AStoredFileIsServedOnceWhateverRangesAreAskedFor) {
    ServiceClient ann = clientFor("ann@acme.test");
    QByteArray bytes;
    for (int i = 0; i < 228; ++i)
        bytes.append(char(i));
    const QString sha = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    const QJsonObject claim{{"workspace_id", acme_}, {"sha256", sha}, {"bytes", bytes.size()}};
    ASSERT_EQ(ann.put(ann.post("/v1/uploads", claim).json.value("url").toString(), bytes).status, 201);
    const QString address = ann.get("/v1/blobs/" + acme_ + "/" + sha).json.value("url").toString();
    const std::string path = address.mid(address.indexOf("/storage/")).toStdString();

    std::string manyRanges = "Range: bytes=0-";
    for (int i = 1; i < 2000; ++i)
        manyRanges += ",0-";
    RawConnection many(server_->port());
    many.send(requestHead("GET", path, {}, manyRanges + "\r\n"));
    ASSERT_TRUE(many.waitForClose(20000));
    EXPECT_EQ(many.status(), 200) << many.received().substr(0, 300);
    EXPECT_EQ(many.received().substr(many.received().find("\r\n\r\n") + 4), bytes.toStdString());

    RawConnection one(server_->port());
    one.send(requestHead("GET", path, {}, "Range: bytes=2-5\r\n"));
    ASSERT_TRUE(one.waitForClose(20000));
    EXPECT_EQ(one.status(), 206) << one.received().substr(0, 300);
    EXPECT_EQ(one.received().substr(one.received().find("\r\n\r\n") + 4), bytes.mid(2, 4).toStdString());
}
