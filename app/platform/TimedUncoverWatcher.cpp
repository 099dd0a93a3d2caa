#include "platform/TimedUncoverWatcher.h"

TimedUncoverWatcher::TimedUncoverWatcher() {
    pause_.setSingleShot(true);
    pause_.setInterval(pauseMs);
    QObject::connect(&pause_, &QTimer::timeout, [this] {
        if (std::function<void()> uncovered = std::exchange(uncovered_, nullptr))
            uncovered();
    });
}

void TimedUncoverWatcher::hide(const QList<QWindow*>&, std::function<void()> hideThem,
                               std::function<void()> uncovered) {
    uncovered_ = std::move(uncovered);
    hideThem();
    pause_.start();
}

void TimedUncoverWatcher::cancel() {
    pause_.stop();
    uncovered_ = nullptr;
}
