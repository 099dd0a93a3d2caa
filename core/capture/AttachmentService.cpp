#include "AttachmentService.h"

#include "AgentImage.h"
#include "CaptureError.h"
#include "ImageWriter.h"
#include "common/Identifiers.h"
#include "markup/AnnotationRenderer.h"
#include "markup/StrokeSimplifier.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

namespace {

// Paths in rows may come from another machine; never let one reach outside
// the captures folder, whether to read it or to delete it.
std::optional<QString> capturesFile(const QString& relative) {
    if (!ZorviPaths::isSafeRelativePath(relative))
        return std::nullopt;
    return ZorviPaths::imageURL(QDir::cleanPath(relative));
}

std::optional<QImage> readOriginal(const CaptureImage& image) {
    const std::optional<QString> path = capturesFile(image.imagePath);
    if (!path)
        return std::nullopt;
    QImageReader reader(*path);
    const QImage original = reader.read();
    return original.isNull() ? std::nullopt : std::optional<QImage>(original);
}

std::optional<QString> thumbnailOrNone(const QImage& image, const QString& id) {
    try {
        return AttachmentService::writeThumbnail(image, id);
    } catch (const CaptureError&) {
        return std::nullopt;
    }
}

} // namespace

AttachmentService::AttachmentService(ThumbnailEviction evictThumbnail)
    : evictThumbnail_(std::move(evictThumbnail)) {}

void AttachmentService::evict(const QString& absolutePath) const {
    if (evictThumbnail_)
        evictThumbnail_(absolutePath);
}

AttachmentService::RenderedAnnotation AttachmentService::renderAnnotation(const Annotation& annotation,
                                                                          const CaptureImage& image) const {
    const std::optional<QImage> original = readOriginal(image);
    if (!original)
        throw CaptureError::writeFailed("the original screenshot is missing");
    const std::optional<QImage> rendered = AnnotationRenderer::render(annotation, *original);
    if (!rendered)
        throw CaptureError::writeFailed("annotations could not be rendered");
    const std::optional<QByteArray> png = ImageWriter::encode(*rendered, ImageWriter::Type::png, 1.0);
    if (!png)
        throw CaptureError::writeFailed("PNG encoding failed");

    const QString markedRelative = ZorviPaths::markedRelativePath(QDir::cleanPath(image.imagePath));
    const QString markedPath = ZorviPaths::imageURL(markedRelative);
    ImageWriter::ensureParentFolder(markedPath);
    ImageWriter::writeAtomically(markedPath, *png);
    evict(markedPath);
    try {
        AgentImage::write(*rendered, markedRelative);
    } catch (const CaptureError&) {
        // Made when an agent first asks for it.
    }

    RenderedAnnotation result{markedRelative, thumbnailOrNone(*rendered, image.id), png->size()};
    if (result.thumbPath)
        evict(ZorviPaths::thumbURL(*result.thumbPath));
    return result;
}

void AttachmentService::saveAnnotation(const Annotation& drawn, const CaptureImage& image,
                                       CaptureStore& store) const {
    const Annotation annotation = StrokeSimplifier::fittedForSync(drawn);
    CaptureImage changed = image;
    if (!annotation.isEmpty()) {
        const RenderedAnnotation rendered = renderAnnotation(annotation, image);
        changed.annotatedPath = rendered.annotatedPath;
        changed.annotationJSON = annotation.encoded();
        changed.bytes = rendered.bytes;
        if (rendered.thumbPath)
            changed.thumbPath = rendered.thumbPath;
    } else {
        if (image.annotatedPath) {
            if (const std::optional<QString> marked = capturesFile(*image.annotatedPath)) {
                QFile::remove(*marked);
                evict(*marked);
                for (const QString& rendition : ZorviPaths::agentImageURLs(*image.annotatedPath))
                    QFile::remove(rendition);
            }
        }
        changed.annotatedPath.reset();
        changed.annotationJSON.reset();
        if (const std::optional<QImage> original = readOriginal(image)) {
            changed.thumbPath = thumbnailOrNone(*original, image.id);
            if (changed.thumbPath)
                evict(ZorviPaths::thumbURL(*changed.thumbPath));
        }
    }
    store.updateImage(changed);
}

std::optional<QString> AttachmentService::writeThumbnail(const QImage& image, const QString& id) {
    if (!Identifiers::isSafe(id))
        throw CaptureError::writeFailed("the image id is not usable as a file name");
    const std::optional<QByteArray> jpeg = ImageWriter::thumbnailData(image);
    if (!jpeg)
        return std::nullopt;
    const QString relative = ZorviPaths::relativeImagePath(id, QDateTime::currentDateTime(), "jpg");
    const QString path = ZorviPaths::thumbURL(relative);
    ImageWriter::ensureParentFolder(path);
    ImageWriter::writeAtomically(path, *jpeg);
    return relative;
}
