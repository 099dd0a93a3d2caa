#pragma once

#include <QList>

#include <functional>

class QWindow;

// Takes windows of ours off the screen before a screenshot and says when
// they have left no trace on it: what they covered has been drawn again, so
// a picture taken then shows none of them.
class UncoverWatcher {
public:
    // However slow the windows beneath are to repaint, the capture goes on after this.
    static constexpr int longestWaitMs = 200;

    virtual ~UncoverWatcher() = default;

    // Starts watching `windows` (on screen now), calls `hideThem`, and calls
    // `uncovered` on the main thread once what they covered is back on the
    // screen, or after longestWaitMs; never before returning. Replaces a
    // watch still running, whose callback is then dropped.
    virtual void hide(const QList<QWindow*>& windows, std::function<void()> hideThem,
                      std::function<void()> uncovered) = 0;
    // Ends a running watch without calling back.
    virtual void cancel() = 0;
};
