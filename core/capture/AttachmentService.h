#pragma once

#include "markup/Annotation.h"

#include <QImage>
#include <QString>

#include <functional>
#include <optional>

struct CaptureImage;
class CaptureStore;

// Turns a screenshot's markup into files and library state: the marked copy
// rendered beside the untouched original, a fresh thumbnail and agent
// rendition, and the image row updated through the store. Holds no UI
// state, so saving may run off the UI thread as long as the eviction hook
// tolerates that.
class AttachmentService {
public:
    struct RenderedAnnotation {
        // Relative to the captures folder.
        QString annotatedPath;
        // Relative to the thumbs folder; absent when the thumbnail failed.
        std::optional<QString> thumbPath;
        qint64 bytes = 0;
    };

    // Told the absolute path of every image file whose contents were just
    // replaced or removed, so a cache of decoded pictures can drop it.
    using ThumbnailEviction = std::function<void(const QString& absolutePath)>;

    explicit AttachmentService(ThumbnailEviction evictThumbnail = {});

    // Renders the marks onto the original and writes "<name>-marked.png"
    // beside it (the original is never touched) plus a new thumbnail.
    // Throws CaptureError::writeFailed.
    RenderedAnnotation renderAnnotation(const Annotation& annotation, const CaptureImage& image) const;

    // Renders (or, for an empty annotation, removes) the marked copy and
    // stores the changed row. Nothing is stored when rendering fails.
    // Throws CaptureError or the store's DatabaseError.
    void saveAnnotation(const Annotation& annotation, const CaptureImage& image, CaptureStore& store) const;

    // A thumbnail named by the image id and the current time; its path
    // relative to the thumbs folder. Nothing when the image cannot be scaled
    // or encoded; throws CaptureError::writeFailed when the file cannot be written.
    static std::optional<QString> writeThumbnail(const QImage& image, const QString& id);

private:
    void evict(const QString& absolutePath) const;

    ThumbnailEviction evictThumbnail_;
};
