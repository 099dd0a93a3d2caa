#pragma once

#include "board/ShownCapture.h"

#include <QWidget>

#include <optional>

class CaptureFactsPane;
class CaptureImagePane;
class CaptureThread;
class Library;
class QLabel;
class QStackedWidget;
class ShortIDBadgeWidget;

// One capture: a header with its app, age, short id and actions, its
// screenshots on the left, its facts, comments and history on the right, or
// a page saying it was deleted. Every change goes through the library view
// model; only text being typed lives in the panes until it is saved.
class CaptureDetailView : public QWidget {
    Q_OBJECT
  public:
    explicit CaptureDetailView(Library& library, QWidget* parent = nullptr);

    // Shows a capture (flushing the note of the one before); none leaves the detail.
    void showCapture(const std::optional<QString>& captureID);
    const std::optional<QString>& captureID() const { return shown_.id(); }
    // Saves the note and tags being edited, if they changed.
    void flushEdits();

  signals:
    void closeRequested();
    // "Copy for Agent" was clicked.
    void handOffRequested();

  private:
    void refresh();
    QWidget* buildHeader();
    QWidget* buildDeletedPage();

    Library& library_;
    ShownCapture shown_;

    QStackedWidget* pages_;
    QLabel* appTitle_;
    ShortIDBadgeWidget* shortID_;
    CaptureImagePane* images_;
    CaptureFactsPane* facts_;
    CaptureThread* thread_;
};
