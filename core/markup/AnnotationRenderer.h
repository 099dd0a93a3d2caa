#pragma once

#include "Annotation.h"

#include <QImage>

class QPainter;

#include <optional>

// Draws an annotation over a screenshot into a new image: blur areas are
// pixelated first (from the original pixels), then every other shape is
// stroked on top in list order. Pure and reentrant: safe on any thread.
namespace AnnotationRenderer {

// Nothing when the annotation has no shapes or the image is unusable.
// The result is RGB32 for an opaque source, premultiplied ARGB32 otherwise.
std::optional<QImage> render(const Annotation& annotation, const QImage& image);

// Strokes one shape exactly as render() does, with the painter's coordinates
// being the pixels of an image of `imageSize` (the editor scales its painter
// to draw the shape being dragged). Blur areas draw nothing here.
void drawShape(QPainter& painter, const AnnotationShape& shape, QSize imageSize);

// The stroke width in pixels for a shape on an image of this size: a
// fraction of the longer side, never thinner than one pixel.
double strokeWidth(double lineWidth, QSize imageSize);

// How long an arrow's head is for a stroke width: never under 14 pixels.
double arrowHeadLength(double strokeWidth);

} // namespace AnnotationRenderer
