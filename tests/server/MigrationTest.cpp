#include "ServiceFixture.h"

#include "store/Database.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QProcess>
#include <QSet>

namespace {

constexpr int captureCount = 3000;

QString sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

int psqlCount(const QString& databaseUrl, const QString& table) {
    QProcess p;
    p.start("psql", {databaseUrl, "-tAc", "SELECT count(*) FROM " + table});
    p.waitForFinished(60000);
    bool ok = false;
    const int n = p.readAllStandardOutput().trimmed().toInt(&ok);
    return ok ? n : -1;
}

// Every capture id a device pulling from the start is sent.
QSet<QString> pulledCaptures(ServiceClient& client) {
    QSet<QString> ids;
    qint64 cursor = 0;
    for (bool more = true; more;) {
        const auto page = client.sync("fresh-laptop", cursor);
        EXPECT_EQ(page.status, 200) << page.body;
        if (page.status != 200)
            break;
        for (const QJsonValue& change : page.json.value("changes").toArray())
            if (change["table"].toString() == "captures")
                ids.insert(change["row"]["id"].toString());
        cursor = page.json.value("cursor").toInteger();
        more = page.json.value("more").toBool();
    }
    return ids;
}

} // namespace

// A service kept in a SQLite file and a folder, moved onto PostgreSQL and a
// bucket by `migrate-to`, then served from there.
class Migration : public ServiceFixture {};

INSTANTIATE_TEST_SUITE_P(Storage, Migration, ::testing::Values(Backend::sqlite), backendName);

TEST_P(Migration, ACopyCutShortIsFinishedByRunningItAgainAndTheTargetServesEverything) {
    ServiceClient ann = clientFor("ann@acme.test");
    for (int first = 0; first < captureCount; first += 500) {
        QJsonArray changes;
        for (int i = first; i < first + 500; ++i)
            changes.append(newCapture(QStringLiteral("cap-%1").arg(i), acme_, QStringLiteral("note %1").arg(i)));
        ASSERT_EQ(ann.sync("ann-laptop", 0, changes).status, 200);
    }
    const QByteArray png("\x89PNG\r\n\x1a\nmigrated", 17);
    const QJsonObject intent{{"workspace_id", acme_}, {"sha256", sha256(png)}, {"bytes", png.size()}};
    ASSERT_EQ(ann.put(ann.post("/v1/uploads", intent).json.value("url").toString(), png).status, 201);
    ASSERT_EQ(ann.post("/v1/uploads/complete", intent).status, 200);
    server_->stop();
    const int sourceRows = int(Database(server_->dataDirectory() + "/zorvi-server.sqlite3")
                                   .query("SELECT count(*) AS n FROM sync_rows;")
                                   .front()
                                   .integer("n")
                                   .value_or(0));
    ASSERT_GE(sourceRows, captureCount);

    PostgresCluster* cluster = PostgresCluster::shared();
    S3TestServer* store = S3TestServer::shared();
    ASSERT_TRUE(cluster && store);
    const QString database = cluster->createDatabase();
    const QString bucket = store->createBucket();
    ASSERT_FALSE(database.isEmpty() || bucket.isEmpty());
    const QStringList target{"--database", database, "--blobs", "s3://" + bucket, "--s3-endpoint", store->endpoint()};

    // Killed while it copies the captures.
    QProcess first;
    first.setProcessEnvironment(S3TestServer::credentials());
    first.start(QStringLiteral(ZORVI_SERVER_PROGRAM), QStringList{"--data", server_->dataDirectory(), "migrate-to"} + target);
    QByteArray said;
    while (!said.contains("devices:") && first.waitForReadyRead(60000))
        said += first.readAllStandardOutput();
    first.kill();
    first.waitForFinished();
    ASSERT_TRUE(said.contains("devices:")) << said.toStdString();
    const int copiedBeforeKill = psqlCount(database, "sync_rows");
    EXPECT_LT(copiedBeforeKill, sourceRows) << "the first run finished before it was stopped";

    server_->setEnvironment(S3TestServer::credentials());
    QString output;
    ASSERT_EQ(server_->admin(QStringList{"migrate-to"} + target, {}, &output), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("verified")) << output.toStdString();
    EXPECT_EQ(psqlCount(database, "sync_rows"), sourceRows);
    EXPECT_EQ(store->objectCount(bucket, "blobs"), 1);

    // Served from the new place: the password still signs in, every capture
    // comes down once, the file is where the service hands it out.
    ZorviServerProcess moved(QStringLiteral(ZORVI_SERVER_PROGRAM), dir_.file("elsewhere"));
    moved.setStorageArguments(target);
    moved.setEnvironment(S3TestServer::credentials());
    ASSERT_TRUE(moved.start()) << moved.error().toStdString();
    ServiceClient again(moved.baseUrl(), ServiceClient::signIn(moved.baseUrl(), "ann@acme.test", password));
    EXPECT_EQ(pulledCaptures(again).size(), captureCount);
    const auto address = again.get("/v1/blobs/" + acme_ + "/" + sha256(png));
    ASSERT_EQ(address.status, 200) << address.body;
    EXPECT_EQ(QByteArray::fromStdString(again.fetch(address.json.value("url").toString()).body), png);
}
