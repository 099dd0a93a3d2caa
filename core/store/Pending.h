#pragma once

#include <QSet>
#include <QString>

// A row awaiting push: the field names changed since the last push.
struct Pending {
    QString id;
    QSet<QString> fields;
    std::int64_t version = 0;
};
