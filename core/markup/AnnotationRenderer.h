#pragma once

#include "Annotation.h"
#include "Pixelation.h"

#include <QImage>

class QPainter;

#include <optional>

// Draws an annotation over a screenshot into a new image: blur areas are
// pixelated first (from the original pixels), then every other shape is
// stroked on top in list order. Pure and reentrant: safe on any thread.
namespace AnnotationRenderer {

// The marked copy: the shapes drawn, then the crop applied. Nothing when the
// annotation is empty or the image is unusable. The result is RGB32 for an
// opaque source, premultiplied ARGB32 otherwise.
std::optional<QImage> render(const Annotation& annotation, const QImage& image);

// The shapes drawn over the whole image, the crop left for the caller to show
// (the editor keeps the cropped-away parts in view). Nothing without shapes.
std::optional<QImage> renderMarks(const Annotation& annotation, const QImage& image);

// The crop in whole pixels of an image of `imageSize`, clipped to it; null
// when there is no crop or it holds no pixel.
QRect cropRect(const std::optional<QRectF>& crop, QSize imageSize);

// Strokes one shape exactly as render() does, with the painter's coordinates
// being the pixels of an image of `imageSize` (the editor scales its painter
// to draw the shape being dragged). Blur areas draw nothing here; a step
// shows `stepNumber`.
void drawShape(QPainter& painter, const AnnotationShape& shape, QSize imageSize, int stepNumber = 1);

// The stroke width in pixels for a shape on an image of this size: a
// fraction of the longer side, never thinner than one pixel.
double strokeWidth(double lineWidth, QSize imageSize);

// How long an arrow's head is for a stroke width: never under 14 pixels.
double arrowHeadLength(double strokeWidth);

// The pieces renderMarks() is made of, for a preview that keeps its canvas
// between edits and repaints only part of it.

// The image in the 32-bit format marks are drawn on (shared, not copied, when
// it already is).
QImage workingFormat(const QImage& image);
// A copy of a workingFormat() source to draw on, opaque where the format
// has no alpha (one pass, no second copy); null when memory runs out.
QImage canvasFor(const QImage& source);
// Copies `rect` of a workingFormat() source into a canvas of the same size
// and format, with opaque pixels where the format has no alpha.
void copyOpaque(const QImage& source, QImage& canvas, const QRect& rect);
// Inside `clip` only: copies the source back (as copyOpaque), paints the
// blur tiles (one per blur shape, in order), then strokes every other shape
// on top in list order. Pixels inside the clip come out as a whole-canvas
// paint makes them. False when the canvas cannot be painted on.
bool paintMarks(QImage& canvas, const QImage& source, const QList<AnnotationShape>& shapes,
                const QList<Pixelation::Tile>& tiles, const QRect& clip);
// Every pixel a shape can change on an image of this size, clipped to it.
QRect paintBounds(const AnnotationShape& shape, QSize imageSize);

} // namespace AnnotationRenderer
