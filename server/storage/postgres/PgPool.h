#pragma once

#include "PgConnection.h"

#include <condition_variable>
#include <mutex>

// Up to `size` connections to one database, opened as they are first
// needed. A transaction binds its connection to the thread that runs it, so
// every store call inside the body joins it without passing it around.
class PgPool {
public:
    PgPool(QString url, int size);
    ~PgPool();

    const QString& url() const { return url_; }

    // Runs fn(connection): the one of this thread's open transaction, or a free one.
    template <class Fn>
    auto with(Fn&& fn) -> decltype(fn(std::declval<PgConnection&>())) {
        if (PgConnection* bound = boundConnection())
            return fn(*bound);
        Lease lease(*this);
        return fn(*lease.connection);
    }

    // Runs body as one transaction; nested calls become savepoints, so an
    // operation built from others commits or rolls back whole.
    template <class Body>
    auto transaction(Body&& body) -> decltype(body()) {
        if (PgConnection* bound = boundConnection())
            return nested(*bound, std::forward<Body>(body));
        Lease lease(*this);
        Binding binding(*this, *lease.connection);
        lease.connection->exec("BEGIN");
        try {
            if constexpr (std::is_void_v<decltype(body())>) {
                body();
                lease.connection->exec("COMMIT");
            } else {
                auto result = body();
                lease.connection->exec("COMMIT");
                return result;
            }
        } catch (...) {
            rollBack(*lease.connection, "ROLLBACK");
            throw;
        }
    }

private:
    struct Lease {
        explicit Lease(PgPool& pool) : pool(pool), connection(pool.acquire()) {}
        ~Lease() { pool.release(std::move(connection)); }
        PgPool& pool;
        std::unique_ptr<PgConnection> connection;
    };
    struct Binding {
        Binding(PgPool& pool, PgConnection& connection);
        ~Binding();
    };

    template <class Body>
    auto nested(PgConnection& connection, Body&& body) -> decltype(body()) {
        connection.exec("SAVEPOINT nested");
        try {
            if constexpr (std::is_void_v<decltype(body())>) {
                body();
                connection.exec("RELEASE SAVEPOINT nested");
            } else {
                auto result = body();
                connection.exec("RELEASE SAVEPOINT nested");
                return result;
            }
        } catch (...) {
            rollBack(connection, "ROLLBACK TO SAVEPOINT nested");
            throw;
        }
    }

    PgConnection* boundConnection() const;
    std::unique_ptr<PgConnection> acquire();
    void release(std::unique_ptr<PgConnection> connection);
    static void rollBack(PgConnection& connection, const char* sql) noexcept;

    const QString url_;
    const int size_;
    std::mutex lock_;
    std::condition_variable freed_;
    std::vector<std::unique_ptr<PgConnection>> idle_;
    int open_ = 0;
};
