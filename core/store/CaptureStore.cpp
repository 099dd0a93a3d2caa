#include "CaptureStore.h"

#include "RecordFields.h"
#include "Schema.h"
#include "ScreenshotTextSchema.h"
#include "StoreChangeSignal.h"
#include "ZorviPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>

namespace {

std::int64_t userVersion(Database& db) {
    const auto rows = db.query(QStringLiteral("PRAGMA user_version;"));
    return rows.empty() ? 0 : rows.front().integer("user_version").value_or(0);
}

template <class Record>
std::optional<Record> first(const std::vector<Row>& rows) {
    if (rows.empty())
        return std::nullopt;
    return Record::fromRow(rows.front());
}

} // namespace

CaptureStore::CaptureStore(const QString& databasePath) : databasePath_(databasePath) {
    if (QFileInfo(databasePath).absoluteFilePath() == QFileInfo(ZorviPaths::databaseFile()).absoluteFilePath())
        ZorviPaths::migrateLegacyLibraryIfNeeded();
    ZorviPaths::ensureDirectories();
    db_ = std::make_unique<Database>(databasePath);
    if (userVersion(*db_) < Schema::currentVersion) {
        // The app and the MCP server may both open a new library at once; only
        // one of them may run the migration steps.
        QLockFile migrationLock(databasePath + ".migrating");
        migrationLock.setStaleLockTime(60000);
        migrationLock.lock();
        Schema::migrate(*db_);
    }
    hasScreenshotText_ = ScreenshotTextSchema::ensure(*db_);
    gatherPlannerStatisticsIfMissing();
}

CaptureStore::~CaptureStore() {
    // SQLite's advice for long-lived connections: refresh statistics that have
    // gone stale while this one was open.
    try {
        db_->executeRaw(QStringLiteral("PRAGMA optimize;"));
    } catch (const DatabaseError&) {
    }
}

void CaptureStore::gatherPlannerStatisticsIfMissing() {
    // Without statistics SQLite reads the open captures through the status
    // index and sorts them all for the board's first page; with them it walks
    // the board index in order. Small libraries don't need them yet.
    constexpr int worthwhileRows = 1000;
    const bool haveStats =
        !db_->query("SELECT 1 AS one FROM sqlite_master WHERE type = 'table' AND name = 'sqlite_stat1';").empty() &&
        !db_->query("SELECT 1 AS one FROM sqlite_stat1 WHERE tbl = 'captures' LIMIT 1;").empty();
    if (haveStats)
        return;
    const auto rows = db_->query("SELECT COUNT(*) AS n FROM captures;");
    if (!rows.empty() && rows.front().integer("n").value_or(0) >= worthwhileRows)
        db_->executeRaw(QStringLiteral("ANALYZE;"));
}

void CaptureStore::postDidChange() {
    static const char once = 0;
    db_->afterCommit(&StoreChangeSignal::post, &once);
}

// MARK: single-row reads

std::optional<Capture> CaptureStore::capture(const QString& id) {
    return first<Capture>(db_->query("SELECT * FROM captures WHERE id = ? AND deleted_at IS NULL;", {id}));
}

std::optional<Capture> CaptureStore::captureIncludingDeleted(const QString& id) {
    return first<Capture>(db_->query("SELECT * FROM captures WHERE id = ?;", {id}));
}

std::optional<CaptureImage> CaptureStore::image(const QString& id) {
    return first<CaptureImage>(db_->query("SELECT * FROM capture_images WHERE id = ? AND deleted_at IS NULL;", {id}));
}

std::optional<CaptureImage> CaptureStore::imageIncludingDeleted(const QString& id) {
    return first<CaptureImage>(db_->query("SELECT * FROM capture_images WHERE id = ?;", {id}));
}

std::vector<CaptureImage> CaptureStore::images(const QString& captureID) {
    std::vector<CaptureImage> result;
    for (const Row& row : db_->query("SELECT * FROM capture_images WHERE capture_id = ? AND deleted_at IS NULL "
                                     "ORDER BY position, created_at;",
                                     {captureID}))
        result.push_back(CaptureImage::fromRow(row));
    return result;
}

// MARK: what sync recorded, and change marking

std::optional<QString> CaptureStore::syncMeta(const QString& key) {
    const auto rows = db_->query("SELECT value FROM sync_meta WHERE key = ?;", {key});
    return rows.empty() ? std::nullopt : rows.front().string("value");
}

std::optional<QString> CaptureStore::metaOrNone(const QString& key) {
    try {
        return syncMeta(key);
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
}

std::optional<QString> CaptureStore::currentUserID() { return metaOrNone("user_id"); }
std::optional<QString> CaptureStore::currentUserName() { return metaOrNone("user_name"); }
std::optional<QString> CaptureStore::defaultWorkspaceID() { return metaOrNone("default_workspace_id"); }

std::vector<SyncLogLine> CaptureStore::syncLog(int limit) {
    std::vector<SyncLogLine> lines;
    for (const Row& row : db_->query("SELECT * FROM sync_log ORDER BY id DESC LIMIT ?;", {limit}))
        lines.push_back({row.integer("id").value_or(0), RecordFields::dateOrNow(row, "at"),
                         row.string("level").value_or(QStringLiteral("info")),
                         row.string("message").value_or(QString())});
    return lines;
}

std::vector<Capture> CaptureStore::localCaptures() {
    std::vector<Capture> result;
    for (const Row& row : db_->query("SELECT * FROM captures WHERE workspace_id IS NULL AND deleted_at IS NULL "
                                     "ORDER BY created_at DESC;"))
        result.push_back(Capture::fromRow(row));
    return result;
}

void CaptureStore::markPending(const QString& table, const QString& id, const QStringList& fields) {
    QString condition;
    if (table == u"captures")
        condition = "workspace_id IS NOT NULL AND local_only = 0";
    else if (table == u"groups")
        condition = "workspace_id IS NOT NULL";
    else if (table == u"capture_images")
        condition = "EXISTS (SELECT 1 FROM captures c WHERE c.id = capture_images.capture_id "
                    "AND c.workspace_id IS NOT NULL AND c.local_only = 0)";
    else
        return;

    QJsonObject patch;
    for (const QString& field : fields)
        patch.insert(field, true);
    const QString json = QString::fromUtf8(QJsonDocument(patch).toJson(QJsonDocument::Compact));

    db_->execute(QStringLiteral("UPDATE %1 SET pending = CASE WHEN %2 THEN json_patch(COALESCE(pending, '{}'), ?) "
                                "ELSE pending END, sync_state = CASE WHEN %2 THEN 'pendingPush' ELSE sync_state END "
                                "WHERE id = ?;")
                     .arg(table, condition),
                 {json, id});
}

// MARK: files

void CaptureStore::removeImageFiles(const CaptureImage& image) {
    auto remove = [](const std::optional<QString>& relative, QString (*root)(const QString&)) {
        if (relative && ZorviPaths::isSafeRelativePath(*relative))
            QFile::remove(root(*relative));
    };
    remove(image.imagePath, ZorviPaths::imageFile);
    remove(image.annotatedPath, ZorviPaths::imageFile);
    remove(image.thumbPath, ZorviPaths::thumbFile);
    for (const std::optional<QString>& source : {std::optional(image.imagePath), image.annotatedPath})
        if (source && ZorviPaths::isSafeRelativePath(*source))
            for (const QString& rendition : ZorviPaths::agentImageFiles(*source))
                QFile::remove(rendition);
}
