#pragma once

#include <QDateTime>
#include <QString>

// One line of the human-readable sync log.
struct SyncLogLine {
    std::int64_t id = 0;
    QDateTime at;
    QString level;
    QString message;
};
