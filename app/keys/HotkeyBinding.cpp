#include "HotkeyBinding.h"

#include "keys/KeyboardLayout.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

struct SpecialKey {
    uint16_t keyCode;
    const char* name;
};

constexpr SpecialKey specialKeyNames[] = {
    {36, "Enter"}, {48, "Tab"}, {49, "Space"}, {51, "Backspace"}, {117, "Delete"},
    {53, "Esc"}, {115, "Home"}, {119, "End"}, {116, "Page Up"}, {121, "Page Down"},
    {123, "\u2190"}, {124, "\u2192"}, {126, "\u2191"}, {125, "\u2193"},
    {122, "F1"}, {120, "F2"}, {99, "F3"}, {118, "F4"}, {96, "F5"}, {97, "F6"},
    {98, "F7"}, {100, "F8"}, {101, "F9"}, {109, "F10"}, {103, "F11"}, {111, "F12"},
    {105, "F13"}, {107, "F14"}, {113, "F15"}, {106, "F16"}, {64, "F17"}, {79, "F18"},
    {80, "F19"}, {90, "F20"},
};

const char* specialName(uint16_t keyCode) {
    for (const SpecialKey& key : specialKeyNames) {
        if (key.keyCode == keyCode)
            return key.name;
    }
    return nullptr;
}

// A JSON number that is a whole number within [low, high].
std::optional<int64_t> wholeNumber(const QJsonValue& value, int64_t low, int64_t high) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (std::floor(number) != number || number < double(low) || number > double(high))
        return std::nullopt;
    return int64_t(number);
}

int64_t requiredNumber(const QJsonObject& object, const char* key, int64_t low, int64_t high) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull())
        throw HotkeyBindingError(QStringLiteral("The shortcut has no \"%1\".").arg(QLatin1String(key)));
    const std::optional<int64_t> number = wholeNumber(value, low, high);
    if (!number)
        throw HotkeyBindingError(
            QStringLiteral("The shortcut's \"%1\" is not a valid number.").arg(QLatin1String(key)));
    return *number;
}

QString repeated(const QString& text, int times) {
    QStringList parts;
    for (int i = 0; i < times; ++i)
        parts << text;
    return parts.join(QLatin1Char(' '));
}

} // namespace

QJsonObject HotkeyBinding::toJson() const {
    QJsonObject object;
    if (keyCode)
        object.insert(QStringLiteral("keyCode"), int(*keyCode));
    object.insert(QStringLiteral("modifiers"), double(modifiers.rawValue()));
    object.insert(QStringLiteral("tapCount"), tapCount);
    return object;
}

QByteArray HotkeyBinding::toJsonData() const {
    return QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
}

HotkeyBinding HotkeyBinding::fromJson(const QJsonObject& object) {
    HotkeyBinding binding;
    const QJsonValue key = object.value(QStringLiteral("keyCode"));
    if (!key.isUndefined() && !key.isNull()) {
        const std::optional<int64_t> code = wholeNumber(key, 0, std::numeric_limits<uint16_t>::max());
        if (!code)
            throw HotkeyBindingError(QStringLiteral("The shortcut's \"keyCode\" is not a valid key code."));
        binding.keyCode = uint16_t(*code);
    }
    binding.modifiers = ModifierSet(uint32_t(
        requiredNumber(object, "modifiers", 0, std::numeric_limits<uint32_t>::max())));
    binding.tapCount = int(requiredNumber(object, "tapCount", std::numeric_limits<int>::min(),
                                          std::numeric_limits<int>::max()));
    return binding;
}

HotkeyBinding HotkeyBinding::fromJsonData(const QByteArray& data) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError)
        throw HotkeyBindingError(QStringLiteral("The shortcut is not valid JSON: %1.").arg(error.errorString()));
    if (!document.isObject())
        throw HotkeyBindingError(QStringLiteral("The shortcut is not a JSON object."));
    return fromJson(document.object());
}

QString HotkeyBinding::keyName(uint16_t keyCode) {
    if (const char* name = specialName(keyCode))
        return QString::fromUtf8(name);
    if (const KeyboardLayout* layout = KeyboardLayout::current()) {
        const QString character = layout->character(keyCode);
        if (!character.isEmpty())
            return character.toUpper();
    }
    return QStringLiteral("Key %1").arg(keyCode);
}

bool HotkeyBinding::isFunctionKey(uint16_t keyCode) {
    const char* name = specialName(keyCode);
    return name && name[0] == 'F' && name[1] >= '1' && name[1] <= '9';
}

QString HotkeyBinding::combination() const {
    const QString prefix = modifiers.symbols();
    const QString key = keyName(*keyCode);
    return prefix.isEmpty() ? key : prefix + QLatin1Char('+') + key;
}

QString HotkeyBinding::displayString() const {
    if (keyCode)
        return repeated(combination(), (tapCount == 2 || tapCount == 3) ? tapCount : 1);
    // Stored data may carry any count; more than three taps never fire anyway.
    return repeated(modifiers.symbols(), std::min(tapCount, 3));
}

QString HotkeyBinding::explanation() const {
    if (keyCode) {
        const QString press = QStringLiteral("Press ") + combination();
        if (tapCount == 3)
            return press + QStringLiteral(" three times quickly");
        if (tapCount == 2)
            return press + QStringLiteral(" twice quickly");
        return press;
    }
    if (!modifiers.singleModifier())
        return QStringLiteral("Not set");
    const QString tap = QStringLiteral("Tap ") + modifiers.name();
    if (tapCount == 3)
        return tap + QStringLiteral(" three times quickly");
    if (tapCount == 1)
        return tap;
    return tap + QStringLiteral(" twice quickly");
}

std::optional<QString> HotkeyBinding::warning() const {
    if (keyCode) {
        if (modifiers.isEmpty() && tapCount == 1 && !isFunctionKey(*keyCode))
            return QStringLiteral("Fires every time you press ") + keyName(*keyCode) +
                   QStringLiteral(" \u2014 including while typing.");
        return std::nullopt;
    }
    if (tapCount != 1)
        return std::nullopt;
    const QString what = modifiers.singleModifier() ? modifiers.name() : QStringLiteral("that key");
    return QStringLiteral("Fires every time you tap ") + what + QStringLiteral(" on its own.");
}

size_t qHash(const HotkeyBinding& binding, size_t seed) noexcept {
    return qHashMulti(seed, binding.keyCode.value_or(0), binding.keyCode.has_value(),
                      binding.modifiers.rawValue(), binding.tapCount);
}
