#include "ShapeCreation.h"

#include "AnnotationPalette.h"
#include "common/Identifiers.h"

#include <algorithm>
#include <cmath>

namespace ShapeCreation {

std::optional<AnnotationPoint> pointInFrame(QPointF location, const QRectF& frame) {
    if (frame.width() <= 0 || frame.height() <= 0)
        return std::nullopt;
    const double x = (location.x() - frame.left()) / frame.width();
    const double y = (location.y() - frame.top()) / frame.height();
    return AnnotationPoint{std::clamp(x, 0.0, 1.0), std::clamp(y, 0.0, 1.0)};
}

AnnotationTool toolFromPreference(const QString& raw) {
    return AnnotationTools::fromRawValue(raw).value_or(AnnotationTool::pen);
}

AnnotationShape begin(AnnotationTool tool, const QString& colorHex, int widthIndex,
                      AnnotationPoint start, AnnotationPoint current) {
    const QString color = tool == AnnotationTool::blur ? QString::fromLatin1(AnnotationPalette::blurColorHex)
                                                       : colorHex;
    return AnnotationShape{Identifiers::make(), tool, color, AnnotationPalette::widthValue(widthIndex),
                           {start, current}, {}};
}

void extend(AnnotationShape& shape, AnnotationPoint current) {
    if (shape.tool == AnnotationTool::pen) {
        shape.points.append(current);
        return;
    }
    const AnnotationPoint first = shape.points.isEmpty() ? current : shape.points.front();
    shape.points = {first, current};
}

bool shouldKeep(const AnnotationShape& shape) {
    if (shape.points.size() < 2)
        return false;
    if (shape.tool == AnnotationTool::pen)
        return true;
    const AnnotationPoint& a = shape.points[0];
    const AnnotationPoint& b = shape.points[1];
    return std::abs(b.x - a.x) > minimumExtent || std::abs(b.y - a.y) > minimumExtent;
}

} // namespace ShapeCreation
