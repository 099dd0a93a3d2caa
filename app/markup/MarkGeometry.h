#pragma once

#include "markup/AnnotationShape.h"

#include <QList>
#include <QRectF>
#include <QSize>

#include <optional>

// Where marks lie and how they move, for selecting and editing them in the
// editor. Everything is in image fractions unless a size says otherwise.
namespace MarkGeometry {

enum class Corner { topLeft, topRight, bottomLeft, bottomRight };

// The rectangle a mark covers on an image of `imageSize`, in fractions,
// including its stroke: what the selection outline and handles surround.
QRectF bounds(const AnnotationShape& shape, QSize imageSize);

// The topmost mark whose bounds, grown by `tolerance`, hold `point`.
std::optional<qsizetype> hit(const QList<AnnotationShape>& shapes, AnnotationPoint point, QSize imageSize,
                             double tolerance);

// Which corner handle of `rect` is within `tolerance` of `point`.
std::optional<Corner> handleAt(const QRectF& rect, AnnotationPoint point, double tolerance);
QPointF cornerOf(const QRectF& rect, Corner corner);
// Text and steps take their size from the width control, so they only move.
bool isResizable(const AnnotationShape& shape);

// The mark shifted by (dx, dy), its points kept inside the image.
AnnotationShape moved(const AnnotationShape& shape, double dx, double dy);
// The mark stretched so that `from` (its bounds when the gesture began)
// becomes `to`; points stay within the image.
AnnotationShape resized(const AnnotationShape& shape, const QRectF& from, const QRectF& to);

} // namespace MarkGeometry
