#include "markup/AnnotationCanvas.h"

#include "markup/AnnotationEditorModel.h"
#include "markup/AnnotationRenderer.h"
#include "markup/ShapeCreation.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

AnnotationCanvas::AnnotationCanvas(AnnotationEditorModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setObjectName("markupCanvas");
    setCursor(Qt::CrossCursor);
    setMinimumSize(200, 150);
    connect(&model_, &AnnotationEditorModel::shapesChanged, this, qOverload<>(&QWidget::update));
    connect(&model_, &AnnotationEditorModel::draftChanged, this, qOverload<>(&QWidget::update));
}

QRectF AnnotationCanvas::imageFrame() const {
    const QImage& image = model_.preview();
    const double w = width();
    const double h = height();
    if (w <= 0 || h <= 0 || image.isNull())
        return {};
    const double aspect = double(image.width()) / std::max(image.height(), 1);
    const QSizeF size = aspect < w / h ? QSizeF(h * aspect, h) : QSizeF(w, w / aspect);
    return QRectF(QPointF((w - size.width()) / 2, (h - size.height()) / 2), size);
}

void AnnotationCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF frame = imageFrame();
    if (frame.isEmpty())
        return;
    // Drawn at the screen's own resolution: on a scaled display the frame
    // covers more device pixels than logical ones.
    const qreal ratio = devicePixelRatioF();
    const QPixmap& preview = scaledPreview((frame.size() * ratio).toSize());
    painter.drawPixmap(QRectF(frame.topLeft(), QSizeF(preview.size()) / ratio), preview, QRectF(preview.rect()));
    paintDraft(painter, frame);
}

const QPixmap& AnnotationCanvas::scaledPreview(const QSize& devicePixels) {
    const QImage& preview = model_.preview();
    if (scaledFrom_ != preview.cacheKey() || scaled_.size() != devicePixels) {
        scaled_ = QPixmap::fromImage(preview.scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        scaled_.setDevicePixelRatio(devicePixelRatioF());
        scaledFrom_ = preview.cacheKey();
    }
    return scaled_;
}

void AnnotationCanvas::paintDraft(QPainter& painter, const QRectF& frame) const {
    const std::optional<AnnotationShape>& draft = model_.draft();
    if (!draft || draft->points.size() < 2)
        return;
    const QSize imageSize = model_.preview().size();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(frame.topLeft());
    painter.scale(frame.width() / imageSize.width(), frame.height() / imageSize.height());
    if (draft->tool == AnnotationTool::blur) {
        // Pixelation shows once the drag ends; until then the area is outlined.
        const AnnotationPoint p = draft->points.front();
        const AnnotationPoint q = draft->points.back();
        const QRectF area(QPointF(p.x * imageSize.width(), p.y * imageSize.height()),
                          QPointF(q.x * imageSize.width(), q.y * imageSize.height()));
        QPen outline(QColor(255, 255, 255, 220), 0, Qt::DashLine);
        outline.setCosmetic(true);
        painter.setPen(outline);
        painter.setBrush(QColor(0, 0, 0, 70));
        painter.drawRect(area.normalized());
    } else {
        AnnotationRenderer::drawShape(painter, *draft, imageSize);
    }
    painter.restore();
}

void AnnotationCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const std::optional<AnnotationPoint> point = ShapeCreation::pointInFrame(event->position(), imageFrame());
    if (!point)
        return;
    dragging_ = true;
    model_.beginDrag(*point);
}

void AnnotationCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return;
    if (const std::optional<AnnotationPoint> point = ShapeCreation::pointInFrame(event->position(), imageFrame()))
        model_.moveDrag(*point);
}

void AnnotationCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton)
        return;
    dragging_ = false;
    // The release point counts too: a quick drag may report no movement.
    if (const std::optional<AnnotationPoint> point = ShapeCreation::pointInFrame(event->position(), imageFrame()))
        model_.moveDrag(*point);
    model_.endDrag();
}
