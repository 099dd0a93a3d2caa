// Local changes to captures: insert, the common update path and the
// workflow operations built on it, and soft delete.
#include "CaptureStore.h"

#include "RecordFields.h"
#include "common/Identifiers.h"

using RecordFields::now;
using RecordFields::sameInstant;

void CaptureStore::insert(Capture c) {
    if (!c.authorID)
        c.authorID = currentUserID();
    bool everythingPending = false;
    if (!c.localOnly) {
        if (!c.workspaceID)
            c.workspaceID = defaultWorkspaceID();
        if (c.workspaceID) {
            c.syncState = SyncState::pendingPush;
            c.dirty = true;
            everythingPending = true;
        }
    }
    const QDateTime created = now();
    const std::optional<QString> actorID = currentUserID();

    db_->transaction([&] {
        db_->execute(
            "INSERT INTO captures (id, created_at, updated_at, note, status, priority, group_id, image_path, "
            "thumb_path, image_width, image_height, image_bytes, capture_mode, app_name, app_bundle_id, "
            "window_title, url, display_name, display_scale, claimed_by, claimed_at, resolved_at, resolution_ref, "
            "remote_id, sync_state, dirty, deleted_at, workspace_id, author_id, assignee_id, claimed_by_id, "
            "version, pending, local_only) "
            "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?);",
            {c.id,
             SQLValue::date(c.createdAt),
             SQLValue::date(c.updatedAt),
             c.note,
             rawValue(c.status),
             rawValue(c.priority),
             SQLValue::string(c.groupID),
             c.imagePath,
             SQLValue::string(c.thumbPath),
             c.imageWidth,
             c.imageHeight,
             c.imageBytes,
             rawValue(c.captureMode),
             SQLValue::string(c.appName),
             SQLValue::string(c.appBundleID),
             SQLValue::string(c.windowTitle),
             SQLValue::string(c.url),
             SQLValue::string(c.displayName),
             c.displayScale,
             SQLValue::string(c.claimedBy),
             SQLValue::date(c.claimedAt),
             SQLValue::date(c.resolvedAt),
             SQLValue::string(c.resolutionRef),
             SQLValue::string(c.remoteID),
             rawValue(c.syncState),
             SQLValue::boolean(c.dirty),
             SQLValue::date(c.deletedAt),
             SQLValue::string(c.workspaceID),
             SQLValue::string(c.authorID),
             SQLValue::string(c.assigneeID),
             SQLValue::string(c.claimedByID),
             c.version,
             everythingPending ? SQLValue("{\"*\":true}") : SQLValue::null(),
             SQLValue::boolean(c.localOnly)});
        const QString detail = c.imagePath.isEmpty() ? QStringLiteral("no screenshot") : displayName(c.captureMode);
        recordActivity(c.id, "created", detail, "you", Identifiers::make(), created, actorID, false);
    });
    postDidChange();
}

void CaptureStore::update(Capture c) {
    const std::optional<Capture> old = rawCapture(c.id);
    db_->execute("UPDATE captures SET updated_at = ?, note = ?, status = ?, priority = ?, group_id = ?, "
                 "thumb_path = ?, app_name = ?, app_bundle_id = ?, window_title = ?, url = ?, claimed_by = ?, "
                 "claimed_at = ?, resolved_at = ?, resolution_ref = ?, dirty = 1, deleted_at = ?, "
                 "assignee_id = ?, claimed_by_id = ?, local_only = ? WHERE id = ?;",
                 {SQLValue::now(), c.note, rawValue(c.status), rawValue(c.priority),
                  SQLValue::string(c.groupID), SQLValue::string(c.thumbPath), SQLValue::string(c.appName),
                  SQLValue::string(c.appBundleID), SQLValue::string(c.windowTitle), SQLValue::string(c.url),
                  SQLValue::string(c.claimedBy), SQLValue::date(c.claimedAt), SQLValue::date(c.resolvedAt),
                  SQLValue::string(c.resolutionRef), SQLValue::date(c.deletedAt), SQLValue::string(c.assigneeID),
                  SQLValue::string(c.claimedByID), SQLValue::boolean(c.localOnly), c.id});
    if (old) {
        QStringList changed;
        auto mark = [&](bool differs, const char* field) {
            if (differs)
                changed << QString::fromLatin1(field);
        };
        mark(old->note != c.note, "note");
        mark(old->status != c.status, "status");
        mark(old->priority != c.priority, "priority");
        mark(old->groupID != c.groupID, "group_id");
        mark(old->appName != c.appName, "app_name");
        mark(old->appBundleID != c.appBundleID, "app_bundle_id");
        mark(old->windowTitle != c.windowTitle, "window_title");
        mark(old->url != c.url, "url");
        mark(old->claimedBy != c.claimedBy, "claimed_label");
        mark(old->claimedByID != c.claimedByID, "claimed_by_id");
        mark(!sameInstant(old->claimedAt, c.claimedAt), "claimed_at");
        mark(!sameInstant(old->resolvedAt, c.resolvedAt), "resolved_at");
        mark(old->resolutionRef != c.resolutionRef, "resolution_ref");
        mark(old->assigneeID != c.assigneeID, "assignee_id");
        mark(!sameInstant(old->deletedAt, c.deletedAt), "delete");
        if (!changed.isEmpty())
            markPending("captures", c.id, changed);
    }
    postDidChange();
}

