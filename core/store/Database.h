#pragma once

#include "DatabaseError.h"
#include "Row.h"

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
        std::lock_guard guard(lock_);
        const bool nested = begin();
        try {
            if constexpr (std::is_void_v<decltype(body())>) {
                body();
                finish(nested);
            } else {
                auto result = body();
                finish(nested);
                return result;
            }
        } catch (...) {
            abandon(nested);
            throw;
        }
    }

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
    // Rolls back what begin() opened; errors are swallowed, the caller is already failing.
    void abandon(bool nested) noexcept;

    sqlite3* handle_ = nullptr;
    std::recursive_mutex lock_;
};
