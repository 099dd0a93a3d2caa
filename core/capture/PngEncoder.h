#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// Lossless PNG encoding tuned for screenshots at display resolution.
//
// Measured on 3840x2160 screenshots (bench/markup_png): Qt's writer (zlib
// level 6 with adaptive per-row filtering) spends most of its time choosing
// filters. libdeflate at level 2 with a filter picked per row by one cheap
// test is about four times faster; text pages come out smaller than Qt's and
// a page with a photograph about a fifth larger. libdeflate's level 1 was
// slower than its level 2 here, and zlib's level 1 gave larger files at the
// same speed.
//
// Opaque images are written as 8-bit RGB, others as 8-bit RGBA with straight
// alpha. Reentrant: no shared state, so it runs on any thread.
namespace PngEncoder {

inline constexpr int defaultLevel = 2;

enum class Filter {
    none,
    sub,
    up,
    // Rows that are mostly runs of one colour (text and flat interface) stay
    // unfiltered, where deflate finds repeated glyphs; other rows use Up,
    // which suits photographs and gradients.
    noneForRuns,
};

// Nothing for a null image or when compression fails.
std::optional<QByteArray> encode(const QImage& image, int level = defaultLevel, Filter filter = Filter::noneForRuns);

} // namespace PngEncoder
