#pragma once

#include <QString>
#include <Qt>

#include <array>
#include <cstdint>
#include <optional>

// The modifiers of a shortcut. The raw bits are the stored form and keep the
// portable numbering: 1 Command (Super), 2 Option (Alt), 4 Control (Ctrl),
// 8 Shift, 16 Fn. Everything shown to the user uses the Linux names.
class ModifierSet {
public:
    static constexpr uint32_t commandBit = 1;
    static constexpr uint32_t optionBit = 2;
    static constexpr uint32_t controlBit = 4;
    static constexpr uint32_t shiftBit = 8;
    static constexpr uint32_t functionBit = 16;
    static constexpr uint32_t allBits = 31;

    constexpr ModifierSet() = default;
    constexpr explicit ModifierSet(uint32_t rawValue) : rawValue_(rawValue) {}

    static constexpr ModifierSet command() { return ModifierSet(commandBit); }
    static constexpr ModifierSet option() { return ModifierSet(optionBit); }
    static constexpr ModifierSet control() { return ModifierSet(controlBit); }
    static constexpr ModifierSet shift() { return ModifierSet(shiftBit); }
    static constexpr ModifierSet function() { return ModifierSet(functionBit); }

    // The single modifiers in the order key events are examined:
    // Command, Option, Control, Shift, Fn.
    static constexpr std::array<ModifierSet, 5> eventOrder() {
        return {command(), option(), control(), shift(), function()};
    }

    // From Qt's modifier state (Meta is the Super key under X11 and Wayland).
    static ModifierSet fromQt(Qt::KeyboardModifiers modifiers);
    // From an X key event's state field, with the usual mapping of Alt to
    // Mod1 and Super to Mod4. Lock and Num Lock are ignored.
    static ModifierSet fromXState(uint32_t state);

    constexpr uint32_t rawValue() const { return rawValue_; }
    constexpr bool isEmpty() const { return rawValue_ == 0; }
    constexpr bool contains(ModifierSet other) const {
        return (rawValue_ & other.rawValue_) == other.rawValue_;
    }
    constexpr int count() const {
        int n = 0;
        for (ModifierSet m : eventOrder())
            n += contains(m) ? 1 : 0;
        return n;
    }

    // Member names joined by "+" in the order Ctrl, Alt, Shift, Super, Fn.
    QString symbols() const;
    // The one member's name, or the symbols when there is not exactly one.
    QString name() const;
    std::optional<ModifierSet> singleModifier() const;
    // The X modifier mask used to grab a key: Shift 0x1, Control 0x4,
    // Mod1 (Alt) 0x8, Mod4 (Super) 0x40; Fn has no bit.
    uint16_t xModifierMask() const;

    constexpr ModifierSet operator|(ModifierSet other) const {
        return ModifierSet(rawValue_ | other.rawValue_);
    }
    constexpr ModifierSet operator-(ModifierSet other) const {
        return ModifierSet(rawValue_ & ~other.rawValue_);
    }
    constexpr bool operator==(const ModifierSet&) const = default;

private:
    uint32_t rawValue_ = 0;
};
