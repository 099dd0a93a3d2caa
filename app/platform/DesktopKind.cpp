#include "platform/DesktopKind.h"

#include <QString>
#include <QStringList>

DesktopKind currentDesktop() {
    const QStringList names = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    for (const QString& name : names) {
        if (name.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0)
            return DesktopKind::gnome;
        if (name.compare(QLatin1String("KDE"), Qt::CaseInsensitive) == 0)
            return DesktopKind::kde;
        if (name.compare(QLatin1String("sway"), Qt::CaseInsensitive) == 0)
            return DesktopKind::sway;
    }
    return DesktopKind::other;
}
