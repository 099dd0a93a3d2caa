#pragma once

#include <QWidget>

struct Capture;
class CaptureCardDelegate;
class CaptureListModel;
class DashboardViewModel;
class KeyCaps;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QStackedWidget;
class QToolButton;

// The toolbar (title, search, sort, layout) over the grid or list of
// capture cards, or the empty state when nothing is shown.
class BoardView : public QWidget {
    Q_OBJECT
  public:
    explicit BoardView(DashboardViewModel& board, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return search_; }
    QListView* cards() const { return view_; }
    void focusCards();
    // The card with keyboard focus; none on an empty board.
    const Capture* currentCapture() const;
    // Whether pressing the region shortcut captures in this session; where
    // it doesn't, the empty board tells how to bind it instead of naming it.
    void setShortcutWorks(bool works);

  signals:
    void shortcutSettingsRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void refreshHeader();
    void applyLayout();
    void fitGrid();
    void rememberPosition();
    void restorePosition();
    void showContextMenu(const QPoint& at);
    void openCurrent();
    void deleteCurrent();

    DashboardViewModel& board_;
    CaptureListModel* model_;
    CaptureCardDelegate* delegate_;
    QLabel* title_;
    QLabel* subtitle_;
    QLineEdit* search_;
    QProgressBar* searching_;
    QToolButton* sort_;
    QToolButton* layout_;
    QStackedWidget* body_;
    QListView* view_;
    QWidget* empty_;
    QLabel* emptyIcon_;
    QLabel* emptyTitle_;
    QLabel* emptyText_;
    QWidget* emptyHint_;
    KeyCaps* emptyShortcut_;
    QWidget* pressHint_;
    QWidget* bindHint_;
    bool shortcutWorks_ = true;
    QString currentBeforeReset_;
    int scrollBeforeReset_ = 0;
};
