// Local changes to a capture's screenshots and its cover.
#include "CaptureStore.h"

#include "RecordFields.h"

using RecordFields::now;

namespace {

// The wire fields an edit of a screenshot changes: new marks bring a new
// marked copy and thumbnail (and their size); a reorder moves the position.
QStringList changedFields(const std::optional<CaptureImage>& stored, const CaptureImage& edited) {
    if (!stored)
        return {};
    QStringList fields;
    if (stored->position != edited.position)
        fields << "position";
    if (stored->annotationJSON != edited.annotationJSON || stored->annotatedPath != edited.annotatedPath ||
        stored->thumbPath != edited.thumbPath)
        fields << CaptureImage::markupFields();
    if (stored->bytes != edited.bytes)
        fields << "bytes";
    if (stored->width != edited.width || stored->height != edited.height)
        fields << "width" << "height";
    return fields;
}

} // namespace

CaptureImage CaptureStore::addImage(CaptureImage image) {
    db_->transaction([&] {
        if (image.position < 0) {
            const auto rows = db_->query(
                "SELECT COALESCE(MAX(position), -1) + 1 AS n FROM capture_images WHERE capture_id = ?;",
                {image.captureID});
            image.position = rows.empty() ? 0 : rows.front().integer("n").value_or(0);
        }
        db_->execute("INSERT INTO capture_images (id, capture_id, position, image_path, annotated_path, thumb_path, "
                     "width, height, bytes, annotation_json, created_at, remote_id, sync_state, dirty, "
                     "original_sha256, marked_sha256, thumb_sha256, version, deleted_at) "
                     "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?);",
                     {image.id, image.captureID, image.position, image.imagePath, SQLValue::string(image.annotatedPath),
                      SQLValue::string(image.thumbPath), image.width, image.height, image.bytes,
                      SQLValue::string(image.annotationJSON), SQLValue::date(image.createdAt),
                      SQLValue::string(image.remoteID), rawValue(image.syncState), SQLValue::boolean(image.dirty),
                      SQLValue::string(image.originalSHA256), SQLValue::string(image.markedSHA256),
                      SQLValue::string(image.thumbSHA256), image.version, SQLValue::date(image.deletedAt)});
        markPending("capture_images", image.id, {"*"});
        refreshCover(image.captureID);
        touch(image.captureID);
    });
    postDidChange();
    return image;
}

void CaptureStore::updateImage(const CaptureImage& image) {
    db_->transaction([&] {
        const QStringList changed = changedFields(imageIncludingDeleted(image.id), image);
        // Without marks the marked hash goes too, or the old marked copy would
        // be pushed again and downloaded back. Marks whose copy is still to be
        // downloaded keep it: the hash names the copy to fetch.
        db_->execute("UPDATE capture_images SET position = ?1, image_path = ?2, annotated_path = ?3, thumb_path = ?4, "
                     "width = ?5, height = ?6, bytes = ?7, annotation_json = ?8, dirty = 1, "
                     "marked_sha256 = CASE WHEN ?8 IS NULL THEN NULL ELSE marked_sha256 END WHERE id = ?9;",
                     {image.position, image.imagePath, SQLValue::string(image.annotatedPath),
                      SQLValue::string(image.thumbPath), image.width, image.height, image.bytes,
                      SQLValue::string(image.annotationJSON), image.id});
        if (!changed.isEmpty())
            markPending("capture_images", image.id, changed);
        refreshCover(image.captureID);
        touch(image.captureID);
    });
    postDidChange();
}

bool CaptureStore::deleteImage(const QString& id) {
    const std::optional<CaptureImage> target = image(id);
    if (!target)
        return false;
    const std::vector<CaptureImage> live = images(target->captureID);
    db_->transaction([&] {
        // Once the row no longer names them (a kill before leaves only orphans to sweep).
        db_->afterCommit([image = *target] { removeImageFiles(image); });
        if (target->syncState != SyncState::local) {
            db_->execute("UPDATE capture_images SET deleted_at = ?, image_path = '', annotated_path = NULL, "
                         "thumb_path = NULL WHERE id = ?;",
                         {SQLValue::now(), id});
            markPending("capture_images", id, {"delete"});
        } else {
            db_->execute("DELETE FROM capture_images WHERE id = ?;", {id});
        }
        std::int64_t index = 0;
        for (const CaptureImage& other : live) {
            if (other.id == id)
                continue;
            if (other.position != index) {
                db_->execute("UPDATE capture_images SET position = ?, dirty = 1 WHERE id = ?;", {index, other.id});
                markPending("capture_images", other.id, {"position"});
            }
            ++index;
        }
    });
    refreshCover(target->captureID);
    touch(target->captureID);
    postDidChange();
    return true;
}

void CaptureStore::refreshCover(const QString& captureID) {
    const std::vector<CaptureImage> live = images(captureID);
    if (live.empty()) {
        db_->execute("UPDATE captures SET image_path = '', thumb_path = NULL, image_width = 0, image_height = 0, "
                     "image_bytes = 0 WHERE id = ?;",
                     {captureID});
        return;
    }
    const CaptureImage& cover = live.front();
    db_->execute("UPDATE captures SET image_path = ?, thumb_path = ?, image_width = ?, image_height = ?, "
                 "image_bytes = ? WHERE id = ?;",
                 {cover.annotatedPath.value_or(cover.imagePath), SQLValue::string(cover.thumbPath), cover.width,
                  cover.height, cover.bytes, captureID});
}

void CaptureStore::touch(const QString& captureID) {
    db_->execute("UPDATE captures SET updated_at = ?, dirty = 1 WHERE id = ?;", {SQLValue::now(), captureID});
}
