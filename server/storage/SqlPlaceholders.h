#pragma once

#include "store/SQLValue.h"

#include <QStringList>

#include <vector>

// "?,?,?" for an IN list, and the values to bind to it.
inline QString sqlPlaceholders(qsizetype count) {
    QString text;
    for (qsizetype i = 0; i < count; ++i)
        text += i ? QStringLiteral(",?") : QStringLiteral("?");
    return text;
}

inline void appendValues(std::vector<SQLValue>& params, const QStringList& values) {
    for (const QString& v : values)
        params.emplace_back(v);
}
