#pragma once

#include "keys/KeyboardLayout.h"

#include <QList>

#include <memory>
#include <optional>

struct xcb_connection_t;

// The X server's keyboard mapping, read afresh on every question so a layout
// switch shows at once. Uses its own connection, so it works whichever Qt
// platform plugin runs.
class X11KeyboardLayout : public KeyboardLayout {
public:
    // Connects to the display (DISPLAY when null); none when it can't.
    static std::unique_ptr<X11KeyboardLayout> connect(const char* displayName = nullptr);
    ~X11KeyboardLayout() override;

    X11KeyboardLayout(const X11KeyboardLayout&) = delete;
    X11KeyboardLayout& operator=(const X11KeyboardLayout&) = delete;

    QString character(uint16_t keyCode) const override;
    std::optional<uint16_t> keyCodeForScanCode(uint32_t scanCode) const override;

    // The X key codes that produce the portable key's keysym (what a grab
    // must cover); empty when the layout has no such key.
    QList<uint8_t> xKeycodes(uint16_t keyCode) const;
    // The portable key code of an X key code, read from its keysyms,
    // unshifted first (what recording a pressed key needs).
    std::optional<uint16_t> keyCode(uint8_t xKeycode) const;

private:
    explicit X11KeyboardLayout(xcb_connection_t* connection);
    void dropQueuedEvents() const;

    xcb_connection_t* connection_;
};
