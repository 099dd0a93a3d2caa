#include "SqliteSyncRowStore.h"

#include "SqlPlaceholders.h"

#include <QJsonDocument>

namespace {

QJsonObject objectFrom(const std::optional<QString>& text) {
    return text ? QJsonDocument::fromJson(text->toUtf8()).object() : QJsonObject();
}

QString textOf(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

SyncRow rowFrom(const Row& r) {
    SyncRow row;
    row.table = r.string("tbl").value_or(QString());
    row.id = r.string("id").value_or(QString());
    row.workspaceId = r.string("workspace_id").value_or(QString());
    row.parentId = r.string("parent_id");
    row.version = r.integer("version").value_or(0);
    row.seq = r.integer("seq").value_or(0);
    row.data = objectFrom(r.string("data"));
    row.fieldVersions = objectFrom(r.string("field_versions"));
    row.fieldDevices = objectFrom(r.string("field_devices"));
    row.originDevice = r.string("origin_device");
    row.previousWorkspaceId = r.string("previous_workspace_id");
    row.deleted = r.boolean("deleted");
    return row;
}

} // namespace

void SqliteSyncRowStore::transaction(const std::function<void()>& body) {
    db_.transaction(body);
}

std::optional<SyncRow> SqliteSyncRowStore::row(const QString& table, const QString& id) {
    const auto rows = db_.query(QStringLiteral("SELECT * FROM sync_rows WHERE tbl = ? AND id = ?;"), {table, id});
    return rows.empty() ? std::nullopt : std::optional(rowFrom(rows.front()));
}

std::int64_t SqliteSyncRowStore::save(SyncRow& row) {
    std::lock_guard guard(db_.lock());
    row.seq = database_.nextSeq();
    db_.execute(QStringLiteral("INSERT OR REPLACE INTO sync_rows (tbl, id, workspace_id, parent_id, version, seq, "
                               "data, field_versions, field_devices, origin_device, previous_workspace_id, deleted) "
                               "VALUES (?,?,?,?,?,?,?,?,?,?,?,?);"),
                {row.table, row.id, row.workspaceId, SQLValue::string(row.parentId), row.version, row.seq,
                 textOf(row.data), textOf(row.fieldVersions), textOf(row.fieldDevices), SQLValue::string(row.originDevice),
                 SQLValue::string(row.previousWorkspaceId), SQLValue::boolean(row.deleted)});
    return row.seq;
}

std::vector<SyncRow> SqliteSyncRowStore::rowsAfter(std::int64_t cursor, const QStringList& workspaceIds, int limit) {
    std::vector<SyncRow> out;
    if (workspaceIds.isEmpty())
        return out;
    const QString in = sqlPlaceholders(workspaceIds.size());
    std::vector<SQLValue> params{cursor};
    appendValues(params, workspaceIds);
    appendValues(params, workspaceIds);
    params.emplace_back(limit);
    const QString sql = QStringLiteral("SELECT * FROM sync_rows WHERE seq > ? AND (workspace_id IN (%1) OR "
                                       "previous_workspace_id IN (%1)) ORDER BY seq LIMIT ?;")
                            .arg(in);
    for (const Row& r : db_.query(sql, params))
        out.push_back(rowFrom(r));
    return out;
}

std::vector<SyncRow> SqliteSyncRowStore::children(const QString& table, const QStringList& parentIds) {
    std::vector<SyncRow> out;
    if (parentIds.isEmpty())
        return out;
    std::vector<SQLValue> params{table};
    appendValues(params, parentIds);
    const QString sql = QStringLiteral("SELECT * FROM sync_rows WHERE tbl = ? AND parent_id IN (%1) ORDER BY seq;")
                            .arg(sqlPlaceholders(parentIds.size()));
    for (const Row& r : db_.query(sql, params))
        out.push_back(rowFrom(r));
    return out;
}

std::vector<std::pair<QString, std::optional<QString>>> SqliteSyncRowStore::liveCaptures(const QStringList& workspaceIds) {
    std::vector<std::pair<QString, std::optional<QString>>> out;
    if (workspaceIds.isEmpty())
        return out;
    std::vector<SQLValue> params;
    appendValues(params, workspaceIds);
    const QString sql = QStringLiteral("SELECT id, parent_id FROM sync_rows WHERE tbl = 'captures' AND deleted = 0 AND "
                                       "workspace_id IN (%1);")
                            .arg(sqlPlaceholders(workspaceIds.size()));
    for (const Row& r : db_.query(sql, params))
        out.emplace_back(r.string("id").value_or(QString()), r.string("parent_id"));
    return out;
}

std::vector<SyncRow> SqliteSyncRowStore::groupsNamed(const QString& workspaceId, const QString& name) {
    std::vector<SyncRow> out;
    for (const Row& r : db_.query(QStringLiteral("SELECT * FROM sync_rows WHERE workspace_id = ? AND tbl = 'groups' "
                                                 "AND deleted = 0 AND json_extract(data, '$.name') = ?;"),
                                  {workspaceId, name}))
        out.push_back(rowFrom(r));
    return out;
}

std::vector<SyncRow> SqliteSyncRowStore::imagesWithBlob(const QString& workspaceId, const QString& sha256) {
    std::vector<SyncRow> out;
    for (const Row& r : db_.query(QStringLiteral("SELECT * FROM sync_rows WHERE tbl = 'capture_images' AND "
                                                 "workspace_id = ?1 AND (json_extract(data, '$.original_sha256') = ?2 "
                                                 "OR json_extract(data, '$.marked_sha256') = ?2 OR "
                                                 "json_extract(data, '$.thumb_sha256') = ?2);"),
                                  {workspaceId, sha256}))
        out.push_back(rowFrom(r));
    return out;
}
