// Text recognised in screenshots: which screenshots still need reading, and
// the reads and searches of what was found.
#include "CaptureStore.h"

#include "FullTextQuery.h"

namespace {

// What a screenshot's text is read from; it changes when the screenshot is
// replaced (another file) or marked (other markup, a marked copy).
const char* const sourceOf = "(COALESCE(ci.annotated_path, ci.image_path) || '|' || COALESCE(ci.annotation_json, ''))";

} // namespace

std::vector<CaptureStore::ImageAwaitingText> CaptureStore::imagesAwaitingText(int limit) {
    if (!hasScreenshotText_)
        return {};
    const QString source = sourceOf;
    const auto rows = db_->query(
        "SELECT ci.id, ci.capture_id, COALESCE(ci.annotated_path, ci.image_path) AS file, " + source +
            " AS source FROM capture_images ci JOIN captures c ON c.id = ci.capture_id "
            "LEFT JOIN screenshot_text st ON st.image_id = ci.id "
            "WHERE ci.deleted_at IS NULL AND c.deleted_at IS NULL AND ci.image_path <> '' "
            "AND (st.source IS NULL OR st.source <> " + source + ") ORDER BY ci.created_at DESC LIMIT ?;",
        {limit});
    std::vector<ImageAwaitingText> images;
    for (const Row& row : rows)
        images.push_back({row.string("id").value_or(QString()), row.string("capture_id").value_or(QString()),
                          row.string("file").value_or(QString()), row.string("source").value_or(QString())});
    return images;
}

void CaptureStore::recordScreenshotText(const ImageAwaitingText& image, const QString& text) {
    if (!hasScreenshotText_)
        return;
    const QString source = sourceOf;
    db_->transaction([&] {
        db_->execute("INSERT INTO screenshot_text (image_id, capture_id, source, text, recognised_at) "
                     "SELECT ci.id, ci.capture_id, ?, ?, ? FROM capture_images ci WHERE ci.id = ? AND " + source +
                         " = ? ON CONFLICT(image_id) DO UPDATE SET source = excluded.source, text = excluded.text, "
                         "recognised_at = excluded.recognised_at;",
                     {image.source, text, double(QDateTime::currentMSecsSinceEpoch()) / 1000.0, image.imageID,
                      image.source});
        // Text of screenshots deleted since goes as the next text arrives.
        db_->execute("DELETE FROM screenshot_text WHERE capture_id = ? AND image_id NOT IN "
                     "(SELECT id FROM capture_images WHERE capture_id = ? AND deleted_at IS NULL);",
                     {image.captureID, image.captureID});
    });
}

QStringList CaptureStore::screenshotText(const QString& captureID) {
    if (!hasScreenshotText_)
        return {};
    QStringList texts;
    for (const Row& row : db_->query("SELECT st.text FROM screenshot_text st JOIN capture_images ci ON ci.id = st.image_id "
                                     "WHERE st.capture_id = ? AND ci.deleted_at IS NULL AND st.text <> '' "
                                     "ORDER BY ci.position, ci.created_at;",
                                     {captureID}))
        texts << row.string("text").value_or(QString());
    return texts;
}

QStringList CaptureStore::capturesWithScreenshotText(const QString& search, int limit) {
    const QString match = FullTextQuery::fromSearch(search);
    if (!hasScreenshotText_ || match.isEmpty())
        return {};
    QStringList ids;
    for (const Row& row : db_->query(
             "SELECT DISTINCT st.capture_id FROM screenshot_text st JOIN capture_images ci ON ci.id = st.image_id "
             "JOIN captures c ON c.id = st.capture_id WHERE st.rowid IN (SELECT rowid FROM screenshot_text_index "
             "WHERE screenshot_text_index MATCH ?) AND ci.deleted_at IS NULL AND c.deleted_at IS NULL LIMIT ?;",
             {match, limit}))
        ids << row.string("capture_id").value_or(QString());
    return ids;
}
