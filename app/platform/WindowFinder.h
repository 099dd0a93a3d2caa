#pragma once

#include "platform/ActiveWindowSource.h"

#include <QRect>

#include <memory>
#include <vector>

// One top-level window as the desktop shows it.
struct DesktopWindow {
    // Where it is with the frame the window manager draws around it, in the
    // X server's (device) pixels.
    QRect frame;
    ActiveWindow details;
    bool isActive = false;
};

// The desktop's windows, for picking one to capture. X11 tells any client
// where every window is; Wayland keeps that to the compositor, so there the
// finder says it can't and why.
class WindowFinder {
public:
    virtual ~WindowFinder() = default;

    // A sentence for people saying why windows can't be picked here; none where they can.
    virtual std::optional<QString> whyUnavailable() const { return std::nullopt; }
    // The windows on screen now, topmost first.
    virtual std::vector<DesktopWindow> windows() const = 0;

    // The finder of a session that keeps its windows to itself.
    static std::unique_ptr<WindowFinder> unavailable();
};
