#include "capture/SecondPressWindow.h"

void SecondPressWindow::open(std::function<void()> passed) {
    passed_ = std::move(passed);
    secondPress_ = false;
    openedAt_ = clock_.now();
    timer_ = clock_.start(length, false, [this] { close(); });
}

bool SecondPressWindow::isOpen() const {
    // A busy main thread may run the timer late; the time of the press decides.
    return timer_ && clock_.now() - openedAt_ < length;
}

bool SecondPressWindow::press() {
    if (!isOpen())
        return false;
    secondPress_ = true;
    return true;
}

void SecondPressWindow::close() {
    timer_.reset();
    if (std::function<void()> passed = std::exchange(passed_, {}))
        passed();
}
