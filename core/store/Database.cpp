#include "Database.h"

#include "ZorviPaths.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

void bindAll(sqlite3_stmt* stmt, const std::vector<SQLValue>& params) {
    int index = 1;
    for (const SQLValue& p : params) {
        std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::monostate>) {
                    sqlite3_bind_null(stmt, index);
                } else if constexpr (std::is_same_v<T, std::int64_t>) {
                    sqlite3_bind_int64(stmt, index, v);
                } else if constexpr (std::is_same_v<T, double>) {
                    sqlite3_bind_double(stmt, index, v);
                } else if constexpr (std::is_same_v<T, QString>) {
                    const QByteArray utf8 = v.toUtf8();
                    sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
                } else {
                    sqlite3_bind_blob(stmt, index, v.constData(), int(v.size()), SQLITE_TRANSIENT);
                }
            },
            p.storage());
        ++index;
    }
}

SQLValue columnValue(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
        return SQLValue(std::int64_t(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT:
        return SQLValue(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        return SQLValue(QString::fromUtf8(text, sqlite3_column_bytes(stmt, i)));
    }
    case SQLITE_BLOB: {
        const void* blob = sqlite3_column_blob(stmt, i);
        const int size = sqlite3_column_bytes(stmt, i);
        return SQLValue(size > 0 ? QByteArray(static_cast<const char*>(blob), size) : QByteArray(""));
    }
    default:
        return SQLValue();
    }
}

} // namespace

Database::Database(const QString& path) {
    ZorviPaths::ensureParentDirectory(path);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (const int rc = sqlite3_open_v2(path.toUtf8().constData(), &handle_, flags, nullptr); rc != SQLITE_OK) {
        const QString message = handle_ ? QString::fromUtf8(sqlite3_errmsg(handle_)) : QStringLiteral("unknown error");
        const int code = handle_ ? sqlite3_extended_errcode(handle_) : rc;
        sqlite3_close_v2(handle_);
        handle_ = nullptr;
        throw DatabaseError::openFailed(message, code);
    }
    // Another process may be mid-write while we switch to WAL; wait for it
    // rather than failing before the busy_timeout pragma below takes effect.
    sqlite3_busy_timeout(handle_, 5000);
    try {
        for (const char* pragma : {"PRAGMA journal_mode = WAL;", "PRAGMA foreign_keys = ON;",
                                   "PRAGMA busy_timeout = 5000;", "PRAGMA synchronous = NORMAL;"})
            executeRaw(QString::fromLatin1(pragma));
        // SQLite's default 2 MB page cache makes every board reload of a large
        // library re-read its pages from the kernel; 64 MB is a ceiling, not an allocation.
        executeRaw(QStringLiteral("PRAGMA cache_size = -65536;"));
    } catch (...) {
        sqlite3_close_v2(handle_);
        handle_ = nullptr;
        throw;
    }
}

void Database::StatementDeleter::operator()(sqlite3_stmt* s) const {
    sqlite3_finalize(s);
}

Database::~Database() {
    if (handle_)
        sqlite3_close_v2(handle_);
}

int Database::errorCode() const {
    return handle_ ? sqlite3_extended_errcode(handle_) : 0;
}

QString Database::errorText() const {
    return handle_ ? QString::fromUtf8(sqlite3_errmsg(handle_)) : QStringLiteral("no database handle");
}

Database::Statement Database::prepare(const QString& sql, const std::vector<SQLValue>& params) {
    sqlite3_stmt* raw = nullptr;
    if (!handle_ || sqlite3_prepare_v2(handle_, sql.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        throw DatabaseError::prepareFailed(errorText(), sql, errorCode());
    }
    Statement stmt(raw);
    bindAll(raw, params);
    return stmt;
}

std::int64_t Database::execute(const QString& sql, const std::vector<SQLValue>& params) {
    std::lock_guard guard(lock_);
    const Statement stmt = prepare(sql, params);
    const int rc = sqlite3_step(stmt.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw DatabaseError::stepFailed(errorText(), sql, errorCode());
    return sqlite3_changes64(handle_);
}

std::vector<Row> Database::query(const QString& sql, const std::vector<SQLValue>& params) {
    std::lock_guard guard(lock_);
    const Statement stmt = prepare(sql, params);
    sqlite3_stmt* raw = stmt.get();

    const int count = sqlite3_column_count(raw);
    auto columns = std::make_shared<Row::ColumnIndex>();
    columns->reserve(count);
    for (int i = 0; i < count; ++i)
        columns->insert(QByteArray(sqlite3_column_name(raw, i)), i);
    std::shared_ptr<const Row::ColumnIndex> shared = columns;

    std::vector<Row> rows;
    while (sqlite3_step(raw) == SQLITE_ROW) {
        std::vector<SQLValue> values;
        values.reserve(size_t(count));
        for (int i = 0; i < count; ++i)
            values.push_back(columnValue(raw, i));
        rows.emplace_back(shared, std::move(values));
    }
    return rows;
}

void Database::executeRaw(const QString& sql) {
    std::lock_guard guard(lock_);
    if (!handle_)
        throw DatabaseError::stepFailed(errorText(), sql);
    char* error = nullptr;
    if (sqlite3_exec(handle_, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = error ? QString::fromUtf8(error) : errorText();
        sqlite3_free(error);
        throw DatabaseError::stepFailed(message, sql, errorCode());
    }
}

bool Database::begin() {
    const bool nested = handle_ && !sqlite3_get_autocommit(handle_);
    executeRaw(nested ? QStringLiteral("SAVEPOINT nested;") : QStringLiteral("BEGIN IMMEDIATE TRANSACTION;"));
    return nested;
}

void Database::finish(bool nested) {
    executeRaw(nested ? QStringLiteral("RELEASE nested;") : QStringLiteral("COMMIT;"));
}

void Database::afterCommit(std::function<void()> action, const void* key) {
    {
        std::lock_guard guard(lock_);
        if (handle_ && !sqlite3_get_autocommit(handle_)) {
            const bool queued = key && std::any_of(afterCommit_.begin(), afterCommit_.end(),
                                                   [key](const auto& entry) { return entry.first == key; });
            if (!queued)
                afterCommit_.emplace_back(key, std::move(action));
            return;
        }
    }
    action();
}

void Database::runAfterCommit(bool nested, std::unique_lock<std::recursive_mutex>& guard) {
    if (nested || afterCommit_.empty())
        return;
    const auto actions = std::exchange(afterCommit_, {});
    // An outer lock of this thread (a caller holding lock()) may remain; the
    // transaction itself is over either way.
    guard.unlock();
    for (const auto& [key, action] : actions)
        action();
}

void Database::abandon(bool nested) noexcept {
    if (!nested)
        afterCommit_.clear();
    try {
        executeRaw(nested ? QStringLiteral("ROLLBACK TO nested; RELEASE nested;") : QStringLiteral("ROLLBACK;"));
    } catch (...) {
    }
}
