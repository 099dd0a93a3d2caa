#include "PngEncoder.h"

#include "PngRowFilters.h"

#include "common/RunAlongside.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
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

struct Compressed {
    std::unique_ptr<quint8[]> data;
    size_t size;
};

// Deflates `size` bytes as raw deflate ending on a byte boundary without
// closing the stream, so another part may follow. Nothing on failure.
std::optional<size_t> deflateOpenPart(const quint8* data, size_t size, int level, quint8* out, size_t room) {
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return std::nullopt;
    stream.next_in = const_cast<quint8*>(data);
    stream.avail_in = uInt(size);
    stream.next_out = out;
    stream.avail_out = uInt(room);
    int result = Z_OK;
    do
        result = deflate(&stream, Z_SYNC_FLUSH);
    while (result == Z_OK && (stream.avail_in > 0 || stream.avail_out == 0));
    const size_t written = room - stream.avail_out;
    const bool ok = result == Z_OK && stream.avail_in == 0;
    deflateEnd(&stream);
    return ok ? std::optional(written) : std::nullopt;
}

// The filtered rows as one zlib stream. A screenshot is deflated in two
// halves at once: libdeflate can only end a stream, so zlib deflates the
// first half and leaves it open on a byte boundary, and libdeflate deflates
// the second and ends the stream. Neither half refers back into the other.
std::optional<Compressed> compress(const quint8* data, size_t size, int level) {
    // Below this a second thread costs more than it saves.
    constexpr size_t splitSize = 1 << 20;
    // On 4K screenshots zlib's level 3 is faster than libdeflate's level 2
    // on text rows and slower on photographs, and its half comes out 7-11 %
    // larger; its levels 1 and 2 cost twice that in size for little speed.
    constexpr int firstLevel = 3;
    const size_t firstSize = size < splitSize ? 0 : size / 2;
    const size_t restSize = size - firstSize;

    std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(libdeflate_alloc_compressor(level));
    if (!compressor)
        return std::nullopt;
    // A sync flush adds an empty stored block to what zlib's bound allows.
    const size_t firstRoom = firstSize ? compressBound(uLong(firstSize)) + 16 : 0;
    const size_t restRoom = libdeflate_deflate_compress_bound(compressor.get(), restSize);
    constexpr size_t headerSize = 2;
    constexpr size_t trailerSize = 4;
    // Only the part the compressors fill is ever touched, so the generous bound costs little.
    const size_t room = headerSize + firstRoom + restRoom + trailerSize;
    Compressed out{std::unique_ptr<quint8[]>(new (std::nothrow) quint8[room]), 0};
    if (!out.data)
        return std::nullopt;
    std::optional<size_t> firstLength = 0;
    quint32 firstAdler = 1;
    size_t restLength = 0;
    quint32 restAdler = 1;
    quint8* const restOut = out.data.get() + headerSize + firstRoom;
    const auto deflateFirst = [&] {
        firstLength = deflateOpenPart(data, firstSize, firstLevel, out.data.get() + headerSize, firstRoom);
        firstAdler = libdeflate_adler32(1, data, firstSize);
    };
    const auto deflateRest = [&] {
        restLength = libdeflate_deflate_compress(compressor.get(), data + firstSize, restSize, restOut, restRoom);
        restAdler = libdeflate_adler32(1, data + firstSize, restSize);
    };
    if (firstSize)
        runAlongside(deflateFirst, deflateRest);
    else
        deflateRest();
    if (!firstLength || restLength == 0)
        return std::nullopt;

    // 32K window, deflate; the check bits make the pair a multiple of 31.
    out.data[0] = 0x78;
    out.data[1] = 0x01;
    quint8* const restAt = out.data.get() + headerSize + *firstLength;
    std::memmove(restAt, restOut, restLength);
    const quint32 adler = quint32(adler32_combine(firstAdler, restAdler, z_off_t(restSize)));
    quint8* const trailer = restAt + restLength;
    for (int b = 0; b < 4; ++b)
        trailer[b] = quint8(adler >> (24 - 8 * b));
    out.size = size_t(trailer + trailerSize - out.data.get());
    return out;
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

    const std::optional<Compressed> compressed = compress(filtered.get(), filteredSize, level);
    if (!compressed)
        return std::nullopt;

    return container(width, height, opaque ? 2 : 6, compressed->data.get(), compressed->size);
}

} // namespace PngEncoder
