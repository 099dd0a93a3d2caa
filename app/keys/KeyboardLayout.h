#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The user's current keyboard layout, asked what a key types. Key names fall
// back to "Key N" only when a test takes the layout away.
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;

    // The text the layout produces for the portable key code with no
    // modifiers held; empty when the key types nothing.
    virtual QString character(uint16_t keyCode) const = 0;
    // The portable key code of a key event's native scan code, where the
    // layout can read it (X key codes); nothing makes callers use the keysym.
    virtual std::optional<uint16_t> keyCodeForScanCode(uint32_t) const { return std::nullopt; }

    // The layout key names are taken from: the one set by setCurrent(), else
    // the platform's. Both are kept by the platform layer (which knows the
    // desktop's layout), so key names need nothing above them.
    static const KeyboardLayout* current();
    // Replaces the layout used for key names; nullptr means "no layout".
    // The caller keeps ownership and must outlive its use.
    static void setCurrent(const KeyboardLayout* layout);
};
