#pragma once

#include "platform/UncoverWatcher.h"

#include <QTimer>

// Where the session tells a client nothing about other windows' repainting
// (Wayland keeps that to the compositor): a fixed pause, long enough for a
// desktop that isn't under load.
class TimedUncoverWatcher : public UncoverWatcher {
public:
    static constexpr int pauseMs = 100;

    TimedUncoverWatcher();

    void hide(const QList<QWindow*>& windows, std::function<void()> hideThem,
              std::function<void()> uncovered) override;
    void cancel() override;

private:
    QTimer pause_;
    std::function<void()> uncovered_;
};
