#pragma once

#include "platform/ActiveWindowSource.h"

#include <cstdint>

struct xcb_connection_t;

// EWMH: the root window's _NET_ACTIVE_WINDOW, its _NET_WM_NAME (WM_NAME when
// a client sets only that) and WM_CLASS, and the owning process as the X
// server knows it (the XRes extension), else as the client claims (_NET_WM_PID).
// Uses its own connection, so it works whichever Qt platform plugin runs.
class X11ActiveWindowSource : public ActiveWindowSource {
public:
    // Connects to the display (DISPLAY when null); none when it can't.
    static std::unique_ptr<X11ActiveWindowSource> connect(const char* displayName = nullptr);
    ~X11ActiveWindowSource() override;

    X11ActiveWindowSource(const X11ActiveWindowSource&) = delete;
    X11ActiveWindowSource& operator=(const X11ActiveWindowSource&) = delete;

    std::optional<ActiveWindow> activeWindow() const override;
    // The window with the keyboard focus; none when no window has it.
    std::optional<uint32_t> activeWindowID() const;
    // What this window says about itself, whichever window it is.
    ActiveWindow describe(uint32_t window) const;

    xcb_connection_t* connection() const { return connection_; }
    uint32_t root() const { return root_; }

private:
    explicit X11ActiveWindowSource(xcb_connection_t* connection);

    std::optional<QString> title(uint32_t window) const;
    std::optional<qint64> pid(uint32_t window) const;

    xcb_connection_t* connection_;
    uint32_t root_ = 0;
    uint32_t activeWindowAtom_ = 0;
    uint32_t wmNameAtom_ = 0;
    uint32_t utf8StringAtom_ = 0;
    uint32_t wmPidAtom_ = 0;
    bool hasXRes_ = false;
};
