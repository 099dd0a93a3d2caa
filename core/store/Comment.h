#pragma once

#include "LibraryEnums.h"
#include "Row.h"

#include <QDateTime>
#include <QJsonObject>

#include <optional>

struct Comment {
    QString id;
    QString captureID;
    QString author = QStringLiteral("unknown");
    bool isAgent = false;
    QString body;
    QDateTime createdAt;
    std::optional<QString> authorID;
    std::optional<QString> actorLabel;
    // "comment", or "conflict" for the service's notes on simultaneous edits.
    QString kind = QStringLiteral("comment");
    SyncState syncState = SyncState::local;

    static Comment fromRow(const Row& row);
    QJsonObject toJson() const;
    bool isConflict() const { return kind == u"conflict"; }

    bool operator==(const Comment&) const = default;
};
