#pragma once

#include <QString>

#include <chrono>
#include <map>
#include <mutex>

// Slows guessing down: once a key (an account, an address) has used its
// free failures, its next attempt must wait, twice as long after every
// further failure, up to a ceiling. A success clears the key, and so does
// a quiet spell as long as the ceiling.
class AttemptThrottle {
public:
    using Clock = std::chrono::steady_clock;
    struct Policy {
        int freeFailures = 5;
        std::chrono::seconds firstWait{30};
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
        Clock::time_point lastFailure;
    };
    void forgetOld(Clock::time_point now);

    Policy policy_;
    std::mutex lock_;
    std::map<QString, Entry> entries_;
};
