#include "AnnotationRenderer.h"

#include "HexColor.h"
#include "Pixelation.h"
#include "PlacedMarks.h"
#include "common/RunAlongside.h"

#include <QColorSpace>
#include <QPainter>
#include <QPainterPath>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace AnnotationRenderer {

namespace {

// Copies a row with every pixel's top byte set: four pixels a step, as the
// compiler won't vectorise this loop at our optimisation level.
void copyRowOpaque(const QRgb* from, QRgb* to, int width) {
    int x = 0;
#if defined(__SSE2__)
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    for (; x + 4 <= width; x += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x), _mm_or_si128(pixels, alpha));
    }
#endif
    for (; x < width; ++x)
        to[x] = from[x] | 0xFF000000u;
}

// A canvas of the source's size and format, its pixels not yet set.
QImage blankCanvasFor(const QImage& source) {
    QImage canvas(source.size(), source.format());
    if (canvas.isNull())
        return canvas;
    canvas.setDevicePixelRatio(source.devicePixelRatio());
    canvas.setColorSpace(source.colorSpace());
    return canvas;
}

// Half the opening angle of an arrowhead.
constexpr double headAngle = 0.4487989505128276; // pi / 7
constexpr double highlightAlpha = 0.38;

struct Geometry {
    QSize size;

    QPointF map(const AnnotationPoint& point) const {
        return {size.width() * point.x, size.height() * point.y};
    }

    // The rectangle spanned by a shape's first and last points; empty at
    // the origin when there are fewer than two.
    QRectF shapeRect(const AnnotationShape& shape) const {
        if (shape.points.size() < 2)
            return {};
        const QPointF p = map(shape.points.front());
        const QPointF q = map(shape.points.back());
        return QRectF(QPointF(std::min(p.x(), q.x()), std::min(p.y(), q.y())),
                      QPointF(std::max(p.x(), q.x()), std::max(p.y(), q.y())));
    }

    QPainterPath polyline(const AnnotationShape& shape) const {
        QPainterPath path(map(shape.points.front()));
        for (qsizetype i = 1; i < shape.points.size(); ++i)
            path.lineTo(map(shape.points[i]));
        return path;
    }
};

QPen strokePen(const QColor& color, double width, Qt::PenCapStyle cap = Qt::RoundCap) {
    return QPen(color, width, Qt::SolidLine, cap, Qt::RoundJoin);
}

void drawArrow(QPainter& painter, const Geometry& geometry, const AnnotationShape& shape, const QColor& color,
               double width) {
    const QPointF tail = geometry.map(shape.points.front());
    const QPointF tip = geometry.map(shape.points.back());
    const double length = arrowHeadLength(width);
    const double angle = std::atan2(tip.y() - tail.y(), tip.x() - tail.x());
    const auto back = [&](double theta, double distance) {
        return tip - QPointF(distance * std::cos(theta), distance * std::sin(theta));
    };

    // The shaft stops inside the head so its round cap cannot poke past the tip.
    painter.setPen(strokePen(color, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(tail, back(angle, 0.55 * length));

    QPainterPath head;
    head.setFillRule(Qt::WindingFill);
    head.moveTo(tip);
    head.lineTo(back(angle - headAngle, length));
    head.lineTo(back(angle + headAngle, length));
    head.closeSubpath();
    painter.fillPath(head, color);
}

void drawShapeOn(QPainter& painter, const Geometry& geometry, const AnnotationShape& shape, int stepNumber) {
    const QColor color = HexColor::parse(shape.colorHex);
    const double width = strokeWidth(shape.lineWidth, geometry.size);
    const bool hasLine = shape.points.size() >= 2;

    painter.save();
    painter.setBrush(Qt::NoBrush);
    switch (shape.tool) {
    case AnnotationTool::pen:
        if (hasLine) {
            painter.setPen(strokePen(color, width));
            painter.drawPath(geometry.polyline(shape));
        }
        break;
    case AnnotationTool::arrow:
        if (hasLine)
            drawArrow(painter, geometry, shape, color, width);
        break;
    case AnnotationTool::rectangle:
        painter.setPen(strokePen(color, width));
        painter.drawRect(geometry.shapeRect(shape));
        break;
    case AnnotationTool::ellipse:
        painter.setPen(strokePen(color, width));
        painter.drawEllipse(geometry.shapeRect(shape));
        break;
    case AnnotationTool::highlight:
        if (hasLine) {
            QColor translucent = color;
            translucent.setAlphaF(highlightAlpha);
            // One path stroked once: where it crosses itself it does not darken twice.
            painter.setCompositionMode(QPainter::CompositionMode_Multiply);
            painter.setPen(strokePen(translucent, 4 * width, Qt::FlatCap));
            painter.drawPath(geometry.polyline(shape));
        }
        break;
    case AnnotationTool::text:
    case AnnotationTool::step:
        PlacedMarks::draw(painter, shape, geometry.size, stepNumber);
        break;
    case AnnotationTool::blur:
        break;
    }
    painter.restore();
}

} // namespace

void drawShape(QPainter& painter, const AnnotationShape& shape, QSize imageSize, int stepNumber) {
    drawShapeOn(painter, Geometry{imageSize}, shape, stepNumber);
}

QRect cropRect(const std::optional<QRectF>& crop, QSize imageSize) {
    if (!crop)
        return {};
    const QRectF pixels(crop->x() * imageSize.width(), crop->y() * imageSize.height(),
                        crop->width() * imageSize.width(), crop->height() * imageSize.height());
    if (!pixels.isValid() || !std::isfinite(pixels.right()) || !std::isfinite(pixels.bottom()))
        return {};
    const QRect whole = pixels.toRect() & QRect(QPoint(0, 0), imageSize);
    return whole.isEmpty() ? QRect() : whole;
}

double strokeWidth(double lineWidth, QSize imageSize) {
    const double width = std::max(imageSize.width(), imageSize.height()) * lineWidth;
    return std::isfinite(width) ? std::max(width, 1.0) : 1.0;
}

double arrowHeadLength(double strokeWidth) {
    return std::max(14.0, 4.5 * strokeWidth);
}

std::optional<QImage> render(const Annotation& annotation, const QImage& image) {
    if (annotation.isEmpty() || image.isNull())
        return std::nullopt;
    std::optional<QImage> marked = renderMarks(annotation, image);
    if (!marked)
        marked = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                               : QImage::Format_RGB32);
    const QRect crop = cropRect(annotation.crop, marked->size());
    if (!crop.isNull())
        return marked->copy(crop);
    return marked;
}

