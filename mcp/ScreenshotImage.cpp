#include "ScreenshotImage.h"

#include "capture/ImageWriter.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

namespace ScreenshotImage {

namespace {

// Above this a PNG goes out as JPEG instead: clients cap what one tool
// result may carry, and a photo-like screen does not compress losslessly.
constexpr qsizetype pngBudget = 1024 * 1024;

std::optional<QByteArray> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

std::optional<Encoded> load(const QString& path) {
    QImageReader reader(path);
    const QSize original = reader.size();
    const QByteArray format = reader.format();
    if (!original.isValid())
        return std::nullopt;

    // Small enough already: send the stored file as it is, no re-encoding.
    const bool small = original.width() <= maxEdge && original.height() <= maxEdge;
    if (small && (format == "png" || format == "jpeg")) {
        if (auto bytes = readFile(path); bytes && bytes->size() <= pngBudget)
            return Encoded{*bytes, format == "png" ? "image/png" : "image/jpeg", original, original};
    }

    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    if (!small) {
        const std::optional<QImage> scaled = ImageWriter::downscale(image, maxEdge);
        if (!scaled)
            return std::nullopt;
        image = *scaled;
    }

    if (auto png = ImageWriter::encode(image, ImageWriter::Type::png, 1.0); png && png->size() <= pngBudget)
        return Encoded{*png, "image/png", image.size(), original};
    const std::optional<QByteArray> jpeg = ImageWriter::encode(image, ImageWriter::Type::jpeg, 0.85);
    if (!jpeg)
        return std::nullopt;
    return Encoded{*jpeg, "image/jpeg", image.size(), original};
}

} // namespace ScreenshotImage
