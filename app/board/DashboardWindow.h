#pragma once

#include <QMainWindow>

class BoardView;
class CaptureDetailView;
class DashboardViewModel;
class Library;
class SidebarView;
class QSplitter;
class QStackedWidget;

// The board window: sidebar on the left; on the right the board, or the
// selected capture's detail in its place. Remembers its size, the sidebar's
// width and the grid or list choice.
class DashboardWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit DashboardWindow(Library& library, QWidget* parent = nullptr);
    ~DashboardWindow() override;

    DashboardViewModel& board() { return *board_; }
    BoardView* boardView() const { return boardView_; }
    CaptureDetailView* detailView() const { return detail_; }
    SidebarView* sidebar() const { return sidebar_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void showSelection();
    // Copies the open capture, else the board's current card, for the agent.
    void copyForAgent();
    void saveState() const;

    DashboardViewModel* board_;
    SidebarView* sidebar_;
    BoardView* boardView_;
    CaptureDetailView* detail_;
    QStackedWidget* pages_;
    QSplitter* splitter_;
};
