#pragma once

#include "Row.h"

#include <QDateTime>
#include <QJsonObject>

#include <optional>

// One entry of a capture's history.
struct ActivityEvent {
    QString id;
    std::optional<QString> captureID;
    QString kind;
    QString detail;
    QString actor = QStringLiteral("you");
    QDateTime createdAt;
    std::optional<QString> actorID;
    bool remote = false;

    static ActivityEvent fromRow(const Row& row);
    QJsonObject toJson() const;

    bool operator==(const ActivityEvent&) const = default;
};
