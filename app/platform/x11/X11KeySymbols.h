#pragma once

#include "keys/ModifierSet.h"

#include <QList>

#include <cstdint>
#include <optional>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

// The server's keyboard mapping seen through the portable key numbering.
// Fetched lazily by the first question; refresh() after a MappingNotify
// keeps a long-lived instance current.
class X11KeySymbols {
public:
    explicit X11KeySymbols(xcb_connection_t* connection);
    ~X11KeySymbols();
    X11KeySymbols(const X11KeySymbols&) = delete;
    X11KeySymbols& operator=(const X11KeySymbols&) = delete;

    uint32_t keysym(uint8_t xKeycode, int column) const;
    // The X key codes that produce the portable key's keysym (what a grab
    // must cover); empty when the layout has no such key.
    QList<uint8_t> xKeycodes(uint16_t keyCode) const;
    // The portable key code of an X key code, read from its keysyms,
    // unshifted first (what recording a pressed key needs).
    std::optional<uint16_t> keyCode(uint8_t xKeycode) const;
    // The modifier an X key code's key stands for, absent for other keys.
    std::optional<ModifierSet> modifier(uint8_t xKeycode) const;

    // True when the notice was about the keyboard and the mapping was dropped.
    bool refresh(xcb_mapping_notify_event_t* notice);

private:
    xcb_key_symbols_t* symbols_;
};
