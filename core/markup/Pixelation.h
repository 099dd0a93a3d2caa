#pragma once

#include "AnnotationShape.h"

#include <QImage>
#include <QRect>
#include <QSize>

// Real pixelation for blur areas: the pixels under an area are replaced by
// flat blocks, each the average of the original block, so the text beneath
// cannot be read back.
namespace Pixelation {

struct Grid {
    int columns;
    int rows;
};

// A blur shape's area in whole pixels (top-left origin): the fractions scaled
// to the image, rounded outward and clipped to it. Null when the shape has
// fewer than two points or the area is less than 2 pixels wide or high.
QRect area(const AnnotationShape& shape, QSize imageSize);

// How many blocks an area is reduced to: blocks are a twelfth of its shorter
// side, at least 4 pixels, and there is at least one block each way.
Grid grid(QSize areaSize);

// The pixels block (column, row) covers inside an area of `areaSize`.
QRect blockRect(QSize areaSize, Grid grid, int column, int row);

// Fills `area` of `canvas` with the block averages of the same area of
// `source`. Both images are 32-bit 0xAARRGGBB of the same size (RGB32 or
// premultiplied ARGB32), so averaging premultiplied values stays correct.
void pixelate(QImage& canvas, const QImage& source, const QRect& area);

} // namespace Pixelation
