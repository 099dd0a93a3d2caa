#pragma once

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class ActiveWindowSource;
class UncoverWatcher;

// Steps our own titled windows (the board, settings, the guide) off the
// screen for a screenshot and brings them back where the person left them.
// When one of our windows has the keyboard, nothing steps aside: the person
// is capturing Zorvi itself, as it is.
class OwnWindowsHider {
public:
    // The running session's sources.
    OwnWindowsHider();
    // Without a source of the active window, Qt's own focus decides.
    OwnWindowsHider(std::unique_ptr<ActiveWindowSource> active, std::unique_ptr<UncoverWatcher> watcher);
    ~OwnWindowsHider();

    OwnWindowsHider(const OwnWindowsHider&) = delete;
    OwnWindowsHider& operator=(const OwnWindowsHider&) = delete;

    void stepAside();
    // Runs `then` once nothing of ours is left on the screen: at once,
    // unless windows are still on their way off.
    void whenGone(std::function<void()> then);
    // Shows them again where they were, without taking the focus.
    void bringBack();
    // Leaves them hidden: the caller brings forward what it wants itself.
    void forget();

private:
    bool oursInFront() const;

    struct HiddenWindow {
        QPointer<QWidget> window;
        // Where the person left it (its inside, without the window manager's
        // frame): shown again, a window the window manager once placed would
        // otherwise be placed anew.
        QPoint at;
    };
    std::unique_ptr<ActiveWindowSource> active_;
    std::unique_ptr<UncoverWatcher> watcher_;
    QList<HiddenWindow> hidden_;
    bool leaving_ = false;
    std::function<void()> whenGone_;
};
