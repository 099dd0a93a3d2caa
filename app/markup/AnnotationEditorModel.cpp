#include "markup/AnnotationEditorModel.h"

#include "capture/ImageWriter.h"
#include "markup/AnnotationPalette.h"
#include "markup/AnnotationRenderer.h"
#include "markup/ShapeCreation.h"
#include "markup/StrokeSimplifier.h"

#include <QSettings>

AnnotationEditorModel::AnnotationEditorModel(QSettings& settings, const QImage& original, const Annotation& initial,
                                             QObject* parent)
    : QObject(parent),
      settings_(settings),
      working_(ImageWriter::downscale(original, workingEdge).value_or(original)),
      shapes_(initial.shapes),
      toolRaw_(settings.value(toolKey, AnnotationTools::rawValue(AnnotationTool::pen)).toString()),
      colorHex_(settings.value(colorKey, AnnotationPalette::defaultColor()).toString()),
      widthIndex_(settings.value(widthKey, AnnotationPalette::defaultWidthIndex).toInt()) {
    refreshPreview();
}

AnnotationTool AnnotationEditorModel::tool() const {
    return ShapeCreation::toolFromPreference(toolRaw_);
}

void AnnotationEditorModel::setTool(AnnotationTool tool) {
    toolRaw_ = AnnotationTools::rawValue(tool);
    settings_.setValue(toolKey, toolRaw_);
    emit styleChanged();
}

void AnnotationEditorModel::setColorHex(const QString& colorHex) {
    colorHex_ = colorHex;
    settings_.setValue(colorKey, colorHex_);
    emit styleChanged();
}

void AnnotationEditorModel::setWidthIndex(int index) {
    widthIndex_ = index;
    settings_.setValue(widthKey, widthIndex_);
    emit styleChanged();
}

QString AnnotationEditorModel::hint() const {
    switch (const AnnotationTool selected = tool()) {
    case AnnotationTool::pen:
        return tr("Drag to draw freehand.");
    case AnnotationTool::highlight:
        return tr("Drag across text to highlight it.");
    case AnnotationTool::blur:
        return tr("Drag over anything you don't want an agent to see — it's pixelated for real, not covered up.");
    case AnnotationTool::arrow:
    case AnnotationTool::rectangle:
    case AnnotationTool::ellipse:
        return tr("Drag to place a %1.").arg(AnnotationTools::displayName(selected).toLower());
    }
    return {};
}

void AnnotationEditorModel::beginDrag(AnnotationPoint start) {
    dragStart_ = start;
    if (draft_) {
        draft_.reset();
        emit draftChanged();
    }
}

void AnnotationEditorModel::moveDrag(AnnotationPoint current) {
    if (!dragStart_)
        return;
    if (draft_)
        ShapeCreation::extend(*draft_, current);
    else
        draft_ = ShapeCreation::begin(tool(), colorHex_, widthIndex_, *dragStart_, current);
    emit draftChanged();
}

void AnnotationEditorModel::endDrag() {
    dragStart_.reset();
    if (!draft_)
        return;
    const AnnotationShape finished = StrokeSimplifier::simplifiedStroke(*draft_);
    draft_.reset();
    if (ShapeCreation::shouldKeep(finished)) {
        shapes_.append(finished);
        undone_.clear();
        refreshPreview();
        emit shapesChanged();
    }
    emit draftChanged();
}

void AnnotationEditorModel::undo() {
    if (shapes_.isEmpty())
        return;
    undone_.append(shapes_.takeLast());
    refreshPreview();
    emit shapesChanged();
}

void AnnotationEditorModel::redo() {
    if (undone_.isEmpty())
        return;
    shapes_.append(undone_.takeLast());
    refreshPreview();
    emit shapesChanged();
}

void AnnotationEditorModel::clearAll() {
    if (shapes_.isEmpty() && undone_.isEmpty())
        return;
    shapes_.clear();
    undone_.clear();
    refreshPreview();
    emit shapesChanged();
}

void AnnotationEditorModel::refreshPreview() {
    preview_ = AnnotationRenderer::render(annotation(), working_).value_or(working_);
}
