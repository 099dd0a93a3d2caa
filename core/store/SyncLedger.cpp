// What the sync cycle reads and records: the sync log, the rows waiting to be
// pushed and their change objects, the service's verdicts, and moving a local
// capture into a workspace.
#include "SyncLedger.h"

#include "CaptureStore.h"

#include "RecordFields.h"
#include "common/Wire.h"

#include <QJsonArray>
#include <QJsonDocument>

using RecordFields::now;

namespace {

const QString allFields = QStringLiteral("*");
const QString deletion = QStringLiteral("delete");
const QString everythingPending = QStringLiteral("{\"*\":true}");

QJsonValue orNull(const std::optional<QString>& v) {
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

QJsonObject deletionChange(const QString& table, const Pending& pending) {
    return {{"table", table}, {"id", pending.id}, {"base_version", qint64(pending.version)}, {"delete", true}};
}

// Keeps the keys named in `fields` unless the whole row is pending; none when
// nothing is left to send.
std::optional<QJsonObject> patchChange(const QString& table, const Pending& pending, QJsonObject patch) {
    if (!pending.fields.contains(allFields)) {
        for (auto it = patch.begin(); it != patch.end();)
            it = pending.fields.contains(it.key()) ? it + 1 : patch.erase(it);
    }
    if (patch.isEmpty())
        return std::nullopt;
    return QJsonObject{{"table", table}, {"id", pending.id}, {"base_version", qint64(pending.version)},
                       {"patch", patch}};
}

} // namespace

SyncLedger::SyncLedger(CaptureStore& store) : store_(store), db_(store.db_.get()) {}

// MARK: metadata and change marking

void SyncLedger::setSyncMeta(const QString& key, const std::optional<QString>& value) {
    if (value)
        db_->execute("INSERT OR REPLACE INTO sync_meta (key, value) VALUES (?, ?);", {key, *value});
    else
        db_->execute("DELETE FROM sync_meta WHERE key = ?;", {key});
}

void SyncLedger::markPending(const QString& table, const QString& id, const QStringList& fields) {
    store_.markPending(table, id, fields);
}

// MARK: log

void SyncLedger::log(const QString& level, const QString& message) noexcept {
    // Logging must never break a sync cycle, so every failure is swallowed.
    try {
        db_->execute("INSERT INTO sync_log (at, level, message) VALUES (?,?,?);",
                     {SQLValue::now(), level, message});
        db_->execute("DELETE FROM sync_log WHERE id < (SELECT COALESCE(MAX(id), 0) - 500 FROM sync_log);");
    } catch (...) {
    }
}

// MARK: reading what to push

std::vector<Pending> SyncLedger::pending(const QString& table, int limit) {
    std::vector<Pending> result;
    const auto rows = db_->query("SELECT id, pending, version FROM " + table +
                                     " WHERE sync_state = 'pendingPush' ORDER BY created_at ASC LIMIT ?;",
                                 {limit});
    for (const Row& row : rows) {
        const std::optional<QString> id = row.string("id");
        if (!id)
            continue;
        result.push_back({*id, pendingKeysOf(row.string("pending")), row.integer("version").value_or(0)});
    }
    return result;
}

std::optional<Pending> SyncLedger::pendingRow(const QString& table, const QString& id) {
    const auto rows = db_->query("SELECT pending, version FROM " + table + " WHERE id = ?;", {id});
    if (rows.empty())
        return std::nullopt;
    return Pending{id, pendingKeysOf(rows.front().string("pending")), rows.front().integer("version").value_or(0)};
}

std::vector<Comment> SyncLedger::pendingComments(int limit) {
    std::vector<Comment> result;
    for (const Row& row : db_->query("SELECT * FROM comments WHERE sync_state = 'pendingPush' "
                                     "ORDER BY created_at ASC LIMIT ?;",
                                     {limit}))
        result.push_back(Comment::fromRow(row));
    return result;
}

std::optional<QJsonObject> SyncLedger::captureChange(const Pending& pending) {
    const QString table = QStringLiteral("captures");
    const std::optional<Capture> c = store_.captureIncludingDeleted(pending.id);
    if (!c)
        return std::nullopt;
    if (pending.fields.contains(deletion) || c->deletedAt)
        return deletionChange(table, pending);
    if (!c->workspaceID)
        return std::nullopt;

    const QJsonValue created = Wire::stamp(c->createdAt);
    return patchChange(table, pending,
                       {{"workspace_id", orNull(c->workspaceID)},
                        {"group_id", orNull(c->groupID)},
                        {"note", c->note},
                        {"status", rawValue(c->status)},
                        {"priority", rawValue(c->priority)},
                        {"tags", QJsonArray::fromStringList(store_.tags(c->id))},
                        {"app_name", orNull(c->context.appName)},
                        {"app_bundle_id", orNull(c->context.appBundleID)},
                        {"window_title", orNull(c->context.windowTitle)},
                        {"url", orNull(c->context.url)},
                        {"display_name", orNull(c->context.displayName)},
                        {"display_scale", c->context.displayScale},
                        {"capture_mode", rawValue(c->captureMode)},
                        {"claimed_by_id", orNull(c->claimedByID)},
                        {"claimed_label", orNull(c->claimedBy)},
                        {"claimed_at", Wire::stamp(c->claimedAt)},
                        {"resolved_at", Wire::stamp(c->resolvedAt)},
                        {"resolution_ref", orNull(c->resolutionRef)},
                        {"assignee_id", orNull(c->assigneeID)},
                        {"created_at", created},
                        {"captured_at", created}});
}

std::optional<QJsonObject> SyncLedger::groupChange(const Pending& pending) {
    const auto rows = db_->query("SELECT * FROM groups WHERE id = ?;", {pending.id});
    if (rows.empty())
        return std::nullopt;
    const CaptureGroup g = CaptureGroup::fromRow(rows.front());
    // Only a new group sends where it lives, who may see it and when it was
    // made; later edits can change just its name, colour and archive time.
    QJsonObject patch{{"name", g.name}, {"color_hex", g.colorHex}, {"archived_at", Wire::stamp(g.archivedAt)}};
    if (pending.fields.contains(allFields)) {
        patch.insert("workspace_id", orNull(g.workspaceID));
        patch.insert("visibility", rawValue(g.visibility));
        patch.insert("created_at", Wire::stamp(g.createdAt));
    }
    return patchChange(QStringLiteral("groups"), pending, patch);
}

std::optional<QJsonObject> SyncLedger::imageChange(const Pending& pending, const CaptureImage& image) {
    const QString table = QStringLiteral("capture_images");
    if (pending.fields.contains(deletion) || image.deletedAt)
        return deletionChange(table, pending);
    return patchChange(table, pending,
                       {{"capture_id", image.captureID},
                        {"position", qint64(image.position)},
                        {"original_sha256", orNull(image.originalSHA256)},
                        {"marked_sha256", orNull(image.markedSHA256)},
                        {"thumb_sha256", orNull(image.thumbSHA256)},
                        {"width", qint64(image.width)},
                        {"height", qint64(image.height)},
                        {"bytes", qint64(image.bytes)},
                        {"annotation_json", orNull(image.annotationJSON)},
                        {"created_at", Wire::stamp(image.createdAt)}});
}

QJsonObject SyncLedger::commentChange(const Comment& comment) {
    // Comments are only ever created, so every key goes and no version is based on.
    return {{"table", "comments"},
            {"id", comment.id},
            {"patch", QJsonObject{{"capture_id", comment.captureID},
                                  {"body", comment.body},
                                  {"created_at", Wire::stamp(comment.createdAt)},
                                  {"is_agent", comment.isAgent},
                                  {"actor_label", orNull(comment.actorLabel)},
                                  {"kind", comment.kind}}}};
}

QStringList SyncLedger::syncedCaptureIDs() {
    QStringList ids;
    for (const Row& row : db_->query("SELECT id FROM captures WHERE workspace_id IS NOT NULL "
                                     "AND sync_state = 'synced' AND deleted_at IS NULL;"))
        if (const auto id = row.string("id"))
            ids << *id;
    return ids;
}

// MARK: verdicts

void SyncLedger::markSynced(const QString& table, const QString& id, std::optional<std::int64_t> version) {
    if (version)
        db_->execute("UPDATE " + table + " SET pending = NULL, sync_state = 'synced', version = ?, dirty = 0 "
                                         "WHERE id = ?;",
                     {*version, id});
    else
        db_->execute("UPDATE " + table + " SET pending = NULL, sync_state = 'synced', dirty = 0 WHERE id = ?;", {id});
    // The service's copy of the history arrives with the next pull; keeping
    // ours as well would show every entry twice.
    if (table == u"captures")
        db_->execute("DELETE FROM activity WHERE capture_id = ? AND remote = 0;", {id});
}

void SyncLedger::markCommentSynced(const QString& id) {
    db_->execute("UPDATE comments SET sync_state = 'synced' WHERE id = ?;", {id});
}

void SyncLedger::markLocalOnly(const QString& captureID) {
    db_->execute("UPDATE captures SET workspace_id = NULL, local_only = 0, sync_state = 'local', pending = NULL "
                 "WHERE id = ?;",
                 {captureID});
    db_->execute("UPDATE capture_images SET sync_state = 'local', pending = NULL WHERE capture_id = ?;", {captureID});
    db_->execute("UPDATE comments SET sync_state = 'local' WHERE capture_id = ?;", {captureID});
}

void SyncLedger::pushAgain(const QStringList& captureIDs) {
    db_->transaction([&] {
        for (const QString& id : captureIDs) {
            db_->execute("UPDATE captures SET sync_state = 'pendingPush', pending = ?, version = 0 "
                         "WHERE id = ? AND workspace_id IS NOT NULL AND deleted_at IS NULL;",
                         {everythingPending, id});
            db_->execute("UPDATE groups SET sync_state = 'pendingPush', pending = ? WHERE workspace_id IS NOT NULL "
                         "AND id = (SELECT group_id FROM captures WHERE id = ?);",
                         {everythingPending, id});
            // Hashes of files on disk are forgotten so the files are offered again.
            db_->execute("UPDATE capture_images SET sync_state = 'pendingPush', pending = ?, version = 0, "
                         "original_sha256 = CASE WHEN image_path != '' THEN NULL ELSE original_sha256 END, "
                         "marked_sha256 = CASE WHEN annotated_path IS NOT NULL THEN NULL ELSE marked_sha256 END, "
                         "thumb_sha256 = CASE WHEN thumb_path IS NOT NULL THEN NULL ELSE thumb_sha256 END "
                         "WHERE capture_id = ? AND deleted_at IS NULL;",
                         {everythingPending, id});
            db_->execute("UPDATE comments SET sync_state = 'pendingPush' WHERE capture_id = ?;", {id});
        }
    });
}

void SyncLedger::adopt(const QString& captureID, const QString& workspaceID) {
    const SQLValue user = SQLValue::string(store_.currentUserID());
    const SQLValue stamp = SQLValue::now();
    db_->execute("UPDATE captures SET workspace_id = ?, author_id = COALESCE(author_id, ?), local_only = 0, "
                 "sync_state = 'pendingPush', pending = ?, updated_at = ? WHERE id = ? AND deleted_at IS NULL;",
                 {workspaceID, user, everythingPending, stamp, captureID});
    db_->execute("UPDATE capture_images SET sync_state = 'pendingPush', pending = ? "
                 "WHERE capture_id = ? AND deleted_at IS NULL;",
                 {everythingPending, captureID});
    db_->execute("UPDATE comments SET sync_state = 'pendingPush' WHERE capture_id = ? AND sync_state = 'local';",
                 {captureID});
    // A local group goes along, so the capture keeps its place in the workspace.
    db_->execute("UPDATE groups SET workspace_id = ?, created_by = COALESCE(created_by, ?), "
                 "sync_state = 'pendingPush', pending = ?, updated_at = ? "
                 "WHERE id = (SELECT group_id FROM captures WHERE id = ?) AND deleted_at IS NULL "
                 "AND workspace_id IS NULL;",
                 {workspaceID, user, everythingPending, stamp, captureID});
    store_.postDidChange();
}

// MARK: blob transfer

void SyncLedger::recordImageHashes(const CaptureImage& seen, const std::optional<QString>& original,
                                     const std::optional<QString>& marked, const std::optional<QString>& thumb) {
    db_->execute("UPDATE capture_images SET "
                 "original_sha256 = CASE WHEN image_path = ?1 THEN ?2 ELSE original_sha256 END, "
                 "marked_sha256 = CASE WHEN annotated_path IS ?3 THEN ?4 ELSE marked_sha256 END, "
                 "thumb_sha256 = CASE WHEN thumb_path IS ?5 THEN ?6 ELSE thumb_sha256 END WHERE id = ?7;",
                 {seen.imagePath, SQLValue::string(original), SQLValue::string(seen.annotatedPath),
                  SQLValue::string(marked), SQLValue::string(seen.thumbPath), SQLValue::string(thumb), seen.id});
}

void SyncLedger::recordImagePaths(const CaptureImage& seen, const QString& imagePath,
                                    const std::optional<QString>& annotated, const std::optional<QString>& thumb) {
    db_->execute("UPDATE capture_images SET "
                 "image_path = CASE WHEN image_path = ?1 AND original_sha256 IS ?2 THEN ?3 ELSE image_path END, "
                 "annotated_path = CASE WHEN annotated_path IS ?4 AND marked_sha256 IS ?5 THEN ?6 "
                 "ELSE annotated_path END, "
                 "thumb_path = CASE WHEN thumb_path IS ?7 AND thumb_sha256 IS ?8 THEN ?9 ELSE thumb_path END "
                 "WHERE id = ?10;",
                 {seen.imagePath, SQLValue::string(seen.originalSHA256), imagePath,
                  SQLValue::string(seen.annotatedPath), SQLValue::string(seen.markedSHA256), SQLValue::string(annotated),
                  SQLValue::string(seen.thumbPath), SQLValue::string(seen.thumbSHA256), SQLValue::string(thumb),
                  seen.id});
}

// MARK: downloads

std::vector<SyncLedger::ImageToDownload> SyncLedger::imagesAwaitingDownload(int limit) {
    const auto rows = db_->query(
        "SELECT ci.*, c.workspace_id AS ws FROM capture_images ci "
        "JOIN captures c ON c.id = ci.capture_id AND c.deleted_at IS NULL AND c.workspace_id IS NOT NULL "
        "WHERE ci.deleted_at IS NULL AND ci.original_sha256 IS NOT NULL AND ("
        "ci.image_path = '' "
        "OR (ci.marked_sha256 IS NOT NULL AND ci.marked_sha256 != ci.original_sha256 AND ci.annotated_path IS NULL) "
        "OR (ci.thumb_sha256 IS NOT NULL AND ci.thumb_path IS NULL)) "
        "ORDER BY ci.created_at DESC LIMIT ?;",
        {limit});
    std::vector<ImageToDownload> result;
    for (const Row& row : rows)
        result.push_back({CaptureImage::fromRow(row), row.string("ws").value_or(QString())});
    return result;
}
