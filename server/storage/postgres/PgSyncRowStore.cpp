#include "PgSyncRowStore.h"

#include <QJsonDocument>

namespace {

constexpr const char* columns =
    "SELECT tbl, id, workspace_id, parent_id, version, seq, data::text AS data, field_versions::text AS "
    "field_versions, field_devices::text AS field_devices, origin_device, previous_workspace_id, deleted "
    "FROM sync_rows ";

QJsonObject objectFrom(const std::optional<QString>& text) {
    return text ? QJsonDocument::fromJson(text->toUtf8()).object() : QJsonObject();
}

QString textOf(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

SyncRow rowFrom(const PgResult& r, int i) {
    SyncRow row;
    row.table = r.string(i, "tbl").value_or(QString());
    row.id = r.string(i, "id").value_or(QString());
    row.workspaceId = r.string(i, "workspace_id").value_or(QString());
    row.parentId = r.string(i, "parent_id");
    row.version = r.integer(i, "version").value_or(0);
    row.seq = r.integer(i, "seq").value_or(0);
    row.data = objectFrom(r.string(i, "data"));
    row.fieldVersions = objectFrom(r.string(i, "field_versions"));
    row.fieldDevices = objectFrom(r.string(i, "field_devices"));
    row.originDevice = r.string(i, "origin_device");
    row.previousWorkspaceId = r.string(i, "previous_workspace_id");
    row.deleted = r.boolean(i, "deleted");
    return row;
}

} // namespace

std::vector<SyncRow> PgSyncRowStore::select(const char* sql, const std::vector<PgValue>& params) {
    return pool_.with([&](PgConnection& c) {
        const PgResult r = c.exec((QByteArray(columns) + sql).constData(), params);
        std::vector<SyncRow> out;
        out.reserve(std::size_t(r.size()));
        for (int i = 0; i < r.size(); ++i)
            out.push_back(rowFrom(r, i));
        return out;
    });
}

void PgSyncRowStore::transaction(const std::function<void()>& body) {
    pool_.transaction([&] {
        database_.lockFeed();
        body();
    });
}

std::optional<SyncRow> PgSyncRowStore::row(const QString& table, const QString& id) {
    auto rows = select("WHERE tbl = $1 AND id = $2", {table, id});
    return rows.empty() ? std::nullopt : std::optional(std::move(rows.front()));
}

// One statement takes the next feed position and writes the row: a push
// pays one round trip per row instead of four (savepoint, counter, insert,
// release), and the statement is atomic on its own. Inside a sync the
// counter row stays locked until commit, as positions must be.
std::int64_t PgSyncRowStore::save(SyncRow& row) {
    row.seq = pool_.with([&](PgConnection& c) {
        return c
            .exec("WITH next AS (UPDATE counters SET value = value + 1 WHERE name = 'seq' RETURNING value) "
                  "INSERT INTO sync_rows (tbl, id, workspace_id, parent_id, version, seq, data, field_versions, "
                  "field_devices, origin_device, previous_workspace_id, deleted) "
                  "SELECT $1, $2, $3, $4, $5::bigint, next.value, $6::json, $7::json, $8::json, $9, $10, $11::boolean "
                  "FROM next ON CONFLICT (tbl, id) DO UPDATE SET "
                  "workspace_id = excluded.workspace_id, parent_id = excluded.parent_id, version = excluded.version, "
                  "seq = excluded.seq, data = excluded.data, field_versions = excluded.field_versions, "
                  "field_devices = excluded.field_devices, origin_device = excluded.origin_device, "
                  "previous_workspace_id = excluded.previous_workspace_id, deleted = excluded.deleted RETURNING seq",
                  {row.table, row.id, row.workspaceId, row.parentId, row.version, textOf(row.data),
                   textOf(row.fieldVersions), textOf(row.fieldDevices), row.originDevice, row.previousWorkspaceId,
                   row.deleted})
            .integer(0, "seq")
            .value_or(0);
    });
    return row.seq;
}

std::vector<SyncRow> PgSyncRowStore::rowsAfter(std::int64_t cursor, const QStringList& workspaceIds, int limit) {
    if (workspaceIds.isEmpty())
        return {};
    return select("WHERE seq > $1 AND (workspace_id = ANY($2::text[]) OR previous_workspace_id = ANY($2::text[])) "
                  "ORDER BY seq LIMIT $3",
                  {cursor, pgArray(workspaceIds), limit});
}

std::vector<SyncRow> PgSyncRowStore::children(const QString& table, const QStringList& parentIds) {
    if (parentIds.isEmpty())
        return {};
    return select("WHERE tbl = $1 AND parent_id = ANY($2::text[]) ORDER BY seq", {table, pgArray(parentIds)});
}

std::vector<std::pair<QString, std::optional<QString>>> PgSyncRowStore::liveCaptures(const QStringList& workspaceIds) {
    std::vector<std::pair<QString, std::optional<QString>>> out;
    if (workspaceIds.isEmpty())
        return out;
    pool_.with([&](PgConnection& c) {
        const PgResult r = c.exec("SELECT id, parent_id FROM sync_rows WHERE tbl = 'captures' AND NOT deleted AND "
                                  "workspace_id = ANY($1::text[])",
                                  {pgArray(workspaceIds)});
        for (int i = 0; i < r.size(); ++i)
            out.emplace_back(r.string(i, "id").value_or(QString()), r.string(i, "parent_id"));
    });
    return out;
}

std::vector<SyncRow> PgSyncRowStore::groupsNamed(const QString& workspaceId, const QString& name) {
    return select("WHERE workspace_id = $1 AND tbl = 'groups' AND NOT deleted AND data->>'name' = $2",
                  {workspaceId, name});
}

std::vector<SyncRow> PgSyncRowStore::imagesWithBlob(const QString& workspaceId, const QString& sha256) {
    return select("WHERE tbl = 'capture_images' AND workspace_id = $1 AND (data->>'original_sha256' = $2 OR "
                  "data->>'marked_sha256' = $2 OR data->>'thumb_sha256' = $2)",
                  {workspaceId, sha256});
}
