#pragma once

#include "LibraryEnums.h"
#include "Row.h"

#include <QDateTime>
#include <QJsonObject>

#include <optional>

// A named, coloured bucket for captures (a row of `groups`).
struct CaptureGroup {
    static inline const QString defaultColor = QStringLiteral("#6E7BF2");

    QString id;
    QString name;
    QString colorHex = defaultColor;
    std::optional<QString> path;
    QDateTime createdAt;
    QDateTime updatedAt;
    std::optional<QString> remoteID;
    SyncState syncState = SyncState::local;
    bool dirty = false;
    std::optional<QDateTime> deletedAt;
    std::optional<QString> workspaceID;
    GroupVisibility visibility = GroupVisibility::isPrivate;
    std::optional<QString> createdBy;
    std::optional<QString> defaultAssigneeID;
    std::optional<QDateTime> archivedAt;
    std::int64_t version = 0;

    static CaptureGroup fromRow(const Row& row);
    QJsonObject toJson() const;
    bool isShared() const { return workspaceID.has_value(); }

    bool operator==(const CaptureGroup&) const = default;
};