std::optional<Capture> CaptureStore::setStatus(const QString& id, CaptureStatus status, const QString& actor) {
    std::optional<Capture> c = capture(id);
    if (!c)
        return std::nullopt;
    const CaptureStatus old = c->status;
    c->status = status;
    if (status == CaptureStatus::resolved) {
        c->resolvedAt = now();
    } else {
        c->resolvedAt.reset();
        if (status == CaptureStatus::open) {
            c->claimedBy.reset();
            c->claimedAt.reset();
        }
    }
    update(*c);
    recordActivity(id, "status_changed", displayName(old) + " → " + displayName(status), actor, Identifiers::make(),
                   now(), currentUserID(), false);
    postDidChange();
    return capture(id);
}

std::optional<Capture> CaptureStore::claim(const QString& id, const QString& by) {
    std::optional<Capture> c = capture(id);
    if (!c)
        return std::nullopt;
    const std::optional<QString> user = currentUserID();
    c->claimedBy = by;
    c->claimedByID = user;
    c->claimedAt = now();
    if (c->status == CaptureStatus::open)
        c->status = CaptureStatus::inProgress;
    if (!c->assigneeID)
        c->assigneeID = user;
    update(*c);
    recordActivity(id, "claimed", "", by, Identifiers::make(), now(), user, false);
    postDidChange();
    return capture(id);
}

std::optional<Capture> CaptureStore::assign(const QString& id, const std::optional<QString>& to,
                                            const QString& actor) {
    std::optional<Capture> c = capture(id);
    if (!c)
        return std::nullopt;
    c->assigneeID = to;
    update(*c);
    recordActivity(id, "assigned", to.value_or(QString()), actor, Identifiers::make(), now(), currentUserID(), false);
    return capture(id);
}

std::optional<Capture> CaptureStore::resolve(const QString& id, const std::optional<QString>& reference,
                                             const QString& actor) {
    std::optional<Capture> c = capture(id);
    if (!c)
        return std::nullopt;
    c->status = CaptureStatus::resolved;
    c->resolvedAt = now();
    c->resolutionRef = reference;
    update(*c);
    recordActivity(id, "resolved", reference.value_or(QString()), actor, Identifiers::make(), now(),
                   currentUserID(), false);
    postDidChange();
    return capture(id);
}

void CaptureStore::setCaptureMode(CaptureMode mode, const QString& id) {
    db_->execute("UPDATE captures SET capture_mode = ?, updated_at = ?, dirty = 1 WHERE id = ?;",
                 {rawValue(mode), SQLValue::now(), id});
    markPending("captures", id, {"capture_mode"});
    postDidChange();
}

void CaptureStore::softDelete(const QString& id) {
    for (const CaptureImage& image : images(id))
        removeImageFiles(image);
    if (const std::optional<Capture> c = capture(id)) {
        CaptureImage cover;
        cover.imagePath = c->imagePath;
        cover.thumbPath = c->thumbPath;
        removeImageFiles(cover);
    }
    const SQLValue stamp = SQLValue::now();
    db_->execute("UPDATE captures SET deleted_at = ?, updated_at = ?, dirty = 1 WHERE id = ?;", {stamp, stamp, id});
    markPending("captures", id, {"delete"});
    postDidChange();
}
