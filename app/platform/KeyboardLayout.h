#pragma once

#include <QString>

#include <cstdint>

// The user's current keyboard layout, asked what a key types. Key names fall
// back to "Key N" when no layout is known (no display).
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;

    // The text the layout produces for the portable key code with no
    // modifiers held; empty when the key types nothing.
    virtual QString character(uint16_t keyCode) const = 0;

    // The layout key names are taken from: the one set by setCurrent(), else
    // the X display's layout when a display can be reached, else none.
    static const KeyboardLayout* current();
    // Replaces the layout used for key names; nullptr means "no layout".
    // The caller keeps ownership and must outlive its use.
    static void setCurrent(const KeyboardLayout* layout);
};
