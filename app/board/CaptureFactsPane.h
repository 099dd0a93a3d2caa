#pragma once

#include "board/MergedField.h"

#include <QTimer>
#include <QWidget>

struct Capture;
class ElsewhereNotice;
class Library;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class ScreenshotTextSection;
class ShownCapture;

// What the capture detail says about a capture: its status, priority, group
// and assignee, who filed it, its note, where it was captured, the text in
// its screenshots and its tags. The note and tags being typed stay here until
// they are saved; everything else is written to the library as it is picked.
class CaptureFactsPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int noteSaveDelayMs = 600;

    CaptureFactsPane(Library& library, const ShownCapture& shown, QWidget* parent = nullptr);

    // Fills the note and tags of a newly shown capture; what was typed for the one before must be flushed first.
    void load();
    // Follows the library without overwriting what is being typed.
    void refresh();
    // Saves the note and tags being edited, if they changed.
    void flushEdits();

private:
    void refreshWorkflow(const Capture& c);
    void refreshContext(const Capture& c);
    void mergeOutsideEdits(const Capture& c);
    void commitTags();
    void buildWorkflow(QFormLayout* form);
    void buildEditedFields();

    Library& library_;
    const ShownCapture& shown_;
    // Set while the pane fills its own fields, whose signals then are no edits.
    bool updating_ = false;
    QTimer noteTimer_;
    MergedField noteMerge_;
    MergedField tagsMerge_;

    QComboBox* status_;
    QComboBox* priority_;
    QComboBox* group_;
    QComboBox* assignee_;
    QLabel* assigneeHint_;
    QLabel* provenance_;
    QPlainTextEdit* note_;
    ElsewhereNotice* noteElsewhere_;
    QLabel* contextHeading_;
    QFormLayout* context_;
    ScreenshotTextSection* screenshotText_;
    QLineEdit* tags_;
    ElsewhereNotice* tagsElsewhere_;
};
