#pragma once

#include "Annotation.h"
#include "common/SyncLimits.h"

// Long pen strokes store every point the pointer passed; a few thousand of
// them make marks too long to sync. Points that lie within a tolerance of the
// line through their neighbours add nothing visible and are dropped.
namespace StrokeSimplifier {

inline constexpr qsizetype maxEncodedSize = SyncLimits::maxLongText;
// About a pixel on a large screenshot: dropping points this close to the line is invisible.
inline constexpr double invisibleTolerance = 0.0004;

// The polyline without the points within `tolerance` (a fraction of the image)
// of the line through the points kept around them; ends always stay.
QList<AnnotationPoint> simplified(const QList<AnnotationPoint>& points, double tolerance);

// A pen or highlight stroke simplified invisibly; other shapes unchanged.
AnnotationShape simplifiedStroke(AnnotationShape shape, double tolerance = invisibleTolerance);

// The annotation with its strokes simplified, each pass more coarsely, until
// its text fits maxEncodedSize (or simplifying cannot shorten it further).
Annotation fittedForSync(Annotation annotation);

} // namespace StrokeSimplifier
