#include "ScreenshotImage.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

namespace ScreenshotImage {

namespace {

// Above this a PNG goes out as JPEG instead: clients cap what one tool
// result may carry, and a photo-like screen does not compress losslessly.
constexpr qsizetype pngBudget = 1024 * 1024;

QByteArray encode(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    return writer.write(image) ? bytes : QByteArray();
}

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
    if (!small)
        image = image.scaled(maxEdge, maxEdge, Qt::KeepAspectRatio, Qt::SmoothTransformation);

    // Quality 80 is zlib level 1: on screenshots it is faster than the default
    // level and, thanks to the filters it pairs with, no larger.
    QByteArray bytes = encode(image, "png", 80);
    if (!bytes.isEmpty() && bytes.size() <= pngBudget)
        return Encoded{bytes, "image/png", image.size(), original};
    bytes = encode(image.convertToFormat(QImage::Format_RGB888), "jpeg", 85);
    if (bytes.isEmpty())
        return std::nullopt;
    return Encoded{bytes, "image/jpeg", image.size(), original};
}

} // namespace ScreenshotImage
