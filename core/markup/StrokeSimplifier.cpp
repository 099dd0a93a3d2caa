#include "StrokeSimplifier.h"

#include <cmath>

namespace StrokeSimplifier {

namespace {

double distanceToLine(const AnnotationPoint& p, const AnnotationPoint& a, const AnnotationPoint& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    if (length == 0)
        return std::hypot(p.x - a.x, p.y - a.y);
    return std::fabs(dy * p.x - dx * p.y + b.x * a.y - b.y * a.x) / length;
}

bool isStroke(const AnnotationShape& shape) {
    return shape.tool == AnnotationTool::pen || shape.tool == AnnotationTool::highlight;
}

} // namespace

QList<AnnotationPoint> simplified(const QList<AnnotationPoint>& points, double tolerance) {
    if (points.size() < 3)
        return points;
    // Ramer–Douglas–Peucker without recursion: a stack of spans still to split.
    std::vector<bool> keep(size_t(points.size()), false);
    keep.front() = keep.back() = true;
    std::vector<std::pair<qsizetype, qsizetype>> spans{{0, points.size() - 1}};
    while (!spans.empty()) {
        const auto [first, last] = spans.back();
        spans.pop_back();
        double farthest = 0;
        qsizetype index = -1;
        for (qsizetype i = first + 1; i < last; ++i) {
            const double d = distanceToLine(points[i], points[first], points[last]);
            if (d > farthest) {
                farthest = d;
                index = i;
            }
        }
        if (index < 0 || farthest <= tolerance)
            continue;
        keep[size_t(index)] = true;
        spans.emplace_back(first, index);
        spans.emplace_back(index, last);
    }
    QList<AnnotationPoint> out;
    for (qsizetype i = 0; i < points.size(); ++i)
        if (keep[size_t(i)])
            out.append(points[i]);
    return out;
}

AnnotationShape simplifiedStroke(AnnotationShape shape, double tolerance) {
    if (isStroke(shape))
        shape.points = simplified(shape.points, tolerance);
    return shape;
}

Annotation fittedForSync(Annotation annotation) {
    for (double tolerance = invisibleTolerance; tolerance < 0.05; tolerance *= 2) {
        const std::optional<QString> text = annotation.encoded();
        if (!text || text->size() <= maxEncodedSize)
            break;
        for (AnnotationShape& shape : annotation.shapes)
            shape = simplifiedStroke(std::move(shape), tolerance);
    }
    return annotation;
}

} // namespace StrokeSimplifier
