// Local changes to captures: insert, the common update path and the
// workflow operations built on it, and soft delete. Each workflow change and
// its history entry are one transaction.
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
             SQLValue::string(c.context.appName),
             SQLValue::string(c.context.appBundleID),
             SQLValue::string(c.context.windowTitle),
             SQLValue::string(c.context.url),
             SQLValue::string(c.context.displayName),
             c.context.displayScale,
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

namespace {

bool same(const std::optional<QDateTime>& a, const std::optional<QDateTime>& b) {
    return sameInstant(a, b);
}
template <class T>
bool same(const T& a, const T& b) {
    return a == b;
}

// Calls visit(wireName, field) for every field a local update writes, where
// field(capture) is that field of a capture; the wire name is null for the
// columns that are not pushed.
template <class Visit>
void forEachUpdatedField(Visit&& visit) {
    visit("note", [](auto& c) -> auto& { return c.note; });
    visit("status", [](auto& c) -> auto& { return c.status; });
    visit("priority", [](auto& c) -> auto& { return c.priority; });
    visit("group_id", [](auto& c) -> auto& { return c.groupID; });
    visit("app_name", [](auto& c) -> auto& { return c.context.appName; });
    visit("app_bundle_id", [](auto& c) -> auto& { return c.context.appBundleID; });
    visit("window_title", [](auto& c) -> auto& { return c.context.windowTitle; });
    visit("url", [](auto& c) -> auto& { return c.context.url; });
    visit("claimed_label", [](auto& c) -> auto& { return c.claimedBy; });
    visit("claimed_by_id", [](auto& c) -> auto& { return c.claimedByID; });
    visit("claimed_at", [](auto& c) -> auto& { return c.claimedAt; });
    visit("resolved_at", [](auto& c) -> auto& { return c.resolvedAt; });
    visit("resolution_ref", [](auto& c) -> auto& { return c.resolutionRef; });
    visit("assignee_id", [](auto& c) -> auto& { return c.assigneeID; });
    visit("delete", [](auto& c) -> auto& { return c.deletedAt; });
    visit(nullptr, [](auto& c) -> auto& { return c.thumbPath; });
    visit(nullptr, [](auto& c) -> auto& { return c.localOnly; });
}

} // namespace

void CaptureStore::update(Capture c) {
    // The read of the old row, the write and the pending mark are one
    // transaction, so a remote row applied by the sync engine cannot land in
    // between and then be pushed back as a local edit.
    db_->transaction([&] { writeCapture(c); });
    postDidChange();
}

void CaptureStore::update(const Capture& edited, const Capture& base) {
    db_->transaction([&] {
        std::optional<Capture> current = captureIncludingDeleted(edited.id);
        if (!current)
            return;
        forEachUpdatedField([&](const char*, auto field) {
            if (!same(field(edited), field(base)))
                field(*current) = field(edited);
        });
        writeCapture(*current);
    });
    postDidChange();
}

void CaptureStore::writeCapture(const Capture& c) {
    const std::optional<Capture> old = captureIncludingDeleted(c.id);
    db_->execute("UPDATE captures SET updated_at = ?, note = ?, status = ?, priority = ?, group_id = ?, "
                 "thumb_path = ?, app_name = ?, app_bundle_id = ?, window_title = ?, url = ?, claimed_by = ?, "
                 "claimed_at = ?, resolved_at = ?, resolution_ref = ?, dirty = 1, deleted_at = ?, "
                 "assignee_id = ?, claimed_by_id = ?, local_only = ? WHERE id = ?;",
                 {SQLValue::now(), c.note, rawValue(c.status), rawValue(c.priority),
                  SQLValue::string(c.groupID), SQLValue::string(c.thumbPath), SQLValue::string(c.context.appName),
                  SQLValue::string(c.context.appBundleID), SQLValue::string(c.context.windowTitle),
                  SQLValue::string(c.context.url), SQLValue::string(c.claimedBy), SQLValue::date(c.claimedAt),
                  SQLValue::date(c.resolvedAt), SQLValue::string(c.resolutionRef), SQLValue::date(c.deletedAt),
                  SQLValue::string(c.assigneeID), SQLValue::string(c.claimedByID), SQLValue::boolean(c.localOnly),
                  c.id});
    if (!old)
        return;
    QStringList changed;
    forEachUpdatedField([&](const char* wireName, auto field) {
        if (wireName && !same(field(*old), field(c)))
            changed << QString::fromLatin1(wireName);
    });
    if (!changed.isEmpty())
        markPending("captures", c.id, changed);
}

