#include "PlacedMarks.h"

#include "HexColor.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace PlacedMarks {

namespace {

// Multiples of the stored stroke width: the medium width gives a 26-pixel
// label and a 38-pixel step on a 1280-pixel screenshot.
constexpr double textPerWidth = 4.0;
constexpr double stepPerWidth = 6.0;
constexpr double smallestText = 12.0;
constexpr double smallestStep = 20.0;

double scaled(const AnnotationShape& shape, QSize imageSize, double factor, double floor) {
    const double value = std::max(imageSize.width(), imageSize.height()) * shape.lineWidth * factor;
    return std::isfinite(value) ? std::clamp(value, floor, 4096.0) : floor;
}

QPointF anchor(const AnnotationShape& shape, QSize imageSize) {
    const AnnotationPoint& point = shape.points.front();
    return {point.x * imageSize.width(), point.y * imageSize.height()};
}

// Labels keep a thin outline in the opposite lightness, so they read over any screenshot.
QColor haloFor(const QColor& color) {
    return color.lightnessF() > 0.6 ? QColor(0, 0, 0, 200) : QColor(255, 255, 255, 230);
}

} // namespace

QFont textFont(const AnnotationShape& shape, QSize imageSize) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(int(std::lround(scaled(shape, imageSize, textPerWidth, smallestText))));
    return font;
}

double stepDiameter(const AnnotationShape& shape, QSize imageSize) {
    return scaled(shape, imageSize, stepPerWidth, smallestStep);
}

QRectF bounds(const AnnotationShape& shape, QSize imageSize) {
    if (shape.points.isEmpty())
        return {};
    const QPointF at = anchor(shape, imageSize);
    if (shape.tool == AnnotationTool::step) {
        const double radius = stepDiameter(shape, imageSize) / 2;
        return QRectF(at - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    }
    if (!QGuiApplication::instance())
        return QRectF(at, QSizeF(1, 1));
    const QFontMetricsF metrics(textFont(shape, imageSize));
    return QRectF(at, QSizeF(std::max(metrics.horizontalAdvance(shape.text), metrics.averageCharWidth()),
                             metrics.height()));
}

QList<int> stepNumbers(const QList<AnnotationShape>& shapes) {
    QList<int> numbers;
    int next = 1;
    for (const AnnotationShape& shape : shapes)
        numbers.append(shape.tool == AnnotationTool::step ? next++ : 0);
    return numbers;
}

void draw(QPainter& painter, const AnnotationShape& shape, QSize imageSize, int stepNumber) {
    if (shape.points.size() < 2)
        return;
    // Fonts come from the GUI application; a process without one draws the step's circle alone.
    const bool hasFonts = QGuiApplication::instance() != nullptr;
    const QColor color = HexColor::parse(shape.colorHex);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (shape.tool == AnnotationTool::step) {
        const QRectF circle = bounds(shape, imageSize);
        painter.setPen(QPen(haloFor(color), std::max(1.0, circle.width() / 16)));
        painter.setBrush(color);
        painter.drawEllipse(circle);
        if (!hasFonts) {
            painter.restore();
            return;
        }
        QFont font = textFont(shape, imageSize);
        font.setPixelSize(std::max(8, int(circle.height() * 0.55)));
        painter.setFont(font);
        painter.setPen(color.lightnessF() > 0.6 ? QColor(0x1C, 0x1C, 0x1E) : QColor(Qt::white));
        painter.drawText(circle, Qt::AlignCenter, QString::number(stepNumber));
    } else if (shape.tool == AnnotationTool::text && !shape.text.isEmpty() && hasFonts) {
        const QFont font = textFont(shape, imageSize);
        QPainterPath path;
        path.addText(anchor(shape, imageSize) + QPointF(0, QFontMetricsF(font).ascent()), font, shape.text);
        painter.strokePath(path, QPen(haloFor(color), std::max(1.0, font.pixelSize() / 8.0), Qt::SolidLine,
                                      Qt::RoundCap, Qt::RoundJoin));
        painter.fillPath(path, color);
    }
    painter.restore();
}

} // namespace PlacedMarks
