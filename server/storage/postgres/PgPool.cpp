#include "PgPool.h"

namespace {

// The transaction open on this thread: its pool and connection.
thread_local const PgPool* boundPool = nullptr;
thread_local PgConnection* boundTo = nullptr;

} // namespace

PgPool::PgPool(QString url, int size) : url_(std::move(url)), size_(std::max(1, size)) {
    // Fails fast at start when the database cannot be reached at all.
    idle_.push_back(std::make_unique<PgConnection>(url_));
    open_ = 1;
}

PgPool::~PgPool() = default;

PgPool::Binding::Binding(PgPool& pool, PgConnection& connection) {
    boundPool = &pool;
    boundTo = &connection;
}

PgPool::Binding::~Binding() {
    boundPool = nullptr;
    boundTo = nullptr;
}

PgConnection* PgPool::boundConnection() const {
    return boundPool == this ? boundTo : nullptr;
}

std::unique_ptr<PgConnection> PgPool::acquire() {
    std::unique_lock guard(lock_);
    freed_.wait(guard, [&] { return !idle_.empty() || open_ < size_; });
    if (!idle_.empty()) {
        auto connection = std::move(idle_.back());
        idle_.pop_back();
        return connection;
    }
    ++open_;
    guard.unlock();
    try {
        return std::make_unique<PgConnection>(url_);
    } catch (...) {
        std::lock_guard again(lock_);
        --open_;
        freed_.notify_one();
        throw;
    }
}

void PgPool::release(std::unique_ptr<PgConnection> connection) {
    {
        std::lock_guard guard(lock_);
        idle_.push_back(std::move(connection));
    }
    freed_.notify_one();
}

void PgPool::rollBack(PgConnection& connection, const char* sql) noexcept {
    try {
        connection.exec(sql);
    } catch (...) {
        // The connection is already failing; ensureOpen() mends it on next use.
    }
}
