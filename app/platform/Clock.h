#pragma once

#include <functional>
#include <memory>

// Monotonic time and timers, behind an interface so timing rules can be
// tested by setting the time instead of waiting for it.
class Clock {
public:
    // A running timer; destroying it cancels it.
    class Timer {
    public:
        virtual ~Timer() = default;
    };

    virtual ~Clock() = default;

    // Seconds since an arbitrary fixed point; never goes backwards.
    virtual double now() const = 0;

    // Runs `fire` on the main thread after `seconds`, once or every
    // `seconds` when repeating, until the returned timer is destroyed.
    virtual std::unique_ptr<Timer> start(double seconds, bool repeating, std::function<void()> fire) = 0;

    // The process's real clock.
    static Clock& system();
};
