#include "PngEncoder.h"

#include "PngRowFilters.h"

#include <libdeflate.h>

#include <algorithm>
#include <memory>
#include <new>

namespace PngEncoder {

namespace {

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

using PngRowFilters::Type;

Type fixedType(Filter filter) {
    switch (filter) {
    case Filter::sub:
        return PngRowFilters::sub;
    case Filter::up:
    case Filter::noneForRuns:
    case Filter::adaptive:
        return PngRowFilters::up;
    case Filter::average:
        return PngRowFilters::average;
    case Filter::paeth:
        return PngRowFilters::paeth;
    case Filter::none:
        break;
    }
    return PngRowFilters::none;
}

Type rowTypeFor(Filter filter, const quint32* row, const quint32* above, int width) {
    if (filter != Filter::noneForRuns && filter != Filter::adaptive)
        return fixedType(filter);
    if (!above || PngRowFilters::isRunRow(row, width))
        return PngRowFilters::none;
    return filter == Filter::adaptive ? PngRowFilters::cheapestRGB(row, above, width) : PngRowFilters::up;
}

// Translucent images are rare enough here that Up serves every row but
// the first when the filter is chosen per row.
Type byteRowTypeFor(Filter filter, bool first) {
    const bool perRow = filter == Filter::noneForRuns || filter == Filter::adaptive;
    return perRow && first ? PngRowFilters::none : fixedType(filter);
}

bool isOpaque(const QImage& image) {
    if (!image.hasAlphaChannel())
        return true;
    if (image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_ARGB32_Premultiplied)
        return false;
    for (int y = 0; y < image.height(); ++y) {
        const quint32* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
        quint32 all = 0xFF000000u;
        for (int x = 0; x < image.width(); ++x)
            all &= row[x];
        if ((all & 0xFF000000u) != 0xFF000000u)
            return false;
    }
    return true;
}

void appendBigEndian(QByteArray& out, quint32 value) {
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, 4);
}

void appendChunk(QByteArray& out, const char type[4], const quint8* data, size_t length) {
    appendBigEndian(out, quint32(length));
    const qsizetype typeAt = out.size();
    out.append(type, 4);
    if (length)
        out.append(reinterpret_cast<const char*>(data), qsizetype(length));
    const quint32 crc = libdeflate_crc32(0, out.constData() + typeAt, length + 4);
    appendBigEndian(out, crc);
}

// Signature, header, the compressed pixels and the end marker.
QByteArray container(int width, int height, quint8 colourType, const quint8* compressed, size_t size) {
    // Decoders read IDAT in pieces anyway; bounded chunks keep every length field small.
    constexpr size_t chunkLimit = 1 << 20;
    static const char signature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
    quint8 header[13];
    const quint32 dims[2] = {quint32(width), quint32(height)};
    for (int i = 0; i < 2; ++i)
        for (int b = 0; b < 4; ++b)
            header[i * 4 + b] = quint8(dims[i] >> (24 - 8 * b));
    header[8] = 8;                            // bits per channel
    header[9] = colourType;                   // 2 truecolour, 6 truecolour with alpha
    header[10] = header[11] = header[12] = 0; // deflate, per-row filters, no interlace

    QByteArray png;
    png.reserve(qsizetype(size + 12 * (size / chunkLimit + 3) + 8 + 13));
    png.append(signature, 8);
    appendChunk(png, "IHDR", header, sizeof header);
    for (size_t at = 0; at < size; at += chunkLimit)
        appendChunk(png, "IDAT", compressed + at, std::min(chunkLimit, size - at));
    appendChunk(png, "IEND", nullptr, 0);
    return png;
}

} // namespace

std::optional<QByteArray> encode(const QImage& input, int level, Filter filter) {
    if (input.isNull() || input.width() <= 0 || input.height() <= 0)
        return std::nullopt;

    const bool opaque = isOpaque(input);
    const bool packed = input.format() == QImage::Format_RGB32 || input.format() == QImage::Format_ARGB32 ||
                        input.format() == QImage::Format_ARGB32_Premultiplied;
    // Straight-alpha RGBA bytes are exactly what PNG stores, so Qt does the
    // un-premultiplying; opaque pixels are read as 0xAARRGGBB words.
    const QImage image = opaque ? (packed ? input : input.convertToFormat(QImage::Format_RGB32))
                                : input.convertToFormat(QImage::Format_RGBA8888);
    if (image.isNull())
        return std::nullopt;

    const int width = image.width();
    const int height = image.height();
    const int channels = opaque ? 3 : 4;
    const size_t stride = size_t(width) * channels + 1;
    // Left uninitialised: every byte is written below, and zeroing tens of
    // megabytes first would cost as much as the filtering itself.
    const size_t filteredSize = stride * size_t(height);
    const std::unique_ptr<quint8[]> filtered(new (std::nothrow) quint8[filteredSize]);
    if (!filtered)
        return std::nullopt;
    for (int y = 0; y < height; ++y) {
        quint8* out = filtered.get() + stride * size_t(y);
        if (opaque) {
            const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
            const auto* above = y > 0 ? reinterpret_cast<const quint32*>(image.constScanLine(y - 1)) : nullptr;
            PngRowFilters::filterRGB(row, above, width, rowTypeFor(filter, row, above, width), out);
        } else {
            PngRowFilters::filterBytes(image.constScanLine(y), y > 0 ? image.constScanLine(y - 1) : nullptr,
                                       width * 4, 4, byteRowTypeFor(filter, y == 0), out);
        }
    }

    std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(libdeflate_alloc_compressor(level));
    if (!compressor)
        return std::nullopt;
    // Only the part the compressor fills is ever touched, so the generous bound costs little.
    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), filteredSize);
    const std::unique_ptr<quint8[]> compressed(new (std::nothrow) quint8[bound]);
    if (!compressed)
        return std::nullopt;
    const size_t compressedSize =
        libdeflate_zlib_compress(compressor.get(), filtered.get(), filteredSize, compressed.get(), bound);
    if (compressedSize == 0)
        return std::nullopt;

    return container(width, height, opaque ? 2 : 6, compressed.get(), compressedSize);
}

} // namespace PngEncoder
