// Undoing deletes: bringing captures and groups back, and the image files a
// delete keeps while it can still be undone.
#include "CaptureStore.h"

void CaptureStore::restore(const QString& id) {
    db_->transaction([&] {
        db_->execute("UPDATE captures SET deleted_at = NULL, updated_at = ?, dirty = 1 WHERE id = ?;",
                     {SQLValue::now(), id});
        markPending("captures", id, {"delete"});
    });
    postDidChange();
}

void CaptureStore::removeFilesOfCapture(const QString& id) {
    const auto rows = db_->query("SELECT * FROM capture_images WHERE capture_id = ? AND deleted_at IS NULL;", {id});
    for (const Row& row : rows)
        removeImageFiles(CaptureImage::fromRow(row));
    if (const std::optional<Capture> c = captureIncludingDeleted(id)) {
        CaptureImage cover;
        cover.imagePath = c->imagePath;
        cover.thumbPath = c->thumbPath;
        removeImageFiles(cover);
    }
}

void CaptureStore::removeFilesOfDeleted(const QString& id) {
    // Restored meanwhile (by Undo elsewhere, or sync): its files stay.
    if (const std::optional<Capture> c = captureIncludingDeleted(id); c && c->deletedAt)
        removeFilesOfCapture(id);
}

int CaptureStore::sweepFilesOfDeleted(int days) {
    const double since = double(QDateTime::currentSecsSinceEpoch() - qint64(days) * 86400);
    const auto rows =
        db_->query("SELECT id FROM captures WHERE deleted_at IS NOT NULL AND deleted_at >= ?;", {since});
    for (const Row& row : rows)
        removeFilesOfCapture(row.string("id").value_or(QString()));
    return int(rows.size());
}

void CaptureStore::restoreGroup(const QString& id) {
    db_->transaction([&] {
        db_->execute("UPDATE groups SET deleted_at = NULL, archived_at = NULL, updated_at = ?, dirty = 1 WHERE id = ?;",
                     {SQLValue::now(), id});
        markPending("groups", id, {"archived_at"});
    });
    postDidChange();
}
