#pragma once

#include "AnnotationShape.h"

#include <QFont>
#include <QList>
#include <QRectF>
#include <QSize>

class QPainter;

// Text labels and numbered steps: marks placed at one spot whose size comes
// from the width control rather than from a drag.
namespace PlacedMarks {

// The label's font on an image of `imageSize`: its pixel size grows with the
// stored width, like a stroke, and never drops below legible.
QFont textFont(const AnnotationShape& shape, QSize imageSize);
// A step circle's diameter in pixels.
double stepDiameter(const AnnotationShape& shape, QSize imageSize);

// Where the mark lies, in pixels of an image of `imageSize` (top-left origin).
QRectF bounds(const AnnotationShape& shape, QSize imageSize);

// Each step's number in `shapes` (1, 2, 3 in list order), keyed by its index
// in the list; 0 for shapes that are no steps. Removing a step renumbers
// the rest, since the number is never stored.
QList<int> stepNumbers(const QList<AnnotationShape>& shapes);

// Draws a text or step mark; `stepNumber` is the number a step shows.
void draw(QPainter& painter, const AnnotationShape& shape, QSize imageSize, int stepNumber);

} // namespace PlacedMarks
