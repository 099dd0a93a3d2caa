#include "platform/x11/X11KeySymbols.h"

#include "keys/KeyCodeTable.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

X11KeySymbols::X11KeySymbols(xcb_connection_t* connection) : symbols_(xcb_key_symbols_alloc(connection)) {}

X11KeySymbols::~X11KeySymbols() {
    xcb_key_symbols_free(symbols_);
}

uint32_t X11KeySymbols::keysym(uint8_t xKeycode, int column) const {
    return symbols_ ? xcb_key_symbols_get_keysym(symbols_, xKeycode, column) : XCB_NO_SYMBOL;
}

QList<uint8_t> X11KeySymbols::xKeycodes(uint16_t keyCode) const {
    QList<uint8_t> found;
    const std::optional<uint32_t> wanted = KeyCodeTable::keysym(keyCode);
    if (!symbols_ || !wanted)
        return found;
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols_, *wanted);
    for (xcb_keycode_t* code = codes; code && *code != XCB_NO_SYMBOL; ++code) {
        if (!found.contains(*code))
            found << *code;
    }
    std::free(codes);
    return found;
}

std::optional<uint16_t> X11KeySymbols::keyCode(uint8_t xKeycode) const {
    // The unshifted symbol first; layouts that put digits on the shifted
    // level (French) still record the digit key by its shifted symbol.
    for (int column = 0; column < 4; ++column) {
        const uint32_t symbol = keysym(xKeycode, column);
        if (symbol == XCB_NO_SYMBOL)
            continue;
        if (const std::optional<uint16_t> code = KeyCodeTable::keyCode(symbol))
            return code;
    }
    return std::nullopt;
}

std::optional<ModifierSet> X11KeySymbols::modifier(uint8_t xKeycode) const {
    return KeyCodeTable::modifierForKeysym(keysym(xKeycode, 0));
}

bool X11KeySymbols::refresh(xcb_mapping_notify_event_t* notice) {
    return symbols_ && xcb_refresh_keyboard_mapping(symbols_, notice) == 1;
}
