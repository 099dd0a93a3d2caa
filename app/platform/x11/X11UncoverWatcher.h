#pragma once

#include "platform/UncoverWatcher.h"

#include <QRegion>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <vector>

#include <xcb/xcb.h>

class X11Connection;

// Asks the X server itself. Each of our windows sits in a top-level window
// (the window manager's frame, or itself without one); the watch follows
// those leaving the screen and, through the DAMAGE extension on the root,
// the drawing that follows. Once every part of a frame that was visible has
// been drawn again after that frame went, none of its pixels are left.
class X11UncoverWatcher : public UncoverWatcher {
public:
    // None without a display or the DAMAGE extension.
    static std::unique_ptr<X11UncoverWatcher> open();
    ~X11UncoverWatcher() override;

    void hide(const QList<QWindow*>& windows, std::function<void()> hideThem,
              std::function<void()> uncovered) override;
    void cancel() override;

private:
    struct Frame {
        xcb_window_t window = XCB_WINDOW_NONE;
        // Its visible part, in root (device) pixels, not yet drawn again since it went.
        QRegion exposed;
        bool gone = false;
    };

    X11UncoverWatcher(std::unique_ptr<X11Connection> x, uint8_t damageEvent);
    // The top-level windows holding these windows, each with its part not
    // under someone else's window; frames wholly covered are left out.
    std::vector<Frame> visibleFrames(const QList<QWindow*>& windows);
    xcb_window_t topLevelOf(xcb_window_t window);
    void received(const xcb_generic_event_t* event);
    void stopWatching();
    void finish();

    std::unique_ptr<X11Connection> x_;
    uint8_t damageEvent_;
    uint32_t damage_ = 0;
    std::vector<Frame> frames_;
    std::function<void()> uncovered_;
    QTimer bound_;
};
