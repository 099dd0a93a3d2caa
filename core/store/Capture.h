#pragma once

#include "CaptureContext.h"
#include "LibraryEnums.h"
#include "Row.h"

#include <QDateTime>
#include <QJsonObject>

#include <optional>

// One reported issue, with or without screenshots (a row of `captures`).
struct Capture {
    QString id;
    QDateTime createdAt;
    QDateTime updatedAt;
    QString note;
    CaptureStatus status = CaptureStatus::open;
    CapturePriority priority = CapturePriority::normal;
    std::optional<QString> groupID;
    QString imagePath;
    std::optional<QString> thumbPath;
    std::int64_t imageWidth = 0;
    std::int64_t imageHeight = 0;
    std::int64_t imageBytes = 0;
    CaptureMode captureMode = CaptureMode::region;
    // The project hint is never stored: a capture read back has none.
    CaptureContext context;
    std::optional<QString> claimedBy;
    std::optional<QDateTime> claimedAt;
    std::optional<QDateTime> resolvedAt;
    std::optional<QString> resolutionRef;
    std::optional<QString> remoteID;
    SyncState syncState = SyncState::local;
    bool dirty = false;
    std::optional<QDateTime> deletedAt;
    std::optional<QString> workspaceID;
    std::optional<QString> authorID;
    std::optional<QString> assigneeID;
    std::optional<QString> claimedByID;
    std::int64_t version = 0;
    bool localOnly = false;

    static Capture fromRow(const Row& row);
    QJsonObject toJson() const;

    QString shortID() const { return id.right(8); }
    QString title() const;
    QString noteBody() const;
    bool hasImage() const { return !imagePath.isEmpty(); }
    bool isShared() const { return workspaceID.has_value() && !localOnly; }
    QString imageFile() const;
    std::optional<QString> thumbFile() const;

    bool operator==(const Capture&) const = default;
};
