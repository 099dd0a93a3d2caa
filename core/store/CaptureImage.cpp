#include "CaptureImage.h"

#include "RecordFields.h"
#include "ZorviPaths.h"

using namespace RecordFields;

CaptureImage CaptureImage::fromRow(const Row& r) {
    CaptureImage i;
    i.id = idOrFresh(r);
    i.captureID = r.string("capture_id").value_or(QString());
    i.position = r.integer("position").value_or(0);
    i.imagePath = r.string("image_path").value_or(QString());
    i.annotatedPath = r.string("annotated_path");
    i.thumbPath = r.string("thumb_path");
    i.width = r.integer("width").value_or(0);
    i.height = r.integer("height").value_or(0);
    i.bytes = r.integer("bytes").value_or(0);
    i.annotationJSON = r.string("annotation_json");
    i.createdAt = dateOrNow(r, "created_at");
    i.remoteID = r.string("remote_id");
    i.syncState = syncStateFromRaw(r.string("sync_state").value_or(QString())).value_or(SyncState::local);
    i.dirty = r.boolean("dirty");
    i.originalSHA256 = r.string("original_sha256");
    i.markedSHA256 = r.string("marked_sha256");
    i.thumbSHA256 = r.string("thumb_sha256");
    i.version = r.integer("version").value_or(0);
    i.deletedAt = r.date("deleted_at");
    return i;
}

const QStringList& CaptureImage::markupFields() {
    static const QStringList fields{"annotation_json", "marked_sha256", "thumb_sha256"};
    return fields;
}

QJsonObject CaptureImage::toJson() const {
    QJsonObject j{{"id", id},
                  {"captureID", captureID},
                  {"position", qint64(position)},
                  {"imagePath", imagePath},
                  {"width", qint64(width)},
                  {"height", qint64(height)},
                  {"bytes", qint64(bytes)},
                  {"createdAt", dateJson(createdAt)},
                  {"syncState", rawValue(syncState)},
                  {"dirty", dirty},
                  {"version", qint64(version)}};
    put(j, "annotatedPath", annotatedPath);
    put(j, "thumbPath", thumbPath);
    put(j, "annotationJSON", annotationJSON);
    put(j, "remoteID", remoteID);
    put(j, "originalSHA256", originalSHA256);
    put(j, "markedSHA256", markedSHA256);
    put(j, "thumbSHA256", thumbSHA256);
    put(j, "deletedAt", deletedAt);
    return j;
}

QString CaptureImage::originalFile() const {
    return ZorviPaths::imageFile(imagePath);
}

QString CaptureImage::displayFile() const {
    return annotatedPath ? ZorviPaths::imageFile(*annotatedPath) : originalFile();
}

std::optional<QString> CaptureImage::thumbFile() const {
    if (!thumbPath)
        return std::nullopt;
    return ZorviPaths::thumbFile(*thumbPath);
}
