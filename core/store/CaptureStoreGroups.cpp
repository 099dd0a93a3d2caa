// Groups: lookups and local changes.
#include "CaptureStore.h"

#include "RecordFields.h"

using RecordFields::now;

std::optional<CaptureGroup> CaptureStore::group(const QString& id) {
    const auto rows = db_->query("SELECT * FROM groups WHERE id = ? AND deleted_at IS NULL;", {id});
    return rows.empty() ? std::nullopt : std::optional(CaptureGroup::fromRow(rows.front()));
}

std::optional<CaptureGroup> CaptureStore::group(const QString& named, const std::optional<QString>& workspaceID) {
    const auto rows = db_->query("SELECT * FROM groups WHERE LOWER(name) = LOWER(?) AND COALESCE(workspace_id, '') = "
                                 "COALESCE(?, '') AND deleted_at IS NULL AND archived_at IS NULL;",
                                 {named, SQLValue::string(workspaceID)});
    return rows.empty() ? std::nullopt : std::optional(CaptureGroup::fromRow(rows.front()));
}

std::optional<CaptureGroup> CaptureStore::groupMatchingPath(const QString& path) {
    for (const CaptureGroup& g : groups()) {
        if (!g.path || g.path->isEmpty())
            continue;
        const QString folder = g.path->endsWith(u'/') ? *g.path : *g.path + u'/';
        if (*g.path == path || path.startsWith(folder))
            return g;
    }
    return std::nullopt;
}

CaptureGroup CaptureStore::upsertGroup(CaptureGroup g) {
    // A group of that name already there is answered instead of a second one.
    const std::optional<CaptureGroup> existing = db_->transaction([&]() -> std::optional<CaptureGroup> {
        const bool isNew = db_->query("SELECT 1 AS one FROM groups WHERE id = ?;", {g.id}).empty();
        if (isNew) {
            if (!g.workspaceID)
                g.workspaceID = defaultWorkspaceID();
            if (!g.createdBy)
                g.createdBy = currentUserID();
        }
        // Archived groups keep their names taken too (the library's unique
        // index counts them), so one of those is answered as well.
        const auto same = db_->query("SELECT * FROM groups WHERE LOWER(name) = LOWER(?) AND COALESCE(workspace_id, '') "
                                     "= COALESCE(?, '') AND deleted_at IS NULL AND id != ?;",
                                     {g.name, SQLValue::string(g.workspaceID), g.id});
        if (!same.empty())
            return CaptureGroup::fromRow(same.front());

        db_->execute("INSERT INTO groups (id, name, color_hex, path, created_at, updated_at, remote_id, sync_state, "
                     "dirty, deleted_at, workspace_id, visibility, created_by, default_assignee_id, archived_at, "
                     "version, pending) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?) "
                     "ON CONFLICT(id) DO UPDATE SET name = excluded.name, color_hex = excluded.color_hex, "
                     "path = excluded.path, updated_at = excluded.updated_at, deleted_at = excluded.deleted_at, "
                     "default_assignee_id = excluded.default_assignee_id, archived_at = excluded.archived_at, dirty = 1;",
                     {g.id, g.name, g.colorHex, SQLValue::string(g.path), SQLValue::date(g.createdAt),
                      SQLValue::date(g.updatedAt), SQLValue::string(g.remoteID), rawValue(g.syncState),
                      SQLValue::boolean(g.dirty), SQLValue::date(g.deletedAt), SQLValue::string(g.workspaceID),
                      rawValue(g.visibility), SQLValue::string(g.createdBy), SQLValue::string(g.defaultAssigneeID),
                      SQLValue::date(g.archivedAt), g.version, SQLValue::null()});
        markPending("groups", g.id, isNew ? QStringList{"*"} : QStringList{"name", "color_hex", "archived_at"});
        return std::nullopt;
    });
    if (existing)
        return *existing;
    postDidChange();
    return g;
}

void CaptureStore::deleteGroup(const QString& id) {
    const std::optional<CaptureGroup> g = group(id);
    const SQLValue stamp = SQLValue::now();
    if (g && g->workspaceID) {
        db_->transaction([&] {
            db_->execute("UPDATE groups SET archived_at = ?, updated_at = ?, dirty = 1 WHERE id = ?;",
                         {stamp, stamp, id});
            markPending("groups", id, {"archived_at"});
        });
    } else {
        db_->execute("UPDATE groups SET deleted_at = ?, updated_at = ?, dirty = 1 WHERE id = ?;", {stamp, stamp, id});
    }
    postDidChange();
}
