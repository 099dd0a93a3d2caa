#pragma once

#include <QPixmap>
#include <QRectF>
#include <QWidget>

class AnnotationEditorModel;

// Shows the preview aspect-fit and centred, turns pointer drags into shapes
// and draws the shape being dragged live over it.
class AnnotationCanvas : public QWidget {
    Q_OBJECT
public:
    explicit AnnotationCanvas(AnnotationEditorModel& model, QWidget* parent = nullptr);

    // Where the image is shown, in widget coordinates; empty when there is no room.
    QRectF imageFrame() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void paintDraft(QPainter& painter, const QRectF& frame) const;
    // The preview scaled once to the frame's device pixels, so repainting
    // for every pointer movement is a plain copy.
    const QPixmap& scaledPreview(const QSize& devicePixels);

    AnnotationEditorModel& model_;
    QPixmap scaled_;
    qint64 scaledFrom_ = 0;
    bool dragging_ = false;
};
