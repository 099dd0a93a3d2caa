#include "PendingCapture.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"

PendingCapture PendingCapture::textOnly(const CaptureContext& context) {
    PendingCapture pending;
    pending.id = Identifiers::make();
    pending.context = context;
    pending.mode = CaptureMode::text;
    pending.capturedAt = QDateTime::currentDateTimeUtc();
    return pending;
}

PendingCapture::Records PendingCapture::records(const QString& note, CapturePriority priority,
                                                const std::optional<QString>& groupID, const QDateTime& now) const {
    Records result;
    Capture& capture = result.capture;
    capture.id = id;
    capture.createdAt = capturedAt;
    capture.updatedAt = now;
    capture.note = note;
    capture.priority = priority;
    capture.groupID = groupID;
    capture.captureMode = mode;
    capture.appName = context.appName;
    capture.appBundleID = context.appBundleID;
    capture.windowTitle = context.windowTitle;
    capture.url = context.url;
    capture.displayName = context.displayName;
    capture.displayScale = context.displayScale;
    if (!images.isEmpty()) {
        const PendingImage& cover = images.front();
        capture.imagePath = cover.annotatedPath.value_or(cover.written.relativePath);
        capture.thumbPath = cover.written.thumbRelativePath;
        capture.imageWidth = cover.written.width;
        capture.imageHeight = cover.written.height;
        capture.imageBytes = cover.written.byteCount;
    }

    result.images.reserve(images.size());
    for (qsizetype position = 0; position < images.size(); ++position) {
        const PendingImage& pending = images[position];
        CaptureImage image;
        image.id = pending.id;
        image.captureID = id;
        image.position = position;
        image.imagePath = pending.written.relativePath;
        image.annotatedPath = pending.annotatedPath;
        image.thumbPath = pending.written.thumbRelativePath;
        image.width = pending.written.width;
        image.height = pending.written.height;
        image.bytes = pending.written.byteCount;
        if (!pending.annotation.isEmpty())
            image.annotationJSON = pending.annotation.encoded();
        image.createdAt = now;
        result.images.push_back(image);
    }
    return result;
}

void PendingCapture::discardFiles() const {
    for (const CaptureImage& image : records({}, CapturePriority::normal, std::nullopt).images)
        CaptureStore::removeImageFiles(image);
}
