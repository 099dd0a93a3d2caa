#include "AnnotationRenderer.h"

#include "HexColor.h"
#include "Pixelation.h"
#include "PlacedMarks.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace AnnotationRenderer {

namespace {

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

// Screen grabs arrive as RGB32 whose unused byte is 0, not 0xFF; blend
// modes that read the destination's alpha (the highlight's multiply) would
// then turn colours inside out.
void makeOpaque(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] |= 0xFF000000u;
    }
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

    // Opaque screenshots stay opaque (and encode without an alpha channel);
    // both formats hold pixels as 0xAARRGGBB, which the pixelation relies on.
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    QImage source = image.convertToFormat(format);
    if (format == QImage::Format_RGB32)
        makeOpaque(source);
    QImage canvas = source.copy();
    if (canvas.isNull())
        return std::nullopt;

    const Geometry geometry{canvas.size()};
    for (const AnnotationShape& shape : annotation.shapes) {
        if (shape.tool != AnnotationTool::blur)
            continue;
        const QRect area = Pixelation::area(shape, canvas.size());
        if (!area.isNull())
            Pixelation::pixelate(canvas, source, area, Pixelation::grid(shape, area.size(), canvas.size()));
    }

    QPainter painter(&canvas);
    if (!painter.isActive())
        return std::nullopt;
    painter.setRenderHint(QPainter::Antialiasing);
    const QList<int> stepNumbers = PlacedMarks::stepNumbers(annotation.shapes);
    for (qsizetype index = 0; index < annotation.shapes.size(); ++index)
        if (annotation.shapes[index].tool != AnnotationTool::blur)
            drawShapeOn(painter, geometry, annotation.shapes[index], stepNumbers[index]);
    painter.end();
    return canvas;
}

} // namespace AnnotationRenderer