bool CaptureStore::editCapture(const QString& id, const std::function<void(Capture&)>& edit,
                               const std::function<void()>& record) {
    const bool found = db_->transaction([&] {
        std::optional<Capture> c = captureIncludingDeleted(id);
        if (!c || c->deletedAt)
            return false;
        edit(*c);
        writeCapture(*c);
        if (record)
            record();
        return true;
    });
    if (found)
        postDidChange();
    return found;
}

std::optional<Capture> CaptureStore::setStatus(const QString& id, CaptureStatus status, const QString& actor) {
    CaptureStatus old = status;
    const bool found = editCapture(id, [&](Capture& c) {
        old = c.status;
        c.status = status;
        if (status == CaptureStatus::resolved) {
            c.resolvedAt = now();
        } else {
            c.resolvedAt.reset();
            if (status == CaptureStatus::open) {
                c.claimedBy.reset();
                c.claimedAt.reset();
            }
        }
    }, [&] {
        recordActivity(id, "status_changed", displayName(old) + " → " + displayName(status), actor,
                       Identifiers::make(), now(), currentUserID(), false);
    });
    if (!found)
        return std::nullopt;
    return capture(id);
}

std::optional<Capture> CaptureStore::claim(const QString& id, const QString& by) {
    const std::optional<QString> user = currentUserID();
    const bool found = editCapture(id, [&](Capture& c) {
        c.claimedBy = by;
        c.claimedByID = user;
        c.claimedAt = now();
        if (c.status == CaptureStatus::open)
            c.status = CaptureStatus::inProgress;
        if (!c.assigneeID)
            c.assigneeID = user;
    }, [&] { recordActivity(id, "claimed", "", by, Identifiers::make(), now(), user, false); });
    if (!found)
        return std::nullopt;
    return capture(id);
}

std::optional<Capture> CaptureStore::assign(const QString& id, const std::optional<QString>& to,
                                            const QString& actor) {
    const bool found = editCapture(id, [&](Capture& c) { c.assigneeID = to; }, [&] {
        recordActivity(id, "assigned", to.value_or(QString()), actor, Identifiers::make(), now(), currentUserID(),
                       false);
    });
    return found ? capture(id) : std::nullopt;
}

std::optional<Capture> CaptureStore::resolve(const QString& id, const std::optional<QString>& reference,
                                             const QString& actor) {
    const bool found = editCapture(id, [&](Capture& c) {
        c.status = CaptureStatus::resolved;
        c.resolvedAt = now();
        c.resolutionRef = reference;
    }, [&] {
        recordActivity(id, "resolved", reference.value_or(QString()), actor, Identifiers::make(), now(),
                       currentUserID(), false);
    });
    if (!found)
        return std::nullopt;
    return capture(id);
}

void CaptureStore::setCaptureMode(CaptureMode mode, const QString& id) {
    db_->transaction([&] {
        db_->execute("UPDATE captures SET capture_mode = ?, updated_at = ?, dirty = 1 WHERE id = ?;",
                     {rawValue(mode), SQLValue::now(), id});
        markPending("captures", id, {"capture_mode"});
    });
    postDidChange();
}

void CaptureStore::softDelete(const QString& id, DeletedFiles files) {
    const SQLValue stamp = SQLValue::now();
    db_->transaction([&] {
        db_->execute("UPDATE captures SET deleted_at = ?, updated_at = ?, dirty = 1 WHERE id = ?;",
                     {stamp, stamp, id});
        markPending("captures", id, {"delete"});
        // Files go only once the capture is committed as deleted.
        if (files == DeletedFiles::remove)
            db_->afterCommit([this, id] { removeFilesOfDeleted(id); });
    });
    postDidChange();
}
