#include "platform/x11/X11KeyGrab.h"

#include "platform/x11/X11Connection.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <vector>

namespace {

// Num Lock sits on Mod2 on every common layout.
constexpr uint16_t numLockMask = XCB_MOD_MASK_2;
constexpr uint16_t lockVariants[] = {0, XCB_MOD_MASK_LOCK, numLockMask, XCB_MOD_MASK_LOCK | numLockMask};
constexpr uint16_t shortcutMask = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

} // namespace

std::unique_ptr<X11KeyGrab> X11KeyGrab::grab(X11Connection& connection, uint16_t keyCode, ModifierSet modifiers) {
    // Fn has no X modifier; a combination needing it can't be grabbed.
    if (modifiers.contains(ModifierSet::function()))
        return nullptr;
    std::unique_ptr<X11KeyGrab> grab(new X11KeyGrab(connection, keyCode, modifiers));
    if (!grab->grabAll())
        return nullptr;
    return grab;
}

X11KeyGrab::X11KeyGrab(X11Connection& connection, uint16_t keyCode, ModifierSet modifiers)
    : connection_(connection), keyCode_(keyCode), mask_(modifiers.xModifierMask()) {}

X11KeyGrab::~X11KeyGrab() {
    QObject::disconnect(mappingWatch_);
    ungrabAll();
    xcb_flush(connection_.connection());
}

bool X11KeyGrab::grabAll() {
    xcb_connection_t* c = connection_.connection();
    xKeycodes_ = connection_.keySymbols().xKeycodes(keyCode_);
    if (xKeycodes_.isEmpty())
        return false;
    std::vector<xcb_void_cookie_t> cookies;
    for (uint8_t keycode : std::as_const(xKeycodes_)) {
        for (uint16_t lock : lockVariants)
            cookies.push_back(xcb_grab_key_checked(c, 1, connection_.root(), mask_ | lock, keycode,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    bool refused = false;
    for (xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
            refused = true; // BadAccess: another client holds this variant
            std::free(error);
        }
    }
    if (refused) {
        // Ungrabbing a variant someone else holds leaves theirs alone.
        ungrabAll();
        xKeycodes_.clear();
        return false;
    }
    if (!mappingWatch_)
        mappingWatch_ = QObject::connect(&connection_, &X11Connection::keyboardMappingChanged, &connection_, [this] {
            ungrabAll();
            grabAll();
        });
    return true;
}

void X11KeyGrab::ungrabAll() {
    for (uint8_t keycode : std::as_const(xKeycodes_)) {
        for (uint16_t lock : lockVariants)
            xcb_ungrab_key(connection_.connection(), keycode, connection_.root(), mask_ | lock);
    }
}

bool X11KeyGrab::matches(uint8_t xKeycode, uint16_t state) const {
    return (state & shortcutMask) == mask_ && xKeycodes_.contains(xKeycode);
}
