#pragma once

#include "DatabaseError.h"
#include "Row.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// One connection to a library file, shared by every thread. Each call holds a
// recursive lock; transaction() holds it from BEGIN to COMMIT so a transaction
// is never interleaved with another thread's statements.
class Database {
public:
    explicit Database(const QString& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs one statement; returns the number of rows it changed.
    std::int64_t execute(const QString& sql, const std::vector<SQLValue>& params = {});
    // Rows up to the first step that yields none; only a prepare failure throws.
    std::vector<Row> query(const QString& sql, const std::vector<SQLValue>& params = {});
    // A script of one or more statements, without parameters.
    void executeRaw(const QString& sql);

    // Runs `body` as one unit: a transaction, or a savepoint when one is
    // already open on this connection, so an operation built from others
    // commits or rolls back whole.
    template <class Body>
    auto transaction(Body&& body) -> decltype(body()) {
        std::unique_lock guard(lock_);
        const bool nested = begin();
        try {
            if constexpr (std::is_void_v<decltype(body())>) {
                body();
                finish(nested);
                runAfterCommit(nested, guard);
            } else {
                auto result = body();
                finish(nested);
                runAfterCommit(nested, guard);
                return result;
            }
        } catch (...) {
            abandon(nested);
            throw;
        }
    }

    // Runs `action` once the transaction open on this thread has committed
    // (at once when none is open); a rollback drops it. Announcements made
    // inside an operation built from others thus go out once the whole is
    // visible to other connections. Actions with the same non-null key run
    // once per transaction.
    void afterCommit(std::function<void()> action, const void* key = nullptr);

    std::recursive_mutex& lock() { return lock_; }

private:
    struct StatementDeleter {
        void operator()(sqlite3_stmt* s) const;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

    // Prepares and binds; a prepare failure throws with the statement's text.
    Statement prepare(const QString& sql, const std::vector<SQLValue>& params);
    QString errorText() const;
    int errorCode() const;
    // BEGIN, or a savepoint inside an open transaction (then returns true).
    bool begin();
    void finish(bool nested);
    void runAfterCommit(bool nested, std::unique_lock<std::recursive_mutex>& guard);
    // Rolls back what begin() opened; errors are swallowed, the caller is already failing.
    void abandon(bool nested) noexcept;

    sqlite3* handle_ = nullptr;
    std::recursive_mutex lock_;
    std::vector<std::pair<const void*, std::function<void()>>> afterCommit_;
};
