#include "RelativeTime.h"

#include <QCoreApplication>
#include <QLocale>

namespace RelativeTime {

QString string(const QDateTime& time, const QDateTime& now) {
    const qint64 s = time.msecsTo(now) / 1000;
    if (s < 5)
        return QCoreApplication::translate("RelativeTime", "just now");
    if (s < 60)
        return QCoreApplication::translate("RelativeTime", "%1s ago").arg(s);
    if (s < 3600)
        return QCoreApplication::translate("RelativeTime", "%1m ago").arg(s / 60);
    if (s < 86400)
        return QCoreApplication::translate("RelativeTime", "%1h ago").arg(s / 3600);
    if (s <= 604799)
        return QCoreApplication::translate("RelativeTime", "%1d ago").arg(s / 86400);
    return QLocale(QLocale::English).toString(time.toLocalTime().date(), QStringLiteral("MMM d"));
}

qint64 msecsUntilChange(const QDateTime& time, const QDateTime& now) {
    const qint64 age = time.msecsTo(now);
    if (age < 5000)
        return 5000 - age;
    // Each unit's count changes when a whole unit more has passed.
    const qint64 unit = age < 60'000 ? 1000 : age < 3'600'000 ? 60'000 : age < 86'400'000 ? 3'600'000 : 86'400'000;
    return unit - age % unit;
}

} // namespace RelativeTime
