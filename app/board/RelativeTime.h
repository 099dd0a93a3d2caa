#pragma once

#include <QDateTime>
#include <QString>

// "just now", "42s ago", "5m ago", "3h ago", "6d ago", then "Mar 4".
namespace RelativeTime {

QString string(const QDateTime& time, const QDateTime& now = QDateTime::currentDateTimeUtc());

// How long until string(time, now) reads differently.
qint64 msecsUntilChange(const QDateTime& time, const QDateTime& now);

} // namespace RelativeTime
