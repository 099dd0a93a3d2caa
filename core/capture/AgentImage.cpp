#include "AgentImage.h"

#include "CaptureError.h"
#include "ImageWriter.h"
#include "store/ZorviPaths.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace AgentImage {

namespace {

// Above this a PNG goes out as JPEG instead: clients cap what one tool
// result may carry, and a photo-like screen does not compress losslessly.
constexpr qsizetype pngBudget = 1024 * 1024;
// Small screen text stays readable to a model while a photo-like screen fits the budget.
constexpr double jpegQuality = 0.85;

bool fits(QSize size) { return size.width() <= maxEdge && size.height() <= maxEdge; }

QString mimeType(const QByteArray& format) { return format == "png" ? "image/png" : "image/jpeg"; }

std::optional<QByteArray> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

void keep(const Encoded& encoded, const QString& relative) {
    const QString ext = encoded.mimeType == u"image/png" ? "png" : "jpg";
    const QString path = ZorviPaths::agentImageFile(relative, ext);
    ImageWriter::ensureParentFolder(path);
    ImageWriter::writeAtomically(path, encoded.bytes);
    // One rendition per image: drop one of the other type left by an earlier source.
    for (const QString& other : ZorviPaths::agentImageFiles(relative))
        if (other != path)
            QFile::remove(other);
}

// The kept rendition, when it is no older than the file it was made from.
std::optional<Encoded> fresh(const QString& relative, const QFileInfo& source, QSize original) {
    for (const QString& path : ZorviPaths::agentImageFiles(relative)) {
        const QFileInfo info(path);
        if (!info.isFile() || info.lastModified() < source.lastModified())
            continue;
        std::optional<QByteArray> bytes = readFile(path);
        if (!bytes)
            continue;
        QBuffer buffer(&*bytes);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (size.isValid() && fits(size))
            return Encoded{*bytes, mimeType(reader.format()), size, original};
    }
    return std::nullopt;
}

} // namespace

std::optional<Encoded> encode(const QImage& image) {
    if (image.isNull())
        return std::nullopt;
    QImage sent = image;
    if (!fits(image.size())) {
        const std::optional<QImage> scaled = ImageWriter::downscale(image, maxEdge);
        if (!scaled)
            return std::nullopt;
        sent = *scaled;
    }
    if (auto png = ImageWriter::encode(sent, ImageWriter::Type::png, 1.0); png && png->size() <= pngBudget)
        return Encoded{*png, "image/png", sent.size(), image.size()};
    const std::optional<QByteArray> jpeg = ImageWriter::encode(sent, ImageWriter::Type::jpeg, jpegQuality);
    if (!jpeg)
        return std::nullopt;
    return Encoded{*jpeg, "image/jpeg", sent.size(), image.size()};
}

void write(const QImage& image, const QString& sourceRelative) {
    if (fits(image.size()))
        return;
    if (!ZorviPaths::isSafeRelativePath(sourceRelative))
        throw CaptureError::writeFailed("the image path leaves the library");
    const std::optional<Encoded> encoded = encode(image);
    if (!encoded)
        throw CaptureError::writeFailed("the image could not be scaled for agents");
    keep(*encoded, QDir::cleanPath(sourceRelative));
}

std::optional<Encoded> load(const QString& sourceRelative) {
    if (!ZorviPaths::isSafeRelativePath(sourceRelative))
        return std::nullopt;
    const QString relative = QDir::cleanPath(sourceRelative);
    const QString path = ZorviPaths::imageFile(relative);
    QImageReader reader(path);
    const QSize original = reader.size();
    const QByteArray format = reader.format();
    if (!original.isValid())
        return std::nullopt;

    if (fits(original)) {
        // Small enough already: the stored file as it is, no re-encoding.
        if (format == "png" || format == "jpeg")
            if (auto bytes = readFile(path); bytes && bytes->size() <= pngBudget)
                return Encoded{*bytes, mimeType(format), original, original};
        return encode(reader.read());
    }
    if (std::optional<Encoded> kept = fresh(relative, QFileInfo(path), original))
        return kept;
    const std::optional<Encoded> encoded = encode(reader.read());
    if (!encoded)
        return std::nullopt;
    try {
        keep(*encoded, relative);
    } catch (const CaptureError&) {
        // Sent all the same; the next request makes it again.
    }
    return encoded;
}

} // namespace AgentImage
