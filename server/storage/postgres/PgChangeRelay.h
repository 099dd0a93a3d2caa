#pragma once

#include "PgPool.h"
#include "changes/ChangeFeed.h"

#include <atomic>
#include <thread>

// Carries change-feed events between instances that share one database:
// each publish goes out as a NOTIFY, and a listening connection delivers
// the other instances' events to this instance's streams.
class PgChangeRelay {
public:
    PgChangeRelay(PgPool& pool, ChangeFeed& feed);
    ~PgChangeRelay();

private:
    void listen();
    void send(const ChangeFeed::Event& event);

    PgPool& pool_;
    ChangeFeed& feed_;
    const QString instance_;
    std::atomic<bool> stopping_ = false;
    int wake_[2] = {-1, -1};
    std::thread listener_;
};
