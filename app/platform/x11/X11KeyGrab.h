#pragma once

#include "keys/ModifierSet.h"

#include <QList>
#include <QMetaObject>

#include <cstdint>
#include <memory>

class X11Connection;

// One combination grabbed on the root window, so its presses come to us and
// to no other client, whatever Caps Lock and Num Lock say. Follows keyboard
// mapping changes; releases the keys when destroyed.
class X11KeyGrab {
public:
    // Null when the layout has no such key or another client owns any part
    // of the combination; nothing of it stays grabbed then.
    static std::unique_ptr<X11KeyGrab> grab(X11Connection& connection, uint16_t keyCode, ModifierSet modifiers);
    ~X11KeyGrab();
    X11KeyGrab(const X11KeyGrab&) = delete;
    X11KeyGrab& operator=(const X11KeyGrab&) = delete;

    // Whether a key press with this X key code and state is this combination.
    bool matches(uint8_t xKeycode, uint16_t state) const;

private:
    X11KeyGrab(X11Connection& connection, uint16_t keyCode, ModifierSet modifiers);
    // Grabs every key code of the key in every lock variant; all or nothing.
    bool grabAll();
    void ungrabAll();

    X11Connection& connection_;
    uint16_t keyCode_;
    uint16_t mask_;
    QList<uint8_t> xKeycodes_;
    QMetaObject::Connection mappingWatch_;
};
