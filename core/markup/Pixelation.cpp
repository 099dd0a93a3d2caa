#include "Pixelation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Pixelation {

QRect area(const AnnotationShape& shape, QSize imageSize) {
    if (shape.points.size() < 2)
        return {};
    const AnnotationPoint& p = shape.points.front();
    const AnnotationPoint& q = shape.points.back();
    const double w = imageSize.width();
    const double h = imageSize.height();
    const double x = std::min(p.x, q.x) * w;
    const double y = std::min(p.y, q.y) * h;
    const double right = x + std::abs(q.x - p.x) * w;
    const double bottom = y + std::abs(q.y - p.y) * h;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(right) || !std::isfinite(bottom))
        return {};

    // Outward rounding, then clipping, in doubles so far-away areas cannot overflow an int.
    const double left = std::max(std::floor(x), 0.0);
    const double top = std::max(std::floor(y), 0.0);
    const double clippedRight = std::min(std::ceil(right), w);
    const double clippedBottom = std::min(std::ceil(bottom), h);
    if (clippedRight - left < 2 || clippedBottom - top < 2)
        return {};
    return QRect(int(left), int(top), int(clippedRight - left), int(clippedBottom - top));
}

double blockSize(QSize areaSize, QSize imageSize, double strength) {
    // Blocks at least as tall as large text on the screenshot, so no letter survives inside one.
    constexpr double largestTextShare = 0.04;
    const double shorter = std::min(areaSize.width(), areaSize.height());
    const double longerImageSide = std::max(imageSize.width(), imageSize.height());
    const double textFloor = std::min(shorter / 2, longerImageSide * largestTextShare);
    const double block = std::max({shorter / 12.0, 4.0, textFloor}) * std::clamp(strength, 1.0, 4.0);
    return std::isfinite(block) ? std::max(std::min(block, shorter), 1.0) : shorter;
}

double strength(const AnnotationShape& shape) {
    // The smallest width is the plain strength; each larger one coarser.
    constexpr double smallestWidth = 0.0025;
    const double value = std::sqrt(shape.lineWidth / smallestWidth);
    return std::isfinite(value) ? std::clamp(value, 1.0, 4.0) : 1.0;
}

Grid grid(QSize areaSize, double block) {
    return Grid{std::max(int(areaSize.width() / block), 1), std::max(int(areaSize.height() / block), 1)};
}

namespace {

// Where block `index` of `count` starts along a side of `length` pixels.
int blockStart(int length, int count, int index) {
    return int(qint64(length) * index / count);
}

// Adds each channel of `count` pixels to `sum` (alpha, red, green, blue).
void addChannels(const QRgb* pixels, int count, std::array<quint64, 4>& sum) {
    int x = 0;
#if defined(__SSE2__)
    // Four pixels a step: each channel masked out on its own and its bytes
    // summed with SAD, in 64-bit lanes that cannot overflow.
    if (count >= 8) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i lowByte = _mm_set1_epi32(0xFF);
        __m128i blue = zero, green = zero, red = zero, alpha = zero;
        for (; x + 4 <= count; x += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + x));
            blue = _mm_add_epi64(blue, _mm_sad_epu8(_mm_and_si128(v, lowByte), zero));
            green = _mm_add_epi64(green, _mm_sad_epu8(_mm_and_si128(_mm_srli_epi32(v, 8), lowByte), zero));
            red = _mm_add_epi64(red, _mm_sad_epu8(_mm_and_si128(_mm_srli_epi32(v, 16), lowByte), zero));
            alpha = _mm_add_epi64(alpha, _mm_sad_epu8(_mm_srli_epi32(v, 24), zero));
        }
        const auto total = [](__m128i lanes) {
            alignas(16) quint64 halves[2];
            _mm_store_si128(reinterpret_cast<__m128i*>(halves), lanes);
            return halves[0] + halves[1];
        };
        sum[0] += total(alpha);
        sum[1] += total(red);
        sum[2] += total(green);
        sum[3] += total(blue);
    }
