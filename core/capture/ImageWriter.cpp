#include "ImageWriter.h"

#include "AgentImage.h"
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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Half the size, each pixel the mean of a 2x2 block (rounded up, which a
// thumbnail never shows). Works on 0xAARRGGBB formats, premultiplied or opaque.
QImage halve(const QImage& image) {
    QImage half(image.width() / 2, image.height() / 2, image.format());
    if (half.isNull())
        return half;
    for (int y = 0; y < half.height(); ++y) {
        const auto* top = reinterpret_cast<const quint32*>(image.constScanLine(2 * y));
        const auto* bottom = reinterpret_cast<const quint32*>(image.constScanLine(2 * y + 1));
        auto* out = reinterpret_cast<quint32*>(half.scanLine(y));
        int x = 0;
#if defined(__SSE2__)
        // Four output pixels from two rows of eight input pixels.
        for (; x + 4 <= half.width(); x += 4) {
            const __m128i a = _mm_avg_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 2 * x)),
                                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 2 * x)));
            const __m128i b = _mm_avg_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 2 * x + 4)),
                                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 2 * x + 4)));
            const __m128 evens = _mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(2, 0, 2, 0));
            const __m128 odds = _mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(3, 1, 3, 1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                             _mm_avg_epu8(_mm_castps_si128(evens), _mm_castps_si128(odds)));
        }
#endif
        for (; x < half.width(); ++x) {
            const quint32 p[4] = {top[2 * x], top[2 * x + 1], bottom[2 * x], bottom[2 * x + 1]};
            quint32 mean = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const quint32 sum = ((p[0] >> shift) & 0xFF) + ((p[1] >> shift) & 0xFF) + ((p[2] >> shift) & 0xFF) +
                                    ((p[3] >> shift) & 0xFF);
                mean |= ((sum + 3) / 4) << shift;
            }
            out[x] = mean;
        }
    }
    return half;
}

} // namespace

ImageWriter::Written ImageWriter::write(const QImage& image, const QString& id, const QDateTime& date) {
    if (!Identifiers::isSafe(id))
        throw CaptureError::writeFailed("the image id is not usable as a file name");

    Written written;
    written.relativePath = ZorviPaths::relativeImagePath(id, date, "png");
    const QString fullPath = ZorviPaths::imageFile(written.relativePath);
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
            const QString thumbPath = ZorviPaths::thumbFile(thumbRelative);
            ensureParentFolder(thumbPath);
            writeAtomically(thumbPath, *jpeg);
            written.thumbRelativePath = thumbRelative;
        } catch (const CaptureError&) {
            // The board falls back to the original; a missing thumbnail is no reason to lose the capture.
        }
    }
    try {
        AgentImage::write(image, written.relativePath);
    } catch (const CaptureError&) {
        // Made when an agent first asks for it.
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
    const bool alpha = image.hasAlphaChannel();
    QImage work = image.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    // Exact 2x2 means first: far cheaper than a smooth scale over the whole
    // source, which then only has the last, small step to do.
    while (!work.isNull() && work.width() / 2 >= width && work.height() / 2 >= height)
        work = halve(work);
    QImage scaled = work.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return std::nullopt;
    if (!alpha)
        return scaled;

    // Premultiplied values are the colour over black; forcing alpha opaque flattens them.
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
    // The explicit flush matters: on a full disk a small buffered write
    // "succeeds" and QSaveFile's commit then puts an empty file in place.
    if (file.write(data) != data.size() || !file.flush()) {
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