std::optional<QImage> renderMarks(const Annotation& annotation, const QImage& image) {
    if (annotation.shapes.isEmpty() || image.isNull())
        return std::nullopt;
    const QImage source = workingFormat(image);
    QList<Pixelation::Tile> tiles;
    for (const AnnotationShape& shape : annotation.shapes)
        if (shape.tool == AnnotationTool::blur) {
            const Pixelation::Tile place = Pixelation::layout(shape, source.size());
            tiles.append(Pixelation::average(source, place.area, place.grid));
        }
    // Not copied here: each band of the paint copies its own rows.
    QImage canvas = blankCanvasFor(source);
    if (canvas.isNull() || !paintMarks(canvas, source, annotation.shapes, tiles, canvas.rect()))
        return std::nullopt;
    return canvas;
}

QImage workingFormat(const QImage& image) {
    // Opaque screenshots stay opaque (and encode without an alpha channel);
    // both formats hold pixels as 0xAARRGGBB, which the pixelation relies on.
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

QImage canvasFor(const QImage& source) {
    QImage canvas = blankCanvasFor(source);
    if (!canvas.isNull())
        copyOpaque(source, canvas, canvas.rect());
    return canvas;
}

void copyOpaque(const QImage& source, QImage& canvas, const QRect& rect) {
    const QRect area = rect & source.rect() & canvas.rect();
    if (area.isEmpty())
        return;
    // Screen grabs arrive as RGB32 whose unused byte is 0, not 0xFF; blend
    // modes that read the destination's alpha (the highlight's multiply)
    // would then turn colours inside out.
    const bool opaque = canvas.format() == QImage::Format_RGB32;
    const int left = area.left();
    const int width = area.width();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb* from = reinterpret_cast<const QRgb*>(source.constScanLine(y)) + left;
        QRgb* to = reinterpret_cast<QRgb*>(canvas.scanLine(y)) + left;
        if (opaque) {
            copyRowOpaque(from, to, width);
        } else {
            std::memcpy(to, from, size_t(width) * sizeof(QRgb));
        }
    }
}

namespace {

// Paints the marks inside `clip` on a canvas of its own over `pixels`: each
// band of a split paint has its own painter, and the bands share no row.
bool paintBand(const QImage& canvas, uchar* pixels, const QImage& source, const QList<AnnotationShape>& shapes,
               const QList<Pixelation::Tile>& tiles, const QRect& clip) {
    QImage band(pixels, canvas.width(), canvas.height(), canvas.bytesPerLine(), canvas.format());
    band.setDevicePixelRatio(canvas.devicePixelRatio());
    copyOpaque(source, band, clip);
    for (const Pixelation::Tile& tile : tiles)
        Pixelation::paint(band, tile, clip);

    QPainter painter(&band);
    if (!painter.isActive())
        return false;
    painter.setRenderHint(QPainter::Antialiasing);
    const bool partial = clip != band.rect();
    if (partial)
        painter.setClipRect(clip);
    const Geometry geometry{band.size()};
    const QList<int> stepNumbers = PlacedMarks::stepNumbers(shapes);
    for (qsizetype index = 0; index < shapes.size(); ++index) {
        const AnnotationShape& shape = shapes[index];
        if (shape.tool == AnnotationTool::blur || (partial && !paintBounds(shape, band.size()).intersects(clip)))
            continue;
        drawShapeOn(painter, geometry, shape, stepNumbers[index]);
    }
    return true;
}

} // namespace

