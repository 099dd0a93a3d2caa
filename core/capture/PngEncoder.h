#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// Lossless PNG encoding tuned for screenshots at display resolution.
//
// Measured on 3840x2160 screenshots (bench/markup_png): Qt's writer (zlib
// level 6 with adaptive per-row filtering) spends most of its time choosing
// filters. libdeflate at level 2 is three and a half to five times faster.
// Rows of runs left unfiltered keep text pages a tenth smaller than Qt's;
// Up alone for every other row left a page with a photograph a fifth
// larger, and taking the filter with the smallest residuals per row (the
// vectorised estimate costs a few per cent of the write) brings it to within
// 4 % of Qt's. libdeflate's level 1 was slower than its level 2 here, and
// zlib's level 1 gave larger files at the same speed.
//
// Deflating is most of what is left, so an image of a megabyte or more is
// deflated in two halves at once (zlib for the first, which it can leave
// open, libdeflate for the second), on a kept pool thread beside the caller.
//
// Opaque images are written as 8-bit RGB, others as 8-bit RGBA with straight
// alpha. Reentrant: no shared state, so it runs on any thread.
namespace PngEncoder {

inline constexpr int defaultLevel = 2;

enum class Filter {
    // One PNG filter for every row.
    none,
    sub,
    up,
    average,
    paeth,
    // Rows that are mostly runs of one colour (text and flat interface) stay
    // unfiltered, where deflate finds repeated glyphs; other rows use Up.
    noneForRuns,
    // Rows of runs stay unfiltered as above; every other row takes the
    // filter that leaves the smallest residuals over a sample of it, which
    // suits the photographs and gradients Up alone leaves large.
    adaptive,
};

// Nothing for a null image or when compression fails.
std::optional<QByteArray> encode(const QImage& image, int level = defaultLevel, Filter filter = Filter::adaptive);

} // namespace PngEncoder
