#include "markup/MarkGeometry.h"

#include "markup/AnnotationRenderer.h"
#include "markup/PlacedMarks.h"

#include <algorithm>
#include <cmath>

namespace MarkGeometry {

namespace {

QRectF pointBounds(const QList<AnnotationPoint>& points) {
    double left = 1, top = 1, right = 0, bottom = 0;
    for (const AnnotationPoint& point : points) {
        left = std::min(left, point.x);
        top = std::min(top, point.y);
        right = std::max(right, point.x);
        bottom = std::max(bottom, point.y);
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QList<AnnotationPoint> outline(const AnnotationShape& shape) {
    if (AnnotationTools::isDragShape(shape.tool) && shape.points.size() >= 2)
        return {shape.points.front(), shape.points.back()};
    return shape.points;
}

} // namespace

QRectF bounds(const AnnotationShape& shape, QSize imageSize) {
    if (shape.points.size() < 2 || imageSize.isEmpty())
        return {};
    if (AnnotationTools::isPlaced(shape.tool)) {
        const QRectF pixels = PlacedMarks::bounds(shape, imageSize);
        return QRectF(pixels.x() / imageSize.width(), pixels.y() / imageSize.height(),
                      pixels.width() / imageSize.width(), pixels.height() / imageSize.height());
    }
    double stroke = AnnotationRenderer::strokeWidth(shape.lineWidth, imageSize);
    if (shape.tool == AnnotationTool::highlight)
        stroke *= 4;
    else if (shape.tool == AnnotationTool::blur)
        stroke = 0;
    const double padX = stroke / 2 / imageSize.width();
    const double padY = stroke / 2 / imageSize.height();
    return pointBounds(outline(shape)).adjusted(-padX, -padY, padX, padY);
}

std::optional<qsizetype> hit(const QList<AnnotationShape>& shapes, AnnotationPoint point, QSize imageSize,
                             double tolerance) {
    for (qsizetype index = shapes.size() - 1; index >= 0; --index) {
        const QRectF area = bounds(shapes[index], imageSize).adjusted(-tolerance, -tolerance, tolerance, tolerance);
        if (area.contains(QPointF(point.x, point.y)))
            return index;
    }
    return std::nullopt;
}

QPointF cornerOf(const QRectF& rect, Corner corner) {
    switch (corner) {
    case Corner::topLeft:
        return rect.topLeft();
    case Corner::topRight:
        return rect.topRight();
    case Corner::bottomLeft:
        return rect.bottomLeft();
    case Corner::bottomRight:
        return rect.bottomRight();
    }
    return rect.topLeft();
}

std::optional<Corner> handleAt(const QRectF& rect, AnnotationPoint point, double tolerance) {
    for (const Corner corner : {Corner::topLeft, Corner::topRight, Corner::bottomLeft, Corner::bottomRight}) {
        const QPointF at = cornerOf(rect, corner);
        if (std::abs(at.x() - point.x) <= tolerance && std::abs(at.y() - point.y) <= tolerance)
            return corner;
    }
    return std::nullopt;
}

bool isResizable(const AnnotationShape& shape) { return !AnnotationTools::isPlaced(shape.tool); }

AnnotationShape moved(const AnnotationShape& shape, double dx, double dy) {
    // The whole mark moves by the same amount, its points stopping at the image's edges.
    const QRectF span = pointBounds(shape.points);
    dx = std::clamp(dx, -span.left(), std::max(-span.left(), 1 - span.right()));
    dy = std::clamp(dy, -span.top(), std::max(-span.top(), 1 - span.bottom()));
    AnnotationShape result = shape;
    for (AnnotationPoint& point : result.points)
        point = {point.x + dx, point.y + dy};
    return result;
}

AnnotationShape resized(const AnnotationShape& shape, const QRectF& from, const QRectF& to) {
    AnnotationShape result = shape;
    const auto map = [](double value, double start, double length, double newStart, double newLength) {
        const double t = length > 0 ? (value - start) / length : 0;
        return std::clamp(newStart + t * newLength, 0.0, 1.0);
    };
    for (AnnotationPoint& point : result.points)
        point = {map(point.x, from.left(), from.width(), to.left(), to.width()),
                 map(point.y, from.top(), from.height(), to.top(), to.height())};
    return result;
}

} // namespace MarkGeometry
