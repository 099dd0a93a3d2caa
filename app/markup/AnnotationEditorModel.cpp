#include "markup/AnnotationEditorModel.h"

#include "capture/ImageWriter.h"
#include "markup/AnnotationPalette.h"
#include "markup/AnnotationRenderer.h"
#include "markup/MarkGeometry.h"
#include "markup/ShapeCreation.h"
#include "markup/StrokeSimplifier.h"

#include <QSettings>

#include <algorithm>
#include <cmath>

namespace {

// A press closer than this many working pixels to a mark or handle grabs it.
constexpr double grabPixels = 10;

QRectF spanned(AnnotationPoint a, AnnotationPoint b) {
    return QRectF(QPointF(std::min(a.x, b.x), std::min(a.y, b.y)), QPointF(std::max(a.x, b.x), std::max(a.y, b.y)));
}

} // namespace

AnnotationEditorModel::AnnotationEditorModel(QSettings& settings, const QImage& original, const Annotation& initial,
                                             QObject* parent)
    : QObject(parent),
      settings_(settings),
      original_(original),
      working_(ImageWriter::downscale(original, workingEdge).value_or(original)),
      preview_(working_),
      initial_(initial),
      current_(initial),
      toolRaw_(settings.value(toolKey, AnnotationTools::rawValue(AnnotationTool::pen)).toString()),
      colorHex_(settings.value(colorKey, AnnotationPalette::defaultColor()).toString()),
      widthIndex_(settings.value(widthKey, AnnotationPalette::defaultWidthIndex).toInt()) {
    refreshPreview();
}

QImage AnnotationEditorModel::markedCopy() const {
    return AnnotationRenderer::render(current_, original_).value_or(original_);
}

AnnotationEditorModel::Mode AnnotationEditorModel::mode() const {
    if (toolRaw_ == QLatin1String(selectTool))
        return Mode::select;
    if (toolRaw_ == QLatin1String(cropTool))
        return Mode::crop;
    return Mode::draw;
}

AnnotationTool AnnotationEditorModel::tool() const {
    return ShapeCreation::toolFromPreference(toolRaw_);
}

void AnnotationEditorModel::setTool(AnnotationTool tool) {
    toolRaw_ = AnnotationTools::rawValue(tool);
    settings_.setValue(toolKey, toolRaw_);
    emit styleChanged();
}

void AnnotationEditorModel::setMode(Mode mode) {
    if (mode == Mode::draw) {
        setTool(tool());
        return;
    }
    toolRaw_ = QString::fromLatin1(mode == Mode::select ? selectTool : cropTool);
    settings_.setValue(toolKey, toolRaw_);
    emit styleChanged();
}

void AnnotationEditorModel::setColorHex(const QString& colorHex) {
    colorHex_ = colorHex;
    settings_.setValue(colorKey, colorHex_);
    const std::optional<qsizetype> index = selectedIndex();
    if (index && current_.shapes[*index].tool != AnnotationTool::blur) {
        Annotation next = current_;
        next.shapes[*index].colorHex = colorHex;
        if (next != current_) {
            remember(current_);
            replaceShapes(next);
        }
    }
    emit styleChanged();
}

void AnnotationEditorModel::setWidthIndex(int index) {
    widthIndex_ = index;
    settings_.setValue(widthKey, widthIndex_);
    if (const std::optional<qsizetype> selected = selectedIndex()) {
        Annotation next = current_;
        next.shapes[*selected].lineWidth = AnnotationPalette::widthValue(index);
        if (next != current_) {
            remember(current_);
            replaceShapes(next);
        }
    }
    emit styleChanged();
}

QString AnnotationEditorModel::hint() const {
    if (mode() == Mode::select)
        return tr("Click a mark to select it; drag to move it, drag a corner to resize it, Delete removes it.");
    if (mode() == Mode::crop)
        return tr("Drag to choose what the marked copy keeps; the original stays whole. Click to remove the crop.");
    switch (tool()) {
    case AnnotationTool::pen:
        return tr("Drag to draw freehand.");
    case AnnotationTool::highlight:
        return tr("Drag across text to highlight it.");
    case AnnotationTool::blur:
        return tr("Drag over anything you don't want an agent to see — it's pixelated for real, not covered up.");
    case AnnotationTool::arrow:
        return tr("Drag to place an arrow.");
    case AnnotationTool::rectangle:
        return tr("Drag to place a box.");
    case AnnotationTool::ellipse:
        return tr("Drag to place a circle.");
    case AnnotationTool::text:
        return tr("Click where the label goes, type it, then press Enter.");
    case AnnotationTool::step:
        return tr("Click to number the next step.");
    }
    return {};
}

