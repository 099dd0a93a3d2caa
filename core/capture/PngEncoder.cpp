#include "PngEncoder.h"

#include <libdeflate.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace PngEncoder {

namespace {

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

// Byte-wise a - b for the four bytes of two packed pixels at once.
inline quint32 subtractBytes(quint32 a, quint32 b) {
    constexpr quint32 high = 0x80808080u;
    return ((a | high) - (b & ~high)) ^ ((a ^ ~b) & high);
}

inline quint8* putRGB(quint8* out, quint32 pixel) {
    out[0] = quint8(pixel >> 16);
    out[1] = quint8(pixel >> 8);
    out[2] = quint8(pixel);
    return out + 3;
}

// The RGB bytes of `count` pixels, less those of the pixels above when
// given (the Up filter); returns where the next pixel goes.
quint8* packRGB(const quint32* row, const quint32* above, int count, quint8* out) {
    if (above) {
        for (int x = 0; x < count; ++x)
            out = putRGB(out, subtractBytes(row[x], above[x]));
    } else {
        for (int x = 0; x < count; ++x)
            out = putRGB(out, row[x]);
    }
    return out;
}

#if defined(__x86_64__) || defined(__i386__)
// The same four pixels at a time, dropping the alpha bytes while reordering
// to R, G, B. Each 16-byte store runs 4 bytes past the 12 it means, so it
// stops while at least two pixels (6 bytes) remain.
__attribute__((target("ssse3"))) quint8* packRGBVector(const quint32* row, const quint32* above, int count,
                                                        quint8* out) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    int x = 0;
    for (; x + 6 <= count; x += 4) {
        __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        if (above)
            pixels = _mm_sub_epi8(pixels, _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + x)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(pixels, order));
        out += 12;
    }
    return packRGB(row + x, above ? above + x : nullptr, count - x, out);
}

const bool hasSSSE3 = __builtin_cpu_supports("ssse3");
#endif

// PNG's filter type numbers.
enum RowFilter : quint8 { rowNone = 0, rowSub = 1, rowUp = 2 };

// At least this share of pixels equal to their left neighbour marks a row of runs.
constexpr int runShareDivisor = 5; // 4 in 5 = 80 %

bool isRunRow(const quint32* row, int width) {
    int same = 0;
    for (int x = 1; x < width; ++x)
        same += row[x] == row[x - 1];
    return same * runShareDivisor >= (width - 1) * (runShareDivisor - 1);
}

RowFilter rowFilterFor(Filter filter, const quint32* row, const quint32* above, int width) {
    switch (filter) {
    case Filter::none:
        return rowNone;
    case Filter::sub:
        return rowSub;
    case Filter::up:
        return above ? rowUp : rowNone;
    case Filter::noneForRuns:
        return !above || isRunRow(row, width) ? rowNone : rowUp;
    }
    return rowNone;
}

// One filtered scanline of an opaque 0xAARRGGBB image, straight from the
// pixels, so no 24-bit copy of the image is ever made.
void filterRGBRow(const quint32* row, const quint32* above, int width, Filter filter, quint8* out) {
    const RowFilter type = rowFilterFor(filter, row, above, width);
    *out++ = type;
    if (type == rowSub) {
        quint32 left = 0;
        for (int x = 0; x < width; ++x) {
            out = putRGB(out, subtractBytes(row[x], left));
            left = row[x];
        }
        return;
    }
    const quint32* subtrahend = type == rowUp ? above : nullptr;
#if defined(__x86_64__) || defined(__i386__)
    if (hasSSSE3) {
        packRGBVector(row, subtrahend, width, out);
        return;
    }
#endif
    packRGB(row, subtrahend, width, out);
}

// One filtered scanline of bytes with `bpp` bytes per pixel.
// Translucent images are rare enough here that Up serves every row but the first.
void filterByteRow(const quint8* row, const quint8* above, int bytes, int bpp, Filter filter, quint8* out) {
    const RowFilter type = filter == Filter::none ? rowNone : filter == Filter::sub ? rowSub : above ? rowUp : rowNone;
    *out++ = type;
    if (type == rowUp) {
        for (int i = 0; i < bytes; ++i)
            out[i] = quint8(row[i] - above[i]);
    } else if (type == rowSub) {
        std::memcpy(out, row, std::min(bpp, bytes));
        for (int i = bpp; i < bytes; ++i)
            out[i] = quint8(row[i] - row[i - bpp]);
    } else {
        std::memcpy(out, row, bytes);
    }
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
            filterRGBRow(row, above, width, filter, out);
        } else {
            filterByteRow(image.constScanLine(y), y > 0 ? image.constScanLine(y - 1) : nullptr, width * 4, 4,
                          filter, out);
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