bool paintMarks(QImage& canvas, const QImage& source, const QList<AnnotationShape>& shapes,
                const QList<Pixelation::Tile>& tiles, const QRect& clip) {
    uchar* pixels = canvas.bits();
    if (!pixels)
        return false;
    // Below this many pixels a second thread costs more than it saves.
    constexpr qint64 splitArea = 512 * 1024;
    const QRect area = clip & canvas.rect();
    // Glyphs drawn off the GUI thread come out a shade different (each
    // thread has font engines of its own), so marks with text paint in one go.
    const bool hasText = std::any_of(shapes.begin(), shapes.end(), [](const AnnotationShape& shape) {
        return shape.tool == AnnotationTool::text || shape.tool == AnnotationTool::step;
    });
    QThreadPool* pool = QThreadPool::globalInstance();
    if (hasText || qint64(area.width()) * area.height() < splitArea || pool->maxThreadCount() < 2)
        return paintBand(canvas, pixels, source, shapes, tiles, area);
    // A clip cuts antialiased edges exactly where a whole paint would have
    // drawn them, so two bands give the very pixels one paint gives.
    const int middle = area.top() + area.height() / 2;
    const QRect top(area.left(), area.top(), area.width(), middle - area.top());
    const QRect bottom(area.left(), middle, area.width(), area.bottom() + 1 - middle);
    bool upper = false;
    bool lower = false;
    runAlongside([&] { lower = paintBand(canvas, pixels, source, shapes, tiles, bottom); },
                 [&] { upper = paintBand(canvas, pixels, source, shapes, tiles, top); });
    return upper && lower;
}

QRect paintBounds(const AnnotationShape& shape, QSize imageSize) {
    const Geometry geometry{imageSize};
    if (shape.points.isEmpty())
        return {};
    QRectF reach;
    double pad = 0;
    switch (shape.tool) {
    case AnnotationTool::blur:
        return Pixelation::area(shape, imageSize);
    case AnnotationTool::text:
    case AnnotationTool::step:
        // Glyphs may overhang their advance, and both carry a halo.
        reach = PlacedMarks::bounds(shape, imageSize);
        pad = std::max(reach.height(), 8.0) / 2;
        break;
    case AnnotationTool::arrow:
        reach = geometry.shapeRect(shape);
        pad = arrowHeadLength(strokeWidth(shape.lineWidth, imageSize));
        break;
    case AnnotationTool::rectangle:
    case AnnotationTool::ellipse:
        reach = geometry.shapeRect(shape);
        pad = strokeWidth(shape.lineWidth, imageSize) / 2;
        break;
    case AnnotationTool::pen:
    case AnnotationTool::highlight: {
        double left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
        for (const AnnotationPoint& point : shape.points) {
            const QPointF p = geometry.map(point);
            left = std::min(left, p.x());
            top = std::min(top, p.y());
            right = std::max(right, p.x());
            bottom = std::max(bottom, p.y());
        }
        reach = QRectF(QPointF(left, top), QPointF(right, bottom));
        pad = strokeWidth(shape.lineWidth, imageSize) * (shape.tool == AnnotationTool::highlight ? 2 : 0.5);
        break;
    }
    }
    // Antialiasing reaches a pixel further; rounding outward adds the rest.
    const QRectF padded = reach.normalized().adjusted(-pad - 2, -pad - 2, pad + 2, pad + 2);
    if (!std::isfinite(padded.left()) || !std::isfinite(padded.top()) || !std::isfinite(padded.right()) ||
        !std::isfinite(padded.bottom()))
        return QRect(QPoint(0, 0), imageSize);
    const double w = imageSize.width(), h = imageSize.height();
    const double left = std::clamp(std::floor(padded.left()), 0.0, w);
    const double top = std::clamp(std::floor(padded.top()), 0.0, h);
    const double right = std::clamp(std::ceil(padded.right()), 0.0, w);
    const double bottom = std::clamp(std::ceil(padded.bottom()), 0.0, h);
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

} // namespace AnnotationRenderer
