// Tags, comments and activity entries of captures.
#include "CaptureStore.h"

#include "RecordFields.h"
#include "TagNames.h"
#include "common/Identifiers.h"

using RecordFields::now;

void CaptureStore::replaceTags(const QStringList& tags, const QString& captureID) {
    const QStringList names = TagNames::normalised(tags);
    db_->transaction([&] {
        db_->execute("DELETE FROM capture_tags WHERE capture_id = ?;", {captureID});
        for (const QString& name : names) {
            const auto found = db_->query("SELECT id FROM tags WHERE name = ?;", {name});
            QString tagID;
            if (!found.empty() && found.front().string("id")) {
                tagID = *found.front().string("id");
            } else {
                tagID = Identifiers::make();
                db_->execute("INSERT INTO tags (id, name, created_at) VALUES (?,?,?);",
                             {tagID, name, SQLValue::now()});
            }
            db_->execute("INSERT OR IGNORE INTO capture_tags (capture_id, tag_id) VALUES (?,?);", {captureID, tagID});
        }
    });
}

void CaptureStore::setTags(const QStringList& tags, const QString& captureID) {
    db_->transaction([&] {
        replaceTags(tags, captureID);
        markPending("captures", captureID, {"tags"});
        // Moves the change stamp, so open boards see a tags-only edit.
        db_->execute("UPDATE captures SET updated_at = ? WHERE id = ?;", {SQLValue::now(), captureID});
    });
    postDidChange();
}

void CaptureStore::addComment(Comment comment) {
    if (!comment.authorID)
        comment.authorID = currentUserID();
    if (comment.isAgent && !comment.actorLabel) {
        const std::optional<QString> name = currentUserName();
        comment.actorLabel = name ? comment.author + " · " + *name : comment.author;
    }
    if (const std::optional<Capture> c = captureIncludingDeleted(comment.captureID);
        c && c->isShared() && comment.syncState == SyncState::local)
        comment.syncState = SyncState::pendingPush;

    db_->execute("INSERT OR IGNORE INTO comments (id, capture_id, author, is_agent, body, created_at, author_id, "
                 "actor_label, kind, sync_state) VALUES (?,?,?,?,?,?,?,?,?,?);",
                 {comment.id, comment.captureID, comment.author, SQLValue::boolean(comment.isAgent), comment.body,
                  SQLValue::date(comment.createdAt), SQLValue::string(comment.authorID),
                  SQLValue::string(comment.actorLabel), comment.kind, rawValue(comment.syncState)});
    db_->execute("UPDATE captures SET updated_at = ? WHERE id = ?;", {SQLValue::now(), comment.captureID});
    postDidChange();
}

void CaptureStore::recordActivity(const std::optional<QString>& captureID, const QString& kind, const QString& detail,
                                  const QString& actor, const QString& id, const QDateTime& createdAt,
                                  const std::optional<QString>& actorID, bool remote) {
    db_->execute("INSERT OR IGNORE INTO activity (id, capture_id, kind, detail, actor, created_at, actor_id, remote) "
                 "VALUES (?,?,?,?,?,?,?,?);",
                 {id, SQLValue::string(captureID), kind, detail, actor, SQLValue::date(createdAt),
                  SQLValue::string(actorID), SQLValue::boolean(remote)});
}
