#include "ImageWriter.h"

#include "CaptureError.h"
#include "PngEncoder.h"
#include "common/Identifiers.h"
#include "store/ZorviPaths.h"

#include <QBuffer>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <system_error>

ImageWriter::Written ImageWriter::write(const QImage& image, const QString& id, const QDateTime& date) {
    if (!Identifiers::isSafe(id))
        throw CaptureError::writeFailed("the image id is not usable as a file name");

    Written written;
    written.relativePath = ZorviPaths::relativeImagePath(id, date, "png");
    const QString fullPath = ZorviPaths::imageURL(written.relativePath);
    ensureParentFolder(fullPath);
    const std::optional<QByteArray> png = encode(image, Type::png, 1.0);
    if (!png)
        throw CaptureError::writeFailed("PNG encoding failed");
    writeAtomically(fullPath, *png);
    written.byteCount = png->size();
    written.width = image.width();
    written.height = image.height();

    if (const std::optional<QByteArray> jpeg = thumbnailData(image)) {
        const QString thumbRelative = ZorviPaths::relativeImagePath(id, date, "jpg");
        try {
            const QString thumbPath = ZorviPaths::thumbURL(thumbRelative);
            ensureParentFolder(thumbPath);
            writeAtomically(thumbPath, *jpeg);
            written.thumbRelativePath = thumbRelative;
        } catch (const CaptureError&) {
            // The board falls back to the original; a missing thumbnail is no reason to lose the capture.
        }
    }
    return written;
}

std::optional<QByteArray> ImageWriter::encode(const QImage& image, Type type, double quality) {
    if (image.isNull())
        return std::nullopt;
    if (type == Type::png)
        return PngEncoder::encode(image);

    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(int(std::lround(std::clamp(quality, 0.0, 1.0) * 100)));
    if (!writer.write(image))
        return std::nullopt;
    return data;
}

std::optional<QImage> ImageWriter::downscale(const QImage& image, int maxEdge) {
    if (image.isNull() || maxEdge <= 0)
        return std::nullopt;
    const int longest = std::max(image.width(), image.height());
    if (maxEdge >= longest)
        return image;

    const double scale = double(maxEdge) / longest;
    const int width = std::max(1, int(scale * image.width()));
    const int height = std::max(1, int(scale * image.height()));
    if (!image.hasAlphaChannel()) {
        QImage scaled = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGB32);
        return scaled.isNull() ? std::nullopt : std::optional<QImage>(scaled);
    }

    // Premultiplied values are the colour over black; forcing alpha opaque flattens them.
    QImage scaled = image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                        .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return std::nullopt;
    for (int y = 0; y < scaled.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(scaled.scanLine(y));
        for (int x = 0; x < scaled.width(); ++x)
            row[x] |= 0xFF000000u;
    }
    scaled.reinterpretAsFormat(QImage::Format_RGB32);
    return scaled;
}

std::optional<QByteArray> ImageWriter::thumbnailData(const QImage& image) {
    const std::optional<QImage> small = downscale(image, thumbnailMaxEdge);
    if (!small)
        return std::nullopt;
    return encode(*small, Type::jpeg, thumbnailQuality);
}

void ImageWriter::writeAtomically(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw CaptureError::writeFailed(file.errorString());
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw CaptureError::writeFailed(reason);
    }
    if (!file.commit())
        throw CaptureError::writeFailed(file.errorString());
}

void ImageWriter::ensureParentFolder(const QString& path) {
    try {
        ZorviPaths::ensureParentDirectory(path);
    } catch (const std::system_error& error) {
        throw CaptureError::writeFailed(QString::fromLocal8Bit(error.what()));
    }
}
