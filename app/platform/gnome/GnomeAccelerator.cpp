#include "platform/gnome/GnomeAccelerator.h"

#include "keys/KeyCodeTable.h"

#include <QRegularExpression>

#include <xkbcommon/xkbcommon.h>

QString GnomeAccelerator::fromBinding(const HotkeyBinding& binding) {
    if (!binding.keyCode || binding.tapCount != 1)
        return {};
    const QString key = KeyCodeTable::keysymName(*binding.keyCode);
    if (key.isEmpty())
        return {};
    // Fn never reaches the desktop as a modifier.
    QString accelerator;
    if (binding.modifiers.contains(ModifierSet::control()))
        accelerator += QStringLiteral("<Control>");
    if (binding.modifiers.contains(ModifierSet::option()))
        accelerator += QStringLiteral("<Alt>");
    if (binding.modifiers.contains(ModifierSet::shift()))
        accelerator += QStringLiteral("<Shift>");
    if (binding.modifiers.contains(ModifierSet::command()))
        accelerator += QStringLiteral("<Super>");
    return accelerator + key;
}

std::optional<HotkeyBinding> GnomeAccelerator::toBinding(const QString& accelerator) {
    static const QRegularExpression form(QStringLiteral("^((?:<[A-Za-z0-9]+>)*)([^<>]+)$"));
    const QRegularExpressionMatch match = form.match(accelerator.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    ModifierSet modifiers;
    static const QRegularExpression each(QStringLiteral("<([A-Za-z0-9]+)>"));
    for (const QRegularExpressionMatch& m : each.globalMatch(match.captured(1))) {
        const QString name = m.captured(1).toLower();
        if (name == QLatin1String("control") || name == QLatin1String("ctrl") || name == QLatin1String("primary") ||
            name == QLatin1String("ctl"))
            modifiers = modifiers | ModifierSet::control();
        else if (name == QLatin1String("alt") || name == QLatin1String("mod1"))
            modifiers = modifiers | ModifierSet::option();
        else if (name == QLatin1String("shift") || name == QLatin1String("shft"))
            modifiers = modifiers | ModifierSet::shift();
        else if (name == QLatin1String("super") || name == QLatin1String("mod4"))
            modifiers = modifiers | ModifierSet::command();
        else
            return std::nullopt; // Hyper, Meta, Release…: nothing the app records
    }
    const xkb_keysym_t keysym =
        xkb_keysym_from_name(match.captured(2).toLatin1().constData(), XKB_KEYSYM_CASE_INSENSITIVE);
    if (keysym == XKB_KEY_NoSymbol)
        return std::nullopt;
    const std::optional<uint16_t> keyCode = KeyCodeTable::keyCode(keysym);
    if (!keyCode)
        return std::nullopt;
    return HotkeyBinding{keyCode, modifiers, 1};
}
