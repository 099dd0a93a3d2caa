#pragma once

#include "markup/Annotation.h"
#include "markup/MarkPreview.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class QSettings;

// The markup editor's state without any widget: the shapes and crop being
// edited, their undo history, the selected mark, the gesture in progress,
// the chosen tool, colour and width (kept in the settings so they outlive
// the window) and the rendered preview.
class AnnotationEditorModel : public QObject {
    Q_OBJECT
public:
    // Previews render on a copy no longer than this on its longest edge;
    // only saving renders the full-size original.
    static constexpr int workingEdge = 1600;

    static constexpr const char* toolKey = "markup.tool";
    static constexpr const char* colorKey = "markup.color";
    static constexpr const char* widthKey = "markup.width";
    // Stored in place of a shape tool's name for the two tools that make no shape.
    static constexpr const char* selectTool = "select";
    static constexpr const char* cropTool = "crop";

    enum class Mode { draw, select, crop };

    AnnotationEditorModel(QSettings& settings, const QImage& original, const Annotation& initial,
                          QObject* parent = nullptr);

    // The working copy with every finished shape rendered on it, uncropped:
    // the canvas shows the crop over it.
    const QImage& preview() const { return preview_.image(); }
    const QList<AnnotationShape>& shapes() const { return current_.shapes; }
    const std::optional<QRectF>& crop() const { return current_.crop; }
    const std::optional<AnnotationShape>& draft() const { return draft_; }
    const std::optional<QRectF>& draftCrop() const { return draftCrop_; }
    Annotation annotation() const { return current_; }
    // The full-size marked copy as saving would make it (the original when there are no marks).
    QImage markedCopy() const;
    QSettings& settings() const { return settings_; }
    // Whether saving now would store something other than what was opened.
    bool isModified() const { return current_ != initial_; }

    Mode mode() const;
    AnnotationTool tool() const;
    QString colorHex() const { return colorHex_; }
    int widthIndex() const { return widthIndex_; }
    void setTool(AnnotationTool tool);
    void setMode(Mode mode);
    void setColorHex(const QString& colorHex);
    void setWidthIndex(int index);

    // Blur has no colour; the width is its strength.
    bool colorEnabled() const { return mode() != Mode::draw || tool() != AnnotationTool::blur; }
    bool canUndo() const { return !history_.isEmpty(); }
    bool canRedo() const { return !future_.isEmpty(); }
    bool canClear() const { return !current_.isEmpty(); }
    // What the selected tool does, shown under the canvas.
    QString hint() const;

    // A press, its movements and its release over the image, in image
    // fractions. What they do depends on the tool and on where the press
    // lands: on the selected mark's handle it resizes it, on the selected
    // mark it moves it, and a click on a mark selects it.
    void beginDrag(AnnotationPoint start);
    void moveDrag(AnnotationPoint current);
    void endDrag();

    std::optional<qsizetype> selectedIndex() const;
    const std::optional<QString>& selectedId() const { return selectedId_; }
    void select(const std::optional<QString>& id);
    // Both are undoable; nudging moves by fractions of the image.
    void deleteSelected();
    void nudgeSelected(double dx, double dy);
    // Finishes the label the text tool started; empty text adds nothing.
    void addText(AnnotationPoint at, const QString& text);
    // How close, in fractions of the working image, a press must land to a mark or handle.
    double tolerance() const;

    void undo();
    void redo();
    // Not undoable: the shapes, the crop and the history are all emptied.
    void clearAll();

signals:
    // The shapes, the crop (and with them the preview) or the history changed.
    void shapesChanged();
    void draftChanged();
    void styleChanged();
    void selectionChanged();
    // The text tool was clicked at `at`: the view asks for the words in place.
    void textRequested(AnnotationPoint at);

private:
    // One press-drag-release and what it is doing.
    struct Gesture {
        enum class Kind { create, move, resize, crop, none } kind = Kind::none;
        AnnotationPoint start;
        // The mark under the press, which a click selects.
        std::optional<qsizetype> pressed;
        Annotation before;
        QRectF fromBounds;
        QPointF fixedCorner;
        bool changed = false;
    };

    void moveOrResize(AnnotationPoint current);
    void finishClick(const Gesture& gesture);
    // Keeps the state before a change, for undo; a new change forgets the redo history.
    void remember(const Annotation& before);
    void replaceShapes(const Annotation& next);
    void refreshPreview();

    QSettings& settings_;
    QImage original_;
    QImage working_;
    MarkPreview preview_;
    Annotation initial_;
    Annotation current_;
    QList<Annotation> history_;
    QList<Annotation> future_;
    std::optional<QString> selectedId_;
    std::optional<Gesture> gesture_;
    std::optional<AnnotationShape> draft_;
    std::optional<QRectF> draftCrop_;
    QString toolRaw_;
    QString colorHex_;
    int widthIndex_;
};
