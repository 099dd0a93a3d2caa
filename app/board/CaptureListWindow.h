#pragma once

#include <QMainWindow>

class CaptureStore;
class QListWidget;

// The board in its simplest form: every capture's title, newest first,
// reloaded whenever any process changes the library.
class CaptureListWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit CaptureListWindow(CaptureStore &store, QWidget *parent = nullptr);

  public slots:
    void reload();

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    CaptureStore &store_;
    QListWidget *list_;
};
