#pragma once

#include "platform/Clock.h"

#include <list>
#include <memory>

// A clock that moves only when told to. advance() fires the timers that fall
// due on the way, in time order, as a real clock would have.
class FakeClock : public Clock {
public:
    double now() const override { return now_; }
    std::unique_ptr<Timer> start(double seconds, bool repeating, std::function<void()> fire) override;

    void advance(double seconds);
    // Moves the time without firing anything, as on a main thread too busy to
    // run its timers; the next advance() fires what fell due meanwhile.
    void advanceHeldUp(double seconds) { now_ += seconds; }
    // Timers started and neither fired (single-shot) nor cancelled.
    int pendingTimers() const;

private:
    struct Scheduled {
        double due;
        double interval;
        bool repeating;
        std::function<void()> fire;
        std::shared_ptr<bool> alive;
    };

    // Well away from zero, so code that treats 0 as "never" isn't fooled by
    // the first event of a test.
    double now_ = 1000.0;
    std::list<Scheduled> timers_;
};
