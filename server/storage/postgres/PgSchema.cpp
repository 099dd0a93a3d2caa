#include "PgSchema.h"

const std::vector<const char*>& pgSchemaSteps() {
    static const std::vector<const char*> steps{
        R"SQL(
CREATE TABLE counters (name TEXT PRIMARY KEY, value BIGINT NOT NULL);
INSERT INTO counters (name, value) VALUES ('seq', 0);
CREATE TABLE settings (name TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE users (
  id TEXT PRIMARY KEY, email TEXT NOT NULL, name TEXT NOT NULL, password_hash TEXT NOT NULL,
  created_at DOUBLE PRECISION NOT NULL, seq BIGINT NOT NULL DEFAULT 0);
CREATE UNIQUE INDEX users_by_email ON users (lower(email));
CREATE TABLE workspaces (
  id TEXT PRIMARY KEY, slug TEXT NOT NULL UNIQUE, name TEXT NOT NULL,
  uploads_disabled BOOLEAN NOT NULL DEFAULT false, created_at DOUBLE PRECISION NOT NULL);
CREATE TABLE members (
  workspace_id TEXT NOT NULL REFERENCES workspaces(id), user_id TEXT NOT NULL REFERENCES users(id),
  role TEXT NOT NULL, seq BIGINT NOT NULL DEFAULT 0, PRIMARY KEY (workspace_id, user_id));
CREATE INDEX members_by_user ON members(user_id);
CREATE TABLE departures (
  workspace_id TEXT NOT NULL, user_id TEXT NOT NULL, seq BIGINT NOT NULL, PRIMARY KEY (workspace_id, user_id));
CREATE TABLE access_tokens (
  token_hash TEXT PRIMARY KEY, user_id TEXT NOT NULL REFERENCES users(id),
  created_at DOUBLE PRECISION NOT NULL, revoked_at DOUBLE PRECISION, last_used_at DOUBLE PRECISION);
CREATE TABLE device_authorizations (
  device_code_hash TEXT PRIMARY KEY, user_code TEXT NOT NULL UNIQUE, client_id TEXT NOT NULL,
  state TEXT NOT NULL, user_id TEXT, expires_at DOUBLE PRECISION NOT NULL,
  last_poll_at DOUBLE PRECISION NOT NULL, interval INTEGER NOT NULL);
CREATE TABLE web_sessions (
  session_hash TEXT PRIMARY KEY, user_id TEXT NOT NULL REFERENCES users(id),
  csrf_token TEXT NOT NULL, expires_at DOUBLE PRECISION NOT NULL);
CREATE TABLE devices (
  id TEXT PRIMARY KEY, user_id TEXT NOT NULL REFERENCES users(id), name TEXT NOT NULL,
  platform TEXT NOT NULL, app_version TEXT, last_seen_at DOUBLE PRECISION NOT NULL, token_hash TEXT);
CREATE TABLE sync_rows (
  tbl TEXT NOT NULL, id TEXT NOT NULL, workspace_id TEXT NOT NULL, parent_id TEXT,
  version BIGINT NOT NULL, seq BIGINT NOT NULL, data JSON NOT NULL, field_versions JSON NOT NULL,
  field_devices JSON NOT NULL DEFAULT '{}', origin_device TEXT, previous_workspace_id TEXT,
  deleted BOOLEAN NOT NULL DEFAULT false, PRIMARY KEY (tbl, id));
CREATE UNIQUE INDEX sync_rows_by_seq ON sync_rows(seq);
CREATE INDEX sync_rows_by_parent ON sync_rows(tbl, parent_id);
CREATE INDEX sync_rows_by_workspace ON sync_rows(workspace_id, tbl);
CREATE INDEX sync_rows_by_previous ON sync_rows(previous_workspace_id) WHERE previous_workspace_id IS NOT NULL;
CREATE INDEX sync_rows_by_original ON sync_rows((data->>'original_sha256')) WHERE tbl = 'capture_images';
CREATE INDEX sync_rows_by_marked ON sync_rows((data->>'marked_sha256')) WHERE tbl = 'capture_images';
CREATE INDEX sync_rows_by_thumb ON sync_rows((data->>'thumb_sha256')) WHERE tbl = 'capture_images';
)SQL",
    };
    return steps;
}
