#include "platform/x11/X11KeyboardLayout.h"

#include "shortcuts/KeyCodeTable.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

namespace {

// The mapping is fetched lazily by the first lookup and freed with the guard.
class KeySymbols {
public:
    explicit KeySymbols(xcb_connection_t* connection) : symbols_(xcb_key_symbols_alloc(connection)) {}
    ~KeySymbols() { xcb_key_symbols_free(symbols_); }
    KeySymbols(const KeySymbols&) = delete;
    KeySymbols& operator=(const KeySymbols&) = delete;

    xcb_keysym_t at(xcb_keycode_t keycode, int column) const {
        return symbols_ ? xcb_key_symbols_get_keysym(symbols_, keycode, column) : XCB_NO_SYMBOL;
    }

    QList<uint8_t> keycodes(xcb_keysym_t keysym) const {
        QList<uint8_t> found;
        if (!symbols_)
            return found;
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols_, keysym);
        for (xcb_keycode_t* code = codes; code && *code != XCB_NO_SYMBOL; ++code)
            found << *code;
        std::free(codes);
        return found;
    }

private:
    xcb_key_symbols_t* symbols_;
};

QString textOf(xcb_keysym_t keysym) {
    const char32_t ucs = xkb_keysym_to_utf32(keysym);
    if (ucs == 0 || ucs < 0x20 || ucs == 0x7f)
        return {};
    return QString::fromUcs4(&ucs, 1);
}

} // namespace

std::unique_ptr<X11KeyboardLayout> X11KeyboardLayout::connect(const char* displayName) {
    xcb_connection_t* connection = xcb_connect(displayName, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::unique_ptr<X11KeyboardLayout>(new X11KeyboardLayout(connection));
}

X11KeyboardLayout::X11KeyboardLayout(xcb_connection_t* connection) : connection_(connection) {}

X11KeyboardLayout::~X11KeyboardLayout() {
    xcb_disconnect(connection_);
}

void X11KeyboardLayout::dropQueuedEvents() const {
    // Every client receives MappingNotify; nobody reads this connection's
    // events, so they would pile up.
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_))
        std::free(event);
}

QString X11KeyboardLayout::character(uint16_t keyCode) const {
    const std::optional<uint32_t> keysym = KeyCodeTable::keysym(keyCode);
    if (!keysym)
        return {};
    dropQueuedEvents();
    KeySymbols symbols(connection_);
    const QList<uint8_t> keycodes = symbols.keycodes(*keysym);
    if (keycodes.isEmpty())
        return {};
    // What the key types unshifted in this layout; keypad keys type nothing
    // unshifted with Num Lock off, so they fall back to their own symbol.
    QString text = textOf(symbols.at(keycodes.first(), 0));
    if (text.isEmpty())
        text = textOf(*keysym);
    return text.toUpper();
}

QList<uint8_t> X11KeyboardLayout::xKeycodes(uint16_t keyCode) const {
    const std::optional<uint32_t> keysym = KeyCodeTable::keysym(keyCode);
    if (!keysym)
        return {};
    dropQueuedEvents();
    return KeySymbols(connection_).keycodes(*keysym);
}

std::optional<uint16_t> X11KeyboardLayout::keyCode(uint8_t xKeycode) const {
    dropQueuedEvents();
    const KeySymbols symbols(connection_);
    // The unshifted symbol first; layouts that put digits on the shifted
    // level (French) still record the digit key by its shifted symbol.
    for (int column = 0; column < 4; ++column) {
        const xcb_keysym_t keysym = symbols.at(xKeycode, column);
        if (keysym == XCB_NO_SYMBOL)
            continue;
        if (const std::optional<uint16_t> code = KeyCodeTable::keyCode(keysym))
            return code;
    }
    return std::nullopt;
}
