#pragma once

#include "ComposeDraft.h"
#include "PendingImage.h"
#include "store/Capture.h"
#include "store/CaptureContext.h"
#include "store/CaptureImage.h"

#include <QDateTime>
#include <QList>

#include <vector>

// A capture between the screenshot and the note box's save or discard: it
// lives in memory while its image files already exist on disk.
struct PendingCapture {
    QString id;
    QList<PendingImage> images;
    CaptureContext context;
    CaptureMode mode = CaptureMode::region;
    QDateTime capturedAt;
    ComposeDraft draft;

    // The library rows a save inserts.
    struct Records {
        Capture capture;
        std::vector<CaptureImage> images;
    };

    // An issue filed without a screenshot.
    static PendingCapture textOnly(const CaptureContext& context);

    // The capture takes its cover from the first image (its marked copy when
    // there is one); each image keeps the id its files are named by.
    Records records(const QString& note, CapturePriority priority, const std::optional<QString>& groupID,
                    const QDateTime& now = QDateTime::currentDateTimeUtc()) const;

    // Deletes every file the pending images wrote; files already gone are fine.
    void discardFiles() const;
};
