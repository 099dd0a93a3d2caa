#pragma once

#include <QPointF>
#include <QRectF>

#include <optional>

// The eight handles around a chosen region and the region inside them: what
// a press grips and where a drag takes the region. Desktop coordinates.
namespace RegionHandles {

// How far from a handle's centre a press still takes it, in logical pixels.
constexpr qreal reach = 8;

struct Grip {
    // The edges a drag moves; none moves the whole region.
    Qt::Edges edges;
};

// The handle under `point` (corners before edges), else the region itself
// when `point` is inside it; nothing outside both.
std::optional<Grip> gripAt(const QRectF& region, const QPointF& point);

// `region` as the drag of `grip` by `delta` leaves it, normalised so an edge
// dragged past its opposite one turns it over rather than inside out.
QRectF dragged(const QRectF& region, Grip grip, const QPointF& delta);

// The pointer shape that says what a press at `point` would do.
Qt::CursorShape cursorFor(const std::optional<Grip>& grip);

} // namespace RegionHandles
