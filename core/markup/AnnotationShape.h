#pragma once

#include "AnnotationPoint.h"
#include "AnnotationTool.h"

#include <QList>
#include <QString>

// One finished mark. Pen and highlight read `points` as a polyline; every
// other tool uses only the first and last point (tail and tip, or opposite
// corners; for text and steps both are the spot they were placed at: the
// text's top-left corner, the step's centre). Fewer than two points draw
// nothing.
struct AnnotationShape {
    QString id;
    AnnotationTool tool = AnnotationTool::pen;
    QString colorHex;
    // A fraction of the image's longer side, so the stroke scales with it.
    double lineWidth = 0;
    QList<AnnotationPoint> points;
    // What a text mark says; empty for every other tool.
    QString text = {};

    friend bool operator==(const AnnotationShape&, const AnnotationShape&) = default;
};

size_t qHash(const AnnotationShape& shape, size_t seed = 0) noexcept;