double AnnotationEditorModel::tolerance() const {
    return grabPixels / std::max(1, std::max(working_.width(), working_.height()));
}

std::optional<qsizetype> AnnotationEditorModel::selectedIndex() const {
    if (!selectedId_)
        return std::nullopt;
    for (qsizetype index = 0; index < current_.shapes.size(); ++index)
        if (current_.shapes[index].id == *selectedId_)
            return index;
    return std::nullopt;
}

void AnnotationEditorModel::select(const std::optional<QString>& id) {
    if (selectedId_ == id)
        return;
    selectedId_ = id;
    emit selectionChanged();
}

void AnnotationEditorModel::beginDrag(AnnotationPoint start) {
    gesture_ = Gesture{};
    gesture_->start = start;
    gesture_->before = current_;
    gesture_->pressed = MarkGeometry::hit(current_.shapes, start, working_.size(), tolerance());
    if (draft_ || draftCrop_) {
        draft_.reset();
        draftCrop_.reset();
        emit draftChanged();
    }

    if (const std::optional<qsizetype> selected = selectedIndex()) {
        const AnnotationShape& shape = current_.shapes[*selected];
        const QRectF bounds = MarkGeometry::bounds(shape, working_.size());
        const std::optional<MarkGeometry::Corner> corner =
            MarkGeometry::isResizable(shape) ? MarkGeometry::handleAt(bounds, start, tolerance())
                                             : std::nullopt;
        if (corner) {
            gesture_->kind = Gesture::Kind::resize;
            gesture_->fromBounds = bounds;
            // The corner across from the grabbed one stays put.
            const QRectF flipped(bounds.bottomRight(), bounds.topLeft());
            gesture_->fixedCorner = MarkGeometry::cornerOf(flipped, *corner);
            return;
        }
        if (gesture_->pressed == selected) {
            gesture_->kind = Gesture::Kind::move;
            return;
        }
    }
    switch (mode()) {
    case Mode::select:
        select(gesture_->pressed ? std::optional(current_.shapes[*gesture_->pressed].id) : std::nullopt);
        gesture_->kind = gesture_->pressed ? Gesture::Kind::move : Gesture::Kind::none;
        break;
    case Mode::crop:
        select(std::nullopt);
        gesture_->kind = Gesture::Kind::crop;
        break;
    case Mode::draw:
        select(std::nullopt);
        gesture_->kind = AnnotationTools::isPlaced(tool()) ? Gesture::Kind::none : Gesture::Kind::create;
        break;
    }
}

void AnnotationEditorModel::moveDrag(AnnotationPoint current) {
    if (!gesture_)
        return;
    switch (gesture_->kind) {
    case Gesture::Kind::create:
        if (draft_)
            ShapeCreation::extend(*draft_, current);
        else if (current != gesture_->start)
            draft_ = ShapeCreation::begin(tool(), colorHex_, widthIndex_, gesture_->start, current);
        else
            return;
        emit draftChanged();
        break;
    case Gesture::Kind::crop:
        if (current == gesture_->start && !draftCrop_)
            return;
        draftCrop_ = spanned(gesture_->start, current);
        emit draftChanged();
        break;
    case Gesture::Kind::move:
    case Gesture::Kind::resize:
        moveOrResize(current);
        break;
    case Gesture::Kind::none:
        break;
    }
}

void AnnotationEditorModel::moveOrResize(AnnotationPoint current) {
    const std::optional<qsizetype> index = selectedIndex();
    if (!index)
        return;
    const AnnotationShape& original = gesture_->before.shapes[*index];
    Annotation next = current_;
    if (gesture_->kind == Gesture::Kind::move) {
        next.shapes[*index] =
            MarkGeometry::moved(original, current.x - gesture_->start.x, current.y - gesture_->start.y);
    } else {
        const QRectF to = spanned({gesture_->fixedCorner.x(), gesture_->fixedCorner.y()}, current);
        next.shapes[*index] = MarkGeometry::resized(original, gesture_->fromBounds, to);
    }
    if (next == current_)
        return;
    gesture_->changed = true;
    replaceShapes(next);
}

