#pragma once

#include "PgPool.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

// Carries "this workspace changed" between instances that share one
// database: send() goes out as a NOTIFY, and a listening connection hands
// the other instances' changes to `heard`, on its own thread.
class PgChangeRelay {
public:
    using Heard = std::function<void(const QString& workspaceId, std::int64_t cursor)>;

    PgChangeRelay(PgPool& pool, Heard heard);
    ~PgChangeRelay();

    void send(const QString& workspaceId, std::int64_t cursor);

private:
    void listen();

    PgPool& pool_;
    const Heard heard_;
    const QString instance_;
    std::atomic<bool> stopping_ = false;
    int wake_[2] = {-1, -1};
    std::thread listener_;
};
