#include "shortcuts/SwayBindings.h"

#include "keys/KeyCodeTable.h"

#include <QStringList>

QString SwayBindings::line(const HotkeyBinding& binding, const QString& command) {
    if (!binding.keyCode || binding.tapCount != 1)
        return {};
    const QString name = KeyCodeTable::keysymName(*binding.keyCode);
    if (name.isEmpty())
        return {};
    // sway's names: Mod4 is Super, Mod1 is Alt; Fn never reaches it.
    QStringList keys;
    if (binding.modifiers.contains(ModifierSet::command()))
        keys << QStringLiteral("Mod4");
    if (binding.modifiers.contains(ModifierSet::control()))
        keys << QStringLiteral("Ctrl");
    if (binding.modifiers.contains(ModifierSet::option()))
        keys << QStringLiteral("Mod1");
    if (binding.modifiers.contains(ModifierSet::shift()))
        keys << QStringLiteral("Shift");
    keys << name;
    return QStringLiteral("bindsym %1 exec %2").arg(keys.join(QLatin1Char('+')), command);
}

QString SwayBindings::lines(const HotkeyBinding& region, const HotkeyBinding& fullScreen) {
    QStringList lines;
    for (const QString& line : {SwayBindings::line(region, QStringLiteral("zorvi --capture-region")),
                                SwayBindings::line(fullScreen, QStringLiteral("zorvi --capture-screen"))})
        if (!line.isEmpty())
            lines << line;
    return lines.join(QLatin1Char('\n'));
}
