#pragma once

#include "markup/Annotation.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class QSettings;

// The markup editor's state without any widget: the shapes being edited, the
// redo stack, the shape under the pointer, the chosen tool, colour and width
// (kept in the settings so they outlive the window) and the rendered preview.
class AnnotationEditorModel : public QObject {
    Q_OBJECT
public:
    // Previews render on a copy no longer than this on its longest edge;
    // only saving renders the full-size original.
    static constexpr int workingEdge = 1600;

    static constexpr const char* toolKey = "markup.tool";
    static constexpr const char* colorKey = "markup.color";
    static constexpr const char* widthKey = "markup.width";

    AnnotationEditorModel(QSettings& settings, const QImage& original, const Annotation& initial,
                          QObject* parent = nullptr);

    // The working copy with every finished shape rendered on it.
    const QImage& preview() const { return preview_; }
    const QList<AnnotationShape>& shapes() const { return shapes_; }
    const QList<AnnotationShape>& undone() const { return undone_; }
    const std::optional<AnnotationShape>& draft() const { return draft_; }
    Annotation annotation() const { return Annotation{shapes_}; }

    AnnotationTool tool() const;
    QString colorHex() const { return colorHex_; }
    int widthIndex() const { return widthIndex_; }
    void setTool(AnnotationTool tool);
    void setColorHex(const QString& colorHex);
    void setWidthIndex(int index);

    // Blur has no colour and ignores the width, so their controls rest.
    bool styleEnabled() const { return tool() != AnnotationTool::blur; }
    bool canUndo() const { return !shapes_.isEmpty(); }
    bool canRedo() const { return !undone_.isEmpty(); }
    bool canClear() const { return !shapes_.isEmpty(); }
    // What the selected tool does, shown under the canvas.
    QString hint() const;

    // A drag over the image, in image fractions. The first movement makes
    // the shape; a drag that never moves makes nothing.
    void beginDrag(AnnotationPoint start);
    void moveDrag(AnnotationPoint current);
    void endDrag();

    void undo();
    void redo();
    // Not undoable: both the shapes and the redo stack are emptied.
    void clearAll();

signals:
    // The shapes (and with them the preview) or the redo stack changed.
    void shapesChanged();
    void draftChanged();
    void styleChanged();

private:
    void refreshPreview();

    QSettings& settings_;
    QImage working_;
    QImage preview_;
    QList<AnnotationShape> shapes_;
    QList<AnnotationShape> undone_;
    std::optional<AnnotationPoint> dragStart_;
    std::optional<AnnotationShape> draft_;
    QString toolRaw_;
    QString colorHex_;
    int widthIndex_;
};
