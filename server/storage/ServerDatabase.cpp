#include "ServerDatabase.h"

namespace {

const char* schema = R"SQL(
CREATE TABLE IF NOT EXISTS counters (name TEXT PRIMARY KEY, value INTEGER NOT NULL);
INSERT OR IGNORE INTO counters (name, value) VALUES ('seq', 0);
CREATE TABLE IF NOT EXISTS users (
  id TEXT PRIMARY KEY, email TEXT NOT NULL UNIQUE COLLATE NOCASE, name TEXT NOT NULL,
  password_hash TEXT NOT NULL, created_at REAL NOT NULL, seq INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS workspaces (
  id TEXT PRIMARY KEY, slug TEXT NOT NULL UNIQUE, name TEXT NOT NULL,
  uploads_disabled INTEGER NOT NULL DEFAULT 0, created_at REAL NOT NULL);
CREATE TABLE IF NOT EXISTS members (
  workspace_id TEXT NOT NULL REFERENCES workspaces(id), user_id TEXT NOT NULL REFERENCES users(id),
  role TEXT NOT NULL, seq INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (workspace_id, user_id));
CREATE INDEX IF NOT EXISTS members_by_user ON members(user_id);
CREATE TABLE IF NOT EXISTS departures (
  workspace_id TEXT NOT NULL, user_id TEXT NOT NULL, seq INTEGER NOT NULL,
  PRIMARY KEY (workspace_id, user_id));
CREATE TABLE IF NOT EXISTS access_tokens (
  token_hash TEXT PRIMARY KEY, user_id TEXT NOT NULL REFERENCES users(id),
  created_at REAL NOT NULL, revoked_at REAL);
CREATE TABLE IF NOT EXISTS device_authorizations (
  device_code_hash TEXT PRIMARY KEY, user_code TEXT NOT NULL UNIQUE, client_id TEXT NOT NULL,
  state TEXT NOT NULL, user_id TEXT, expires_at REAL NOT NULL, last_poll_at REAL NOT NULL,
  interval INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS web_sessions (
  session_hash TEXT PRIMARY KEY, user_id TEXT NOT NULL REFERENCES users(id),
  csrf_token TEXT NOT NULL, expires_at REAL NOT NULL);
CREATE TABLE IF NOT EXISTS devices (
  id TEXT PRIMARY KEY, user_id TEXT NOT NULL REFERENCES users(id), name TEXT NOT NULL,
  platform TEXT NOT NULL, app_version TEXT, last_seen_at REAL NOT NULL);
CREATE TABLE IF NOT EXISTS sync_rows (
  tbl TEXT NOT NULL, id TEXT NOT NULL, workspace_id TEXT NOT NULL, parent_id TEXT,
  version INTEGER NOT NULL, seq INTEGER NOT NULL, data TEXT NOT NULL, field_versions TEXT NOT NULL,
  origin_device TEXT, previous_workspace_id TEXT, deleted INTEGER NOT NULL DEFAULT 0,
  field_devices TEXT NOT NULL DEFAULT '{}', PRIMARY KEY (tbl, id));
CREATE UNIQUE INDEX IF NOT EXISTS sync_rows_by_seq ON sync_rows(seq);
CREATE INDEX IF NOT EXISTS sync_rows_by_parent ON sync_rows(tbl, parent_id);
CREATE INDEX IF NOT EXISTS sync_rows_by_workspace ON sync_rows(workspace_id, tbl);
CREATE INDEX IF NOT EXISTS sync_rows_by_original ON sync_rows(json_extract(data, '$.original_sha256'))
  WHERE tbl = 'capture_images';
CREATE INDEX IF NOT EXISTS sync_rows_by_marked ON sync_rows(json_extract(data, '$.marked_sha256'))
  WHERE tbl = 'capture_images';
CREATE INDEX IF NOT EXISTS sync_rows_by_thumb ON sync_rows(json_extract(data, '$.thumb_sha256'))
  WHERE tbl = 'capture_images';
)SQL";

} // namespace

ServerDatabase::ServerDatabase(const QString& path) : db_(std::make_unique<Database>(path)) {
    db_->executeRaw(QString::fromUtf8(schema));
    // Data folders from before fields remembered the device that wrote them.
    addColumnIfMissing("sync_rows", "field_devices", "TEXT NOT NULL DEFAULT '{}'");
    // From before tokens could go idle and devices belonged to a token.
    addColumnIfMissing("access_tokens", "last_used_at", "REAL");
    addColumnIfMissing("devices", "token_hash", "TEXT");
}

void ServerDatabase::addColumnIfMissing(const char* table, const char* column, const char* declaration) {
    if (db_->query(QStringLiteral("SELECT 1 AS one FROM pragma_table_info('%1') WHERE name = '%2';")
                       .arg(QLatin1String(table), QLatin1String(column)))
            .empty())
        db_->executeRaw(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3;")
                            .arg(QLatin1String(table), QLatin1String(column), QLatin1String(declaration)));
}

std::int64_t ServerDatabase::nextSeq() {
    std::lock_guard guard(db_->lock());
    db_->execute(QStringLiteral("UPDATE counters SET value = value + 1 WHERE name = 'seq';"));
    return latestSeq();
}

std::int64_t ServerDatabase::latestSeq() {
    const auto rows = db_->query(QStringLiteral("SELECT value FROM counters WHERE name = 'seq';"));
    return rows.empty() ? 0 : rows.front().integer("value").value_or(0);
}
