#include "MarkPreview.h"

#include "AnnotationRenderer.h"
#include "PlacedMarks.h"

#include <algorithm>

namespace {

QString tileKey(const Pixelation::Tile& tile) {
    const QRect& area = tile.area;
    return QStringLiteral("%1,%2,%3,%4/%5x%6")
        .arg(area.x())
        .arg(area.y())
        .arg(area.width())
        .arg(area.height())
        .arg(tile.grid.columns)
        .arg(tile.grid.rows);
}

} // namespace

MarkPreview::MarkPreview(const QImage& image)
    : source_(AnnotationRenderer::workingFormat(image)), canvas_(AnnotationRenderer::canvasFor(source_)) {}

const QImage& MarkPreview::update(const QList<AnnotationShape>& shapes) {
    if (canvas_.isNull())
        return canvas_;
    QList<Drawn> next = numbered(shapes);
    const QRect clip = damage(next);
    drawn_ = std::move(next);
    if (clip.isEmpty())
        return canvas_;
    AnnotationRenderer::paintMarks(canvas_, source_, shapes, tilesFor(shapes), clip);
    return canvas_;
}

QList<MarkPreview::Drawn> MarkPreview::numbered(const QList<AnnotationShape>& shapes) const {
    const QList<int> steps = PlacedMarks::stepNumbers(shapes);
    QList<Drawn> result;
    result.reserve(shapes.size());
    for (qsizetype index = 0; index < shapes.size(); ++index)
        result.append({shapes[index], steps[index]});
    return result;
}

QRect MarkPreview::damage(const QList<Drawn>& next) const {
    // Shapes before and after the changed stretch are drawn in the same
    // order as before and cover the same pixels, so only the stretch's old
    // and new shapes can change a pixel.
    qsizetype same = 0;
    while (same < drawn_.size() && same < next.size() && drawn_[same] == next[same])
        ++same;
    qsizetype oldEnd = drawn_.size();
    qsizetype newEnd = next.size();
    while (oldEnd > same && newEnd > same && drawn_[oldEnd - 1] == next[newEnd - 1]) {
        --oldEnd;
        --newEnd;
    }
    QRect area;
    for (qsizetype index = same; index < oldEnd; ++index)
        area |= AnnotationRenderer::paintBounds(drawn_[index].shape, canvas_.size());
    for (qsizetype index = same; index < newEnd; ++index)
        area |= AnnotationRenderer::paintBounds(next[index].shape, canvas_.size());
    return area & canvas_.rect();
}

QList<Pixelation::Tile> MarkPreview::tilesFor(const QList<AnnotationShape>& shapes) {
    QHash<QString, Pixelation::Tile> kept;
    QList<Pixelation::Tile> tiles;
    for (const AnnotationShape& shape : shapes) {
        if (shape.tool != AnnotationTool::blur)
            continue;
        const Pixelation::Tile place = Pixelation::layout(shape, source_.size());
        if (place.area.isNull())
            continue;
        const QString key = tileKey(place);
        Pixelation::Tile tile = tiles_.value(key);
        if (tile.isNull())
            tile = Pixelation::average(source_, place.area, place.grid);
        kept.insert(key, tile);
        tiles.append(tile);
    }
    tiles_ = std::move(kept);
    return tiles;
}
