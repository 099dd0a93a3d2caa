#include "ScreenshotTextSchema.h"

#include "Database.h"

namespace {

// `source` names what the text was read from (the file shown and its markup),
// so a screenshot replaced or marked again reads as stale. The index is an
// external-content FTS5 table kept in step by triggers.
const char* const tables = R"SQL(
CREATE TABLE IF NOT EXISTS screenshot_text (
    image_id TEXT PRIMARY KEY,
    capture_id TEXT NOT NULL,
    source TEXT NOT NULL,
    text TEXT NOT NULL,
    recognised_at REAL NOT NULL
);
CREATE INDEX IF NOT EXISTS idx_screenshot_text_capture ON screenshot_text(capture_id);
CREATE VIRTUAL TABLE IF NOT EXISTS screenshot_text_index
    USING fts5(text, content='screenshot_text', content_rowid='rowid', tokenize='unicode61 remove_diacritics 2');
CREATE TRIGGER IF NOT EXISTS screenshot_text_added AFTER INSERT ON screenshot_text BEGIN
    INSERT INTO screenshot_text_index(rowid, text) VALUES (new.rowid, new.text);
END;
CREATE TRIGGER IF NOT EXISTS screenshot_text_removed AFTER DELETE ON screenshot_text BEGIN
    INSERT INTO screenshot_text_index(screenshot_text_index, rowid, text) VALUES ('delete', old.rowid, old.text);
END;
CREATE TRIGGER IF NOT EXISTS screenshot_text_changed AFTER UPDATE ON screenshot_text BEGIN
    INSERT INTO screenshot_text_index(screenshot_text_index, rowid, text) VALUES ('delete', old.rowid, old.text);
    INSERT INTO screenshot_text_index(rowid, text) VALUES (new.rowid, new.text);
END;
)SQL";

} // namespace

namespace ScreenshotTextSchema {

bool ensure(Database& db) noexcept {
    try {
        db.transaction([&] { db.executeRaw(tables); });
        return true;
    } catch (const DatabaseError&) {
        return false;
    }
}

} // namespace ScreenshotTextSchema