#endif
    // A block's stretch of one row fits 32-bit sums.
    quint32 alpha = 0, red = 0, green = 0, blue = 0;
    for (; x < count; ++x) {
        const QRgb pixel = pixels[x];
        alpha += pixel >> 24;
        red += (pixel >> 16) & 0xFF;
        green += (pixel >> 8) & 0xFF;
        blue += pixel & 0xFF;
    }
    sum[0] += alpha;
    sum[1] += red;
    sum[2] += green;
    sum[3] += blue;
}

} // namespace

QRect blockRect(QSize areaSize, Grid grid, int column, int row) {
    const int left = blockStart(areaSize.width(), grid.columns, column);
    const int top = blockStart(areaSize.height(), grid.rows, row);
    const int right = blockStart(areaSize.width(), grid.columns, column + 1);
    const int bottom = blockStart(areaSize.height(), grid.rows, row + 1);
    return QRect(left, top, right - left, bottom - top);
}

Grid grid(const AnnotationShape& shape, QSize areaSize, QSize imageSize) {
    return grid(areaSize, blockSize(areaSize, imageSize, strength(shape)));
}

Tile layout(const AnnotationShape& shape, QSize imageSize) {
    const QRect blurred = area(shape, imageSize);
    return blurred.isNull() ? Tile{} : Tile{blurred, grid(shape, blurred.size(), imageSize), {}};
}

Tile average(const QImage& source, const QRect& area, Grid blocks) {
    if ((area & source.rect()) != area || area.width() < 2 || area.height() < 2)
        return {};
    Tile tile{area, blocks, std::vector<QRgb>(size_t(blocks.columns) * size_t(blocks.rows))};
    std::vector<std::array<quint64, 4>> sums(blocks.columns);
    std::vector<int> columnStart(blocks.columns + 1);
    for (int column = 0; column <= blocks.columns; ++column)
        columnStart[column] = blockStart(area.width(), blocks.columns, column);

    for (int row = 0; row < blocks.rows; ++row) {
        const QRect band = blockRect(area.size(), blocks, 0, row);
        std::fill(sums.begin(), sums.end(), std::array<quint64, 4>{});
        for (int y = band.top(); y < band.top() + band.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(source.constScanLine(area.top() + y)) + area.left();
            for (int column = 0; column < blocks.columns; ++column)
                addChannels(line + columnStart[column], columnStart[column + 1] - columnStart[column], sums[column]);
        }
        for (int column = 0; column < blocks.columns; ++column) {
            const QRect block = blockRect(area.size(), blocks, column, row);
            const quint64 count = quint64(block.width()) * quint64(block.height());
            const auto mean = [&](int channel) { return int((sums[column][channel] + count / 2) / count); };
            tile.blocks[size_t(row) * size_t(blocks.columns) + size_t(column)] =
                qRgba(mean(1), mean(2), mean(3), mean(0));
        }
    }
    return tile;
}

void paint(QImage& canvas, const Tile& tile, const QRect& clip) {
    const QRect visible = tile.area & clip & canvas.rect();
    if (tile.isNull() || visible.isEmpty())
        return;
    // RGB32's unused byte must read as opaque for the blend modes drawn on top.
    const QRgb opaque = canvas.format() == QImage::Format_RGB32 ? 0xFF000000u : 0;
    for (int row = 0; row < tile.grid.rows; ++row)
        for (int column = 0; column < tile.grid.columns; ++column) {
            const QRect block =
                blockRect(tile.area.size(), tile.grid, column, row).translated(tile.area.topLeft()) & visible;
            if (block.isEmpty())
                continue;
            const QRgb flat = tile.blocks[size_t(row) * size_t(tile.grid.columns) + size_t(column)] | opaque;
            for (int y = block.top(); y <= block.bottom(); ++y) {
                QRgb* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
                std::fill(line + block.left(), line + block.right() + 1, flat);
            }
        }
}

} // namespace Pixelation
