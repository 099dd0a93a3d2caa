#include "RelativeTime.h"

#include <QLocale>

namespace RelativeTime {

QString string(const QDateTime& time, const QDateTime& now) {
    const qint64 s = time.msecsTo(now) / 1000;
    if (s < 5)
        return QStringLiteral("just now");
    if (s < 60)
        return QString::number(s) + "s ago";
    if (s < 3600)
        return QString::number(s / 60) + "m ago";
    if (s < 86400)
        return QString::number(s / 3600) + "h ago";
    if (s <= 604799)
        return QString::number(s / 86400) + "d ago";
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
