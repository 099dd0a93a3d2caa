#pragma once

#include "common/ZorviError.h"
#include "keys/ModifierSet.h"

#include <QByteArray>
#include <QHashFunctions>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>

// Raised when a stored shortcut can't be read back.
class HotkeyBindingError : public ZorviError {
public:
    using ZorviError::ZorviError;
};

// A shortcut: a combination pressed once (a system-wide grab), a combination
// pressed two or three times quickly, or one modifier tapped two or three
// times on its own (no key code).
struct HotkeyBinding {
    std::optional<uint16_t> keyCode;
    ModifierSet modifiers;
    int tapCount = 1;

    bool operator==(const HotkeyBinding&) const = default;

    // Stored form: {"keyCode": n, "modifiers": raw, "tapCount": n}, with
    // "keyCode" left out for a tap trigger.
    QJsonObject toJson() const;
    QByteArray toJsonData() const;
    // "keyCode" may be missing or null; "modifiers" and "tapCount" must be
    // there. Throws HotkeyBindingError with the reason otherwise.
    static HotkeyBinding fromJson(const QJsonObject& object);
    static HotkeyBinding fromJsonData(const QByteArray& data);

    // "Esc", "F5", ...; otherwise what the current keyboard layout types for
    // the key; otherwise "Key N".
    static QString keyName(uint16_t keyCode);
    static bool isFunctionKey(uint16_t keyCode);

    // "Alt+Shift+2", "Alt+Shift+2 Alt+Shift+2", "Super Super".
    QString displayString() const;
    // The sentence under the shortcut control: "Press Alt+Shift+2 twice quickly".
    QString explanation() const;
    // Set when the shortcut would fire during ordinary typing.
    std::optional<QString> warning() const;

private:
    QString combination() const;
};

size_t qHash(const HotkeyBinding& binding, size_t seed = 0) noexcept;
