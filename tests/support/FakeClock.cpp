#include "support/FakeClock.h"

#include <algorithm>

namespace {

// Cancels by clearing the shared flag, so a timer may be cancelled from its
// own callback or after the clock is gone.
class Handle : public Clock::Timer {
public:
    explicit Handle(std::shared_ptr<bool> alive) : alive_(std::move(alive)) {}
    ~Handle() override { *alive_ = false; }

private:
    std::shared_ptr<bool> alive_;
};

} // namespace

std::unique_ptr<Clock::Timer> FakeClock::start(double seconds, bool repeating, std::function<void()> fire) {
    auto alive = std::make_shared<bool>(true);
    timers_.push_back({now_ + seconds, seconds, repeating, std::move(fire), alive});
    return std::make_unique<Handle>(alive);
}

int FakeClock::pendingTimers() const {
    return int(std::count_if(timers_.begin(), timers_.end(), [](const Scheduled& s) { return *s.alive; }));
}

void FakeClock::advance(double seconds) {
    const double target = now_ + seconds;
    for (;;) {
        timers_.remove_if([](const Scheduled& s) { return !*s.alive; });
        auto next = std::min_element(timers_.begin(), timers_.end(),
                                     [](const Scheduled& a, const Scheduled& b) { return a.due < b.due; });
        if (next == timers_.end() || next->due > target)
            break;
        now_ = next->due;
        if (next->repeating)
            next->due += std::max(next->interval, 1e-9);
        else
            *next->alive = false;
        // The callback may start or cancel timers; the list keeps this entry in place meanwhile.
        std::function<void()> fire = next->fire;
        fire();
    }
    now_ = target;
}
