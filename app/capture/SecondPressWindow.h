#pragma once

#include "platform/Clock.h"

#include <functional>
#include <memory>
#include <utility>

// The short time after a first press of the full-screen shortcut in which a
// second press asks for a note without a screenshot instead. It is a half-open
// span: a press exactly `length` after the first is a press of its own.
class SecondPressWindow {
public:
    static constexpr double length = 0.35; // seconds

    explicit SecondPressWindow(Clock& clock) : clock_(clock) {}

    // Opens the window with a first press, forgetting an earlier one;
    // `passed` runs once the window is over.
    void open(std::function<void()> passed);
    bool isOpen() const;
    // A press while the window is open counts as its second press: true then.
    bool press();
    // Whether a second press came, asked once the window has passed; asking again answers false.
    bool takeSecondPress() { return std::exchange(secondPress_, false); }

private:
    void close();

    Clock& clock_;
    std::unique_ptr<Clock::Timer> timer_;
    std::function<void()> passed_;
    double openedAt_ = 0;
    bool secondPress_ = false;
};
