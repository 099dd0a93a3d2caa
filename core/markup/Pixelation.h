#pragma once

#include "AnnotationShape.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <vector>

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

// How wide one block is for an area of `areaSize` on an image of `imageSize`.
// A twelfth of the area's shorter side and at least 4 pixels suits a large
// area, but a short strip over a line of text would stay legible; so blocks
// are never under half the area's shorter side (two rows over text as tall
// as the area), up to a twenty-fifth of the image's longer side (heading
// text on any screen). `strength` (at least 1) scales that, never past the
// area's shorter side.
double blockSize(QSize areaSize, QSize imageSize, double strength);

// How a shape's stored width becomes a strength: the editor's S, M and L
// give 1, 1.41 and 1.9.
double strength(const AnnotationShape& shape);

// How many blocks of `block` pixels an area is reduced to: at least one each way.
Grid grid(QSize areaSize, double block);
// The grid a blur shape's area of `areaSize` is reduced to on an image of `imageSize`.
Grid grid(const AnnotationShape& shape, QSize areaSize, QSize imageSize);

// The pixels block (column, row) covers inside an area of `areaSize`.
QRect blockRect(QSize areaSize, Grid grid, int column, int row);

// The block averages of one area of a source: all a blur paints, small
// enough to keep while the marks around it change.
struct Tile {
    QRect area;
    Grid grid{1, 1};
    // Row by row, 0xAARRGGBB.
    std::vector<QRgb> blocks;

    bool isNull() const { return blocks.empty(); }
};

// Where a blur shape lies on an image of `imageSize` (its area()) and the
// blocks it is reduced to, without the averages; a null area when it has none.
Tile layout(const AnnotationShape& shape, QSize imageSize);

// The averages of `area` of `source`, reduced to `blocks`. The source is
// 32-bit 0xAARRGGBB (RGB32 or premultiplied ARGB32), so averaging
// premultiplied values stays correct. Null when the area is not inside it.
Tile average(const QImage& source, const QRect& area, Grid blocks);

// Fills the tile's area of `canvas` (same format family as the source) with
// its flat blocks, only inside `clip`; an RGB32 canvas gets opaque pixels.
void paint(QImage& canvas, const Tile& tile, const QRect& clip);

} // namespace Pixelation
