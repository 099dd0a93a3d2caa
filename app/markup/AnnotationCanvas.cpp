#include "markup/AnnotationCanvas.h"

#include "markup/AnnotationEditorModel.h"
#include "markup/AnnotationPalette.h"
#include "markup/AnnotationRenderer.h"
#include "markup/MarkGeometry.h"
#include "markup/PlacedMarks.h"
#include "markup/ShapeCreation.h"
#include "markup/HexColor.h"
#include "markup/TextMarkEditor.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr double handleSize = 8;

} // namespace

AnnotationCanvas::AnnotationCanvas(AnnotationEditorModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setObjectName("markupCanvas");
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(200, 150);
    connect(&model_, &AnnotationEditorModel::shapesChanged, this, qOverload<>(&QWidget::update));
    connect(&model_, &AnnotationEditorModel::draftChanged, this, qOverload<>(&QWidget::update));
    connect(&model_, &AnnotationEditorModel::selectionChanged, this, qOverload<>(&QWidget::update));
    connect(&model_, &AnnotationEditorModel::textRequested, this, &AnnotationCanvas::editText);
}

QRectF AnnotationCanvas::imageFrame() const {
    const QImage& image = model_.preview();
    const double w = width();
    const double h = height();
    if (w <= 0 || h <= 0 || image.isNull())
        return {};
    const double aspect = double(image.width()) / std::max(image.height(), 1);
    QSizeF size = aspect < w / h ? QSizeF(h * aspect, h) : QSizeF(w, w / aspect);
    // A small capture enlarged by a fraction smears (or jags) its pixels, text
    // most of all: it is shown at a whole multiple of its own pixels instead.
    const qreal ratio = devicePixelRatioF();
    const double enlargement = size.width() * ratio / image.width();
    if (enlargement > 1)
        size = QSizeF(image.size()) * std::floor(enlargement) / ratio;
    return QRectF(QPointF((w - size.width()) / 2, (h - size.height()) / 2), size);
}

QRectF AnnotationCanvas::toFrame(const QRectF& fractions, const QRectF& frame) const {
    return QRectF(frame.left() + fractions.left() * frame.width(), frame.top() + fractions.top() * frame.height(),
                  fractions.width() * frame.width(), fractions.height() * frame.height());
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
    paintCrop(painter, frame);
    paintDraft(painter, frame);
    paintSelection(painter, frame);
}

const QPixmap& AnnotationCanvas::scaledPreview(const QSize& devicePixels) {
    const QImage& preview = model_.preview();
    if (scaledFrom_ != preview.cacheKey() || scaled_.size() != devicePixels) {
        // Enlarged by a whole factor (see imageFrame), each pixel becomes a sharp square.
        const bool enlarging = devicePixels.width() > preview.width() || devicePixels.height() > preview.height();
        scaled_ = QPixmap::fromImage(preview.scaled(devicePixels, Qt::IgnoreAspectRatio,
                                                    enlarging ? Qt::FastTransformation : Qt::SmoothTransformation));
        scaled_.setDevicePixelRatio(devicePixelRatioF());
        scaledFrom_ = preview.cacheKey();
    }
    return scaled_;
}

void AnnotationCanvas::paintCrop(QPainter& painter, const QRectF& frame) const {
    const std::optional<QRectF>& crop = model_.draftCrop() ? model_.draftCrop() : model_.crop();
    if (!crop)
        return;
    const QRectF kept = toFrame(*crop, frame) & frame;
    QPainterPath outside;
    outside.addRect(frame);
    outside.addRect(kept);
    painter.save();
    painter.fillPath(outside, QColor(0, 0, 0, 140));
    QPen outline(QColor(255, 255, 255, 230), 0, Qt::DashLine);
    outline.setCosmetic(true);
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(kept);
    painter.restore();
}

