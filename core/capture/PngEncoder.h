#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// Lossless PNG encoding tuned for screenshots at display resolution.
//
// Measured on 3840x2160 screenshots (bench/markup_png): Qt's writer (zlib
// level 6 with adaptive per-row filtering) spends most of its time choosing
// filters. A fixed Up filter with libdeflate at level 2 is over four times
// faster and its files stay within a fifth of Qt's size (text pages come out
// smaller). libdeflate's level 1 was slower than its level 2 here, and
// zlib's level 1 gave larger files at the same speed.
//
// Opaque images are written as 8-bit RGB, others as 8-bit RGBA with straight
// alpha. Reentrant: no shared state, so it runs on any thread.
namespace PngEncoder {

inline constexpr int defaultLevel = 2;

enum class Filter { none = 0, sub = 1, up = 2 };

// Nothing for a null image or when compression fails.
std::optional<QByteArray> encode(const QImage& image, int level = defaultLevel, Filter filter = Filter::up);

} // namespace PngEncoder
