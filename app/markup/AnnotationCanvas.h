#pragma once

#include "markup/AnnotationPoint.h"

#include <QPixmap>
#include <QPointer>
#include <QRectF>
#include <QWidget>

class AnnotationEditorModel;
class TextMarkEditor;

// Shows the preview aspect-fit and centred, turns pointer drags into marks,
// and draws over it what is not rendered yet: the mark being dragged, the
// crop, the selected mark's outline and handles, and the label being typed.
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
    void keyPressEvent(QKeyEvent* event) override;

private:
    void paintDraft(QPainter& painter, const QRectF& frame) const;
    void paintCrop(QPainter& painter, const QRectF& frame) const;
    void paintSelection(QPainter& painter, const QRectF& frame) const;
    void editText(AnnotationPoint at);
    QRectF toFrame(const QRectF& fractions, const QRectF& frame) const;
    // The preview scaled once to the frame's device pixels, so repainting
    // for every pointer movement is a plain copy.
    const QPixmap& scaledPreview(const QSize& devicePixels);

    AnnotationEditorModel& model_;
    QPixmap scaled_;
    qint64 scaledFrom_ = 0;
    bool dragging_ = false;
    QPointer<TextMarkEditor> textEditor_;
};
