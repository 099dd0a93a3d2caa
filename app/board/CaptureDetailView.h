#pragma once

#include "store/Capture.h"
#include "store/CaptureImage.h"

#include "board/ElsewhereNotice.h"
#include "board/MergedField.h"

#include <QTimer>
#include <QWidget>

#include <optional>
#include <vector>

class Library;
struct Capture;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class ScreenshotTextSection;
class ShortIDBadgeWidget;

// One capture: its screenshots on the left, its workflow, note, context,
// tags, comments and history on the right. Every change goes through the
// library view model; only text being typed lives here until it is saved.
class CaptureDetailView : public QWidget {
    Q_OBJECT
  public:
    static constexpr int noteSaveDelayMs = 600;

    explicit CaptureDetailView(Library& library, QWidget* parent = nullptr);

    // Shows a capture (flushing the note of the one before); none leaves the detail.
    void showCapture(const std::optional<QString>& captureID);
    const std::optional<QString>& captureID() const { return captureID_; }
    // Saves a note still waiting for its delay.
    // Saves the note and tags being edited, if they changed.
    void flushEdits();

  signals:
    void closeRequested();
    // "Copy for Agent" was clicked.
    void handOffRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    const Capture* capture() const;
    void readUnloaded();
    const CaptureImage* selectedImage() const;
    void refresh();
    void reloadImages();
    void showSelectedImage();
    void refreshWorkflow(const Capture& c);
    void refreshContext(const Capture& c);
    void refreshComments();
    void refreshHistory();
    void commitTags();
    void mergeOutsideEdits(const Capture& c);
    void postComment();
    QWidget* buildHeader();
    QWidget* buildImageArea();
    QWidget* buildSidePane();

    Library& library_;
    std::optional<QString> captureID_;
    // The shown capture when no page of the library holds it.
    std::optional<Capture> unloaded_;
    std::vector<CaptureImage> images_;
    std::optional<QString> selectedImageID_;
    bool actualSize_ = false;
    bool updating_ = false;
    QTimer noteTimer_;
    MergedField noteMerge_;
    MergedField tagsMerge_;
    ElsewhereNotice* noteElsewhere_ = nullptr;
    ElsewhereNotice* tagsElsewhere_ = nullptr;

    QStackedWidget* pages_;
    QLabel* appTitle_;
    ShortIDBadgeWidget* shortID_;
    ScreenshotTextSection* screenshotText_;
    QToolButton* sizeToggle_;
    QToolButton* reveal_;
    QToolButton* copy_;
    QStackedWidget* imagePages_;
    QScrollArea* imageScroll_;
    QLabel* image_;
    QPushButton* markUp_;
    QListWidget* filmstrip_;
    QComboBox* status_;
    QComboBox* priority_;
    QComboBox* group_;
    QComboBox* assignee_;
    QLabel* assigneeHint_ = nullptr;
    QLabel* provenance_;
    QPlainTextEdit* note_;
    QLabel* contextHeading_;
    QFormLayout* context_;
    QLineEdit* tags_;
    QLabel* commentsHeading_;
    QVBoxLayout* comments_;
    QLineEdit* newComment_;
    QVBoxLayout* history_;
};
