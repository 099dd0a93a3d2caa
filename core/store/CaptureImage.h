#pragma once

#include "LibraryEnums.h"
#include "markup/Annotation.h"
#include "Row.h"

#include <QDateTime>
#include <QJsonObject>

#include <optional>

// One screenshot of a capture (a row of `capture_images`).
struct CaptureImage {
    QString id;
    QString captureID;
    std::int64_t position = 0;
    QString imagePath;
    std::optional<QString> annotatedPath;
    std::optional<QString> thumbPath;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bytes = 0;
    std::optional<QString> annotationJSON;
    QDateTime createdAt;
    std::optional<QString> remoteID;
    SyncState syncState = SyncState::local;
    bool dirty = false;
    std::optional<QString> originalSHA256;
    std::optional<QString> markedSHA256;
    std::optional<QString> thumbSHA256;
    std::int64_t version = 0;
    std::optional<QDateTime> deletedAt;

    static CaptureImage fromRow(const Row& row);
    QJsonObject toJson() const;

    QString originalFile() const;
    QString displayFile() const;
    std::optional<QString> thumbFile() const;
    bool isAwaitingDownload() const { return imagePath.isEmpty() && originalSHA256.has_value(); }
    // The markup decoded from annotationJSON; empty when absent or unreadable.
    Annotation annotation() const { return Annotation::decode(annotationJSON); }
    bool hasAnnotations() const { return !annotation().isEmpty(); }

    // The wire fields a change of marks touches: the marks, the marked copy
    // and the thumbnail drawn from it. They are pending and settled as one,
    // since the copies' hashes are learnt only when they upload, after the
    // marks were saved.
    static const QStringList& markupFields();

    bool operator==(const CaptureImage&) const = default;
};
