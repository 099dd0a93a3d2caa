#pragma once

#include <QString>

#include <chrono>
#include <map>
#include <mutex>

// Slows guessing down: after a few failed attempts under one key (an
// account, an address) each further attempt must wait, twice as long after
// every failure, up to a ceiling. A success clears the key.
class AttemptThrottle {
public:
    using Clock = std::chrono::steady_clock;
    struct Policy {
        int freeFailures = 5;
        std::chrono::seconds firstWait{1};
        std::chrono::seconds longestWait{15 * 60};
    };

    explicit AttemptThrottle(Policy policy) : policy_(policy) {}

    // Whole seconds until `key` may try again; 0 when it may now.
    int secondsToWait(const QString& key);
    void failed(const QString& key);
    void succeeded(const QString& key);

private:
    struct Entry {
        int failures = 0;
        Clock::time_point notBefore;
    };
    void forgetOld(Clock::time_point now);

    Policy policy_;
    std::mutex lock_;
    std::map<QString, Entry> entries_;
};
