#pragma once

#include "markup/ToolChoices.h"

#include <QWidget>

#include <functional>

class AnnotationEditorModel;
class QAbstractButton;
class QButtonGroup;
class QLabel;

// The editor's content: the toolbar (tools, colours, widths, undo, redo,
// clear), the canvas, and the footer with the hint, Cancel and Save marks.
// Every decision is the model's; this only shows it and forwards input.
class AnnotationEditorView : public QWidget {
    Q_OBJECT
public:
    AnnotationEditorView(AnnotationEditorModel& model, std::function<void()> onSave, std::function<void()> onCancel,
                         QWidget* parent = nullptr);

    // Cancels, first asking whether unsaved marks may go. False when the
    // person chose to keep editing.
    bool requestCancel();

private:
    QWidget* makeToolbar();
    void choose(const ToolChoice& choice);
    void saveCopyAs();
    qsizetype currentChoice() const;
    QWidget* makeFooter();
    void syncWithModel();

    AnnotationEditorModel& model_;
    std::function<void()> onSave_;
    std::function<void()> onCancel_;
    QButtonGroup* tools_ = nullptr;
    QButtonGroup* colors_ = nullptr;
    QButtonGroup* widths_ = nullptr;
    QWidget* style_ = nullptr;
    QAbstractButton* undo_ = nullptr;
    QAbstractButton* redo_ = nullptr;
    QAbstractButton* clear_ = nullptr;
    QLabel* hint_ = nullptr;
};
