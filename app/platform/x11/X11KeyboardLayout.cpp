#include "platform/x11/X11KeyboardLayout.h"

#include "platform/x11/X11KeySymbols.h"
#include "keys/KeyCodeTable.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

namespace {

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
    const X11KeySymbols symbols(connection_);
    const QList<uint8_t> keycodes = symbols.xKeycodes(keyCode);
    if (keycodes.isEmpty())
        return {};
    // What the key types unshifted in this layout; keypad keys type nothing
    // unshifted with Num Lock off, so they fall back to their own symbol.
    QString text = textOf(symbols.keysym(keycodes.first(), 0));
    if (text.isEmpty())
        text = textOf(*keysym);
    return text.toUpper();
}

QList<uint8_t> X11KeyboardLayout::xKeycodes(uint16_t keyCode) const {
    dropQueuedEvents();
    return X11KeySymbols(connection_).xKeycodes(keyCode);
}

std::optional<uint16_t> X11KeyboardLayout::keyCode(uint8_t xKeycode) const {
    dropQueuedEvents();
    return X11KeySymbols(connection_).keyCode(xKeycode);
}

std::optional<uint16_t> X11KeyboardLayout::keyCodeForScanCode(uint32_t scanCode) const {
    // X key codes run from 8 to 255.
    if (scanCode == 0 || scanCode > 255)
        return std::nullopt;
    return keyCode(uint8_t(scanCode));
}
