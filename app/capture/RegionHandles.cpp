#include "capture/RegionHandles.h"

#include <QLineF>

namespace RegionHandles {

std::optional<Grip> gripAt(const QRectF& region, const QPointF& point) {
    const qreal xs[] = {region.left(), region.center().x(), region.right()};
    const qreal ys[] = {region.top(), region.center().y(), region.bottom()};
    const Qt::Edges columns[] = {Qt::LeftEdge, {}, Qt::RightEdge};
    const Qt::Edges rows[] = {Qt::TopEdge, {}, Qt::BottomEdge};
    std::optional<Grip> nearest;
    qreal nearestDistance = reach;
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 3; ++row) {
            const Qt::Edges edges = columns[column] | rows[row];
            if (!edges)
                continue;
            // Corners win a tie: on a small region they sit close to the middles.
            const qreal distance = QLineF(point, QPointF(xs[column], ys[row])).length() -
                                   (columns[column] && rows[row] ? 0.5 : 0);
            if (distance <= nearestDistance) {
                nearest = Grip{edges};
                nearestDistance = distance;
            }
        }
    if (nearest)
        return nearest;
    if (region.contains(point))
        return Grip{};
    return std::nullopt;
}

QRectF dragged(const QRectF& region, Grip grip, const QPointF& delta) {
    if (!grip.edges)
        return region.translated(delta);
    QRectF result = region;
    if (grip.edges & Qt::LeftEdge)
        result.setLeft(region.left() + delta.x());
    if (grip.edges & Qt::RightEdge)
        result.setRight(region.right() + delta.x());
    if (grip.edges & Qt::TopEdge)
        result.setTop(region.top() + delta.y());
    if (grip.edges & Qt::BottomEdge)
        result.setBottom(region.bottom() + delta.y());
    return result.normalized();
}

Qt::CursorShape cursorFor(const std::optional<Grip>& grip) {
    if (!grip)
        return Qt::CrossCursor;
    const Qt::Edges edges = grip->edges;
    if (!edges)
        return Qt::SizeAllCursor;
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical)
        return (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
                   ? Qt::SizeFDiagCursor
                   : Qt::SizeBDiagCursor;
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

} // namespace RegionHandles
