#pragma once

#include "platform/WindowFinder.h"

#include <cstdint>

class X11ActiveWindowSource;

// EWMH: _NET_CLIENT_LIST_STACKING for the windows in their stacking order,
// each one's place on the root window grown by its _NET_FRAME_EXTENTS (the
// frame the window manager draws). Without a window manager, the root's
// mapped children. Uses its own connection, like the active window source it
// describes windows with.
class X11WindowFinder : public WindowFinder {
public:
    // Connects to the display (DISPLAY when null); none when it can't.
    static std::unique_ptr<X11WindowFinder> connect(const char* displayName = nullptr);
    ~X11WindowFinder() override;

    std::vector<DesktopWindow> windows() const override;

private:
    explicit X11WindowFinder(std::unique_ptr<X11ActiveWindowSource> source);

    // Bottom to top.
    std::vector<uint32_t> stackingOrder(bool& managed) const;
    // None when the window isn't on screen or is the desktop's background.
    std::optional<QRect> frameOf(uint32_t window, bool managed) const;
    bool isHiddenOrDesktop(uint32_t window) const;

    std::unique_ptr<X11ActiveWindowSource> source_;
    uint32_t clientListAtom_ = 0;
    uint32_t frameExtentsAtom_ = 0;
    uint32_t windowTypeAtom_ = 0;
    uint32_t desktopTypeAtom_ = 0;
    uint32_t stateAtom_ = 0;
    uint32_t hiddenStateAtom_ = 0;
};