void AnnotationEditorModel::endDrag() {
    if (!gesture_)
        return;
    const Gesture gesture = *std::exchange(gesture_, std::nullopt);
    switch (gesture.kind) {
    case Gesture::Kind::create:
        if (!draft_) {
            finishClick(gesture);
            break;
        }
        if (const AnnotationShape finished = StrokeSimplifier::simplifiedStroke(*draft_);
            ShapeCreation::shouldKeep(finished)) {
            remember(current_);
            Annotation next = current_;
            next.shapes.append(finished);
            replaceShapes(next);
        }
        break;
    case Gesture::Kind::crop:
        if (!draftCrop_) {
            // A click with the crop tool gives the whole image back.
            if (current_.crop) {
                remember(current_);
                replaceShapes(Annotation{current_.shapes, std::nullopt});
            }
        } else if (draftCrop_->width() > ShapeCreation::minimumExtent &&
                   draftCrop_->height() > ShapeCreation::minimumExtent) {
            remember(current_);
            replaceShapes(Annotation{current_.shapes, *draftCrop_});
        }
        break;
    case Gesture::Kind::move:
    case Gesture::Kind::resize:
        if (gesture.changed) {
            history_.append(gesture.before);
            future_.clear();
            emit shapesChanged();
        }
        break;
    case Gesture::Kind::none:
        finishClick(gesture);
        break;
    }
    draft_.reset();
    draftCrop_.reset();
    emit draftChanged();
}

void AnnotationEditorModel::finishClick(const Gesture& gesture) {
    // A click on a mark selects it, whatever the tool; elsewhere the placing tools place.
    if (gesture.pressed) {
        select(current_.shapes[*gesture.pressed].id);
        return;
    }
    if (mode() != Mode::draw)
        return;
    if (tool() == AnnotationTool::step) {
        remember(current_);
        Annotation next = current_;
        next.shapes.append(ShapeCreation::begin(AnnotationTool::step, colorHex_, widthIndex_, gesture.start,
                                                gesture.start));
        replaceShapes(next);
    } else if (tool() == AnnotationTool::text) {
        emit textRequested(gesture.start);
    }
}

void AnnotationEditorModel::deleteSelected() {
    const std::optional<qsizetype> index = selectedIndex();
    if (!index)
        return;
    remember(current_);
    Annotation next = current_;
    next.shapes.removeAt(*index);
    select(std::nullopt);
    replaceShapes(next);
}

void AnnotationEditorModel::nudgeSelected(double dx, double dy) {
    const std::optional<qsizetype> index = selectedIndex();
    if (!index)
        return;
    Annotation next = current_;
    next.shapes[*index] = MarkGeometry::moved(next.shapes[*index], dx, dy);
    if (next == current_)
        return;
    remember(current_);
    replaceShapes(next);
}

void AnnotationEditorModel::addText(AnnotationPoint at, const QString& text) {
    const QString words = text.trimmed();
    if (words.isEmpty())
        return;
    AnnotationShape label = ShapeCreation::begin(AnnotationTool::text, colorHex_, widthIndex_, at, at);
    label.text = words;
    remember(current_);
    Annotation next = current_;
    next.shapes.append(label);
    replaceShapes(next);
}

void AnnotationEditorModel::undo() {
    if (history_.isEmpty())
        return;
    future_.append(current_);
    current_ = history_.takeLast();
    refreshPreview();
    emit shapesChanged();
}

void AnnotationEditorModel::redo() {
    if (future_.isEmpty())
        return;
    history_.append(current_);
    current_ = future_.takeLast();
    refreshPreview();
    emit shapesChanged();
}

void AnnotationEditorModel::clearAll() {
    if (current_.isEmpty() && history_.isEmpty() && future_.isEmpty())
        return;
    current_ = Annotation{};
    history_.clear();
    future_.clear();
    select(std::nullopt);
    refreshPreview();
    emit shapesChanged();
}

void AnnotationEditorModel::remember(const Annotation& before) {
    history_.append(before);
    future_.clear();
}

void AnnotationEditorModel::replaceShapes(const Annotation& next) {
    current_ = next;
    if (!selectedIndex() && selectedId_)
        select(std::nullopt);
    refreshPreview();
    emit shapesChanged();
}

void AnnotationEditorModel::refreshPreview() {
    preview_.update(current_.shapes);
}
