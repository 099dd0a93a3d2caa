#pragma once

#include "AnnotationShape.h"

#include <QPointF>
#include <QRectF>

#include <optional>

// The rules the markup editor follows while a drag makes a shape. They fix
// what gets stored, so they live beside the model rather than in the view.
namespace ShapeCreation {

// A drag shape whose corners are closer than this in both directions is a
// click, not a mark.
inline constexpr double minimumExtent = 0.004;

// The image fraction under a view location, where `frame` is the rectangle
// the image is shown in. Clamped to 0...1; nothing while the frame is empty.
std::optional<AnnotationPoint> pointInFrame(QPointF location, const QRectF& frame);

// The tool a stored preference names; anything unknown means the pen.
AnnotationTool toolFromPreference(const QString& raw);

// The shape made on a drag's first movement. Blur ignores the chosen colour.
AnnotationShape begin(AnnotationTool tool, const QString& colorHex, int widthIndex,
                      AnnotationPoint start, AnnotationPoint current);

// A further movement: the pen grows its polyline, other tools move their end.
void extend(AnnotationShape& shape, AnnotationPoint current);

// Whether the shape is kept when the drag ends.
bool shouldKeep(const AnnotationShape& shape);

} // namespace ShapeCreation
