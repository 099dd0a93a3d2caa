#include "AttemptThrottle.h"

#include <algorithm>

namespace {

// Beyond this many keys, those whose wait is over are let go.
constexpr std::size_t keptKeys = 10000;

} // namespace

int AttemptThrottle::secondsToWait(const QString& key) {
    std::lock_guard guard(lock_);
    const auto it = entries_.find(key);
    if (it == entries_.end())
        return 0;
    const auto left = it->second.notBefore - Clock::now();
    return left.count() <= 0 ? 0 : int(std::chrono::ceil<std::chrono::seconds>(left).count());
}

void AttemptThrottle::failed(const QString& key) {
    std::lock_guard guard(lock_);
    const auto now = Clock::now();
    if (entries_.size() >= keptKeys)
        forgetOld(now);
    Entry& e = entries_[key];
    // Failures spread thinly enough are forgiven.
    if (now - e.lastFailure > policy_.longestWait)
        e.failures = 0;
    e.lastFailure = now;
    ++e.failures;
    const int over = e.failures - policy_.freeFailures;
    if (over < 0)
        return;
    const auto wait = std::min<std::chrono::seconds>(policy_.firstWait * (1LL << std::min(over, 20)),
                                                     policy_.longestWait);
    e.notBefore = now + wait;
}

void AttemptThrottle::succeeded(const QString& key) {
    std::lock_guard guard(lock_);
    entries_.erase(key);
}

void AttemptThrottle::forgetOld(Clock::time_point now) {
    std::erase_if(entries_, [&](const auto& entry) {
        return std::max(entry.second.notBefore, entry.second.lastFailure) + policy_.longestWait < now;
    });
}
