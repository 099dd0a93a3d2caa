#pragma once

#include <QtGlobal>

// PNG's per-row filters for 8-bit truecolour scanlines, and the choice
// among them. Each filtered row starts with its type byte; the bytes after
// it are the row less a prediction from the pixels left of and above it.
namespace PngRowFilters {

// PNG's filter type numbers.
enum Type : quint8 { none = 0, sub = 1, up = 2, average = 3, paeth = 4 };

// One filtered RGB row (type byte, then 3 * width bytes) straight from
// opaque 0xAARRGGBB pixels, so no 24-bit copy of the image is ever made.
// `above` is null on the first row, which the filters read as zeros.
void filterRGB(const quint32* row, const quint32* above, int width, Type type, quint8* out);

// One filtered row of `bytes` bytes with `bpp` bytes per pixel.
void filterBytes(const quint8* row, const quint8* above, int bytes, int bpp, Type type, quint8* out);

// Whether most pixels repeat their left neighbour: text and flat interface,
// where unfiltered rows let deflate find the repeated glyphs.
bool isRunRow(const quint32* row, int width);

// The filter whose residuals over a sample of the row add up to the least,
// counting each byte as a signed distance from zero (libpng's heuristic),
// among Up, Sub, Average and Paeth; Up unless another is clearly smaller.
Type cheapestRGB(const quint32* row, const quint32* above, int width);

} // namespace PngRowFilters