void AnnotationCanvas::paintDraft(QPainter& painter, const QRectF& frame) const {
    const std::optional<AnnotationShape>& draft = model_.draft();
    if (!draft || draft->points.size() < 2)
        return;
    const QSize imageSize = model_.preview().size();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (draft->tool == AnnotationTool::blur) {
        // Pixelation shows once the drag ends; until then the area is outlined.
        const AnnotationPoint p = draft->points.front();
        const AnnotationPoint q = draft->points.back();
        QPen outline(QColor(255, 255, 255, 220), 0, Qt::DashLine);
        outline.setCosmetic(true);
        painter.setPen(outline);
        painter.setBrush(QColor(0, 0, 0, 70));
        painter.drawRect(toFrame(QRectF(QPointF(p.x, p.y), QPointF(q.x, q.y)).normalized(), frame));
    } else {
        painter.translate(frame.topLeft());
        painter.scale(frame.width() / imageSize.width(), frame.height() / imageSize.height());
        AnnotationRenderer::drawShape(painter, *draft, imageSize);
    }
    painter.restore();
}

void AnnotationCanvas::paintSelection(QPainter& painter, const QRectF& frame) const {
    const std::optional<qsizetype> index = model_.selectedIndex();
    if (!index)
        return;
    const AnnotationShape& shape = model_.shapes()[*index];
    const QRectF bounds = MarkGeometry::bounds(shape, model_.preview().size());
    const QRectF outline = toFrame(bounds, frame);
    const QColor accent = palette().color(QPalette::Highlight);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(accent, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(outline);
    if (MarkGeometry::isResizable(shape)) {
        painter.setPen(QPen(accent, 1.5));
        painter.setBrush(Qt::white);
        for (const QPointF corner :
             {outline.topLeft(), outline.topRight(), outline.bottomLeft(), outline.bottomRight()})
            painter.drawRect(QRectF(corner - QPointF(handleSize / 2, handleSize / 2), QSizeF(handleSize, handleSize)));
    }
    painter.restore();
}

void AnnotationCanvas::editText(AnnotationPoint at) {
    const QRectF frame = imageFrame();
    if (frame.isEmpty())
        return;
    if (textEditor_)
        textEditor_->clearFocus();
    auto* editor = new TextMarkEditor(this, [this, at](const QString& text) {
        model_.addText(at, text);
        setFocus();
    });
    // The field shows the label at the size it will be rendered.
    const QSize imageSize = model_.preview().size();
    QFont font = PlacedMarks::textFont(AnnotationShape{QString(), AnnotationTool::text, model_.colorHex(),
                                                       AnnotationPalette::widthValue(model_.widthIndex()), {at, at},
                                                       QString()},
                                       imageSize);
    font.setPixelSize(std::max(10, int(font.pixelSize() * frame.height() / imageSize.height())));
    editor->setFont(font);
    QPalette colours = editor->palette();
    colours.setColor(QPalette::Text, HexColor::parse(model_.colorHex()));
    colours.setColor(QPalette::Base, QColor(255, 255, 255, 200));
    editor->setPalette(colours);
    const QPointF topLeft(frame.left() + at.x * frame.width(), frame.top() + at.y * frame.height());
    editor->setGeometry(QRect(topLeft.toPoint(), QSize(std::max(160, int(frame.right() - topLeft.x())),
                                                       editor->sizeHint().height())));
    editor->show();
    editor->setFocus();
    textEditor_ = editor;
}

void AnnotationCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    setFocus();
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

void AnnotationCanvas::keyPressEvent(QKeyEvent* event) {
    if (!model_.selectedIndex()) {
        QWidget::keyPressEvent(event);
        return;
    }
    // One working pixel per press, ten with Shift.
    const QSize size = model_.preview().size();
    const double step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    const double dx = step / std::max(1, size.width());
    const double dy = step / std::max(1, size.height());
    switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        model_.deleteSelected();
        break;
    case Qt::Key_Left:
        model_.nudgeSelected(-dx, 0);
        break;
    case Qt::Key_Right:
        model_.nudgeSelected(dx, 0);
        break;
    case Qt::Key_Up:
        model_.nudgeSelected(0, -dy);
        break;
    case Qt::Key_Down:
        model_.nudgeSelected(0, dy);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
