#pragma once

#include <QSet>
#include <QString>

#include <optional>

// A row awaiting push: the field names changed since the last push.
struct Pending {
    QString id;
    QSet<QString> fields;
    std::int64_t version = 0;
};

// The keys of a row's `pending` JSON object; empty for NULL or anything but an object.
QSet<QString> pendingKeysOf(const std::optional<QString>& pendingJSON);
