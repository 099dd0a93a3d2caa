#include "ServiceMigration.h"

#include "storage/DataFolder.h"
#include "storage/FolderBlobStore.h"
#include "storage/ServerDatabase.h"
#include "storage/postgres/PgDatabase.h"

#include <QCryptographicHash>

#include <stdexcept>

namespace {

// Parents before the rows that refer to them.
const char* const tables[] = {"users",  "workspaces",  "members", "departures", "access_tokens", "device_authorizations",
                              "web_sessions", "devices", "sync_rows"};

constexpr int batchRows = 500;

PgValue asParameter(const SQLValue& value) {
    const SQLValue::Storage& v = value.storage();
    if (const auto* n = std::get_if<std::int64_t>(&v))
        return PgValue(*n);
    if (const auto* d = std::get_if<double>(&v))
        return PgValue(QString::number(*d, 'g', 17));
    if (const auto* s = std::get_if<QString>(&v))
        return PgValue(*s);
    if (const auto* b = std::get_if<QByteArray>(&v))
        return PgValue(QString::fromUtf8(*b));
    return PgValue(std::nullopt);
}

QStringList columnsOf(Database& db, const QString& table) {
    QStringList columns;
    for (const Row& row : db.query(QStringLiteral("SELECT name FROM pragma_table_info('%1') ORDER BY cid;").arg(table)))
        columns << row.string("name").value_or(QString());
    return columns;
}

std::int64_t sqliteCount(Database& db, const QString& table) {
    return db.query(QStringLiteral("SELECT count(*) AS n FROM %1;").arg(table)).front().integer("n").value_or(-1);
}

std::int64_t postgresCount(PgDatabase& pg, const QString& table) {
    return pg.pool().with([&](PgConnection& c) {
        return c.exec(QStringLiteral("SELECT count(*) AS n FROM %1").arg(table).toUtf8().constData())
            .integer(0, "n")
            .value_or(-1);
    });
}

QString sha256Of(QIODevice& device) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&device);
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace

bool ServiceMigration::run() {
    if (!source_.localDatabase() || !target_.sharedDatabase())
        throw std::invalid_argument("migrate-to copies the data folder's SQLite file into --database postgresql://…");
    for (const char* table : tables)
        copyRows(QLatin1String(table));
    copyCounterAndKey();
    const int copied = copyBlobs();
    report_(QStringLiteral("files: %1 copied").arg(copied));
    const bool rows = rowsMatch();
    const bool blobs = blobsMatch();
    if (rows && blobs)
        report_(QStringLiteral("verified: the target holds every row and file of the source"));
    return rows && blobs;
}

// Batches by rowid, each in one transaction; a row the target already has
// (from a run that was cut short) is skipped.
void ServiceMigration::copyRows(const QString& table) {
    Database& db = source_.localDatabase()->db();
    PgDatabase& pg = *target_.sharedDatabase();
    const QStringList columns = columnsOf(db, table);
    QStringList placeholders;
    for (int i = 1; i <= columns.size(); ++i)
        placeholders << QStringLiteral("$%1").arg(i);
    const QByteArray insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT DO NOTHING")
                                  .arg(table, columns.join(','), placeholders.join(','))
                                  .toUtf8();
    const QString select = QStringLiteral("SELECT rowid AS migration_rowid, %1 FROM %2 WHERE rowid > ? "
                                          "ORDER BY rowid LIMIT %3;")
                               .arg(columns.join(','), table)
                               .arg(batchRows);
    std::int64_t after = 0, copied = 0;
    for (;;) {
        const std::vector<Row> rows = db.query(select, {after});
        if (rows.empty())
            break;
        pg.pool().transaction([&] {
            pg.pool().with([&](PgConnection& c) {
                for (const Row& row : rows) {
                    std::vector<PgValue> values;
                    for (const QString& column : columns)
                        values.push_back(asParameter(*row.value(column)));
                    copied += c.exec(insert.constData(), values).changed();
                }
            });
        });
        after = rows.back().integer("migration_rowid").value_or(after);
    }
    report_(QStringLiteral("%1: %2 rows copied").arg(table).arg(copied));
}

// The feed position continues where the source's stopped, and addresses
// the old service signed stay good.
void ServiceMigration::copyCounterAndKey() {
    const std::int64_t seq = source_.localDatabase()->latestSeq();
    target_.sharedDatabase()->pool().with([&](PgConnection& c) {
        c.exec("UPDATE counters SET value = GREATEST(value, $1) WHERE name = 'seq'", {seq});
        c.exec("INSERT INTO settings (name, value) VALUES ('signing_key', $1) "
               "ON CONFLICT (name) DO UPDATE SET value = excluded.value",
               {QString::fromLatin1(source_.signingKey().toHex())});
    });
}

int ServiceMigration::copyBlobs() {
    auto* folder = dynamic_cast<FolderBlobStore*>(&source_.blobs());
    if (!folder || &source_.blobs() == &target_.blobs())
        return 0;
    int copied = 0;
    for (const auto& [workspace, sha] : folder->stored()) {
        if (target_.blobs().exists(workspace, sha))
            continue;
        const std::unique_ptr<QIODevice> in = folder->open(workspace, sha);
        auto out = target_.blobs().beginUpload(workspace, sha);
        char buffer[64 * 1024];
        for (qint64 n; in && (n = in->read(buffer, sizeof buffer)) > 0;)
            if (!out->write(buffer, std::size_t(n)))
                throw std::runtime_error("could not copy the file " + sha.toStdString());
        out->commit();
        ++copied;
    }
    return copied;
}

bool ServiceMigration::rowsMatch() {
    bool same = true;
    for (const char* table : tables) {
        const std::int64_t from = sqliteCount(source_.localDatabase()->db(), QLatin1String(table));
        const std::int64_t to = postgresCount(*target_.sharedDatabase(), QLatin1String(table));
        if (from != to) {
            report_(QStringLiteral("%1: %2 rows in the source, %3 in the target").arg(table).arg(from).arg(to));
            same = false;
        }
    }
    return same;
}

bool ServiceMigration::blobsMatch() {
    auto* folder = dynamic_cast<FolderBlobStore*>(&source_.blobs());
    if (!folder)
        return true;
    bool same = true;
    for (const auto& [workspace, sha] : folder->stored()) {
        const std::unique_ptr<QIODevice> copy = target_.blobs().open(workspace, sha);
        if (!copy || sha256Of(*copy) != sha) {
            report_(QStringLiteral("file %1 of workspace %2 is missing or different in the target").arg(sha, workspace));
            same = false;
        }
    }
    return same;
}
