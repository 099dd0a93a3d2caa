#include "Appearance.h"

QString rawValue(Appearance appearance) {
    switch (appearance) {
    case Appearance::light: return QStringLiteral("light");
    case Appearance::dark: return QStringLiteral("dark");
    case Appearance::system: break;
    }
    return QStringLiteral("system");
}

Appearance appearanceFromRaw(const QString& raw) {
    if (raw == QLatin1String("light"))
        return Appearance::light;
    if (raw == QLatin1String("dark"))
        return Appearance::dark;
    return Appearance::system;
}

std::optional<bool> forcedDark(Appearance appearance) {
    if (appearance == Appearance::system)
        return std::nullopt;
    return appearance == Appearance::dark;
}
