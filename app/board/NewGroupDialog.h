#pragma once

#include <QDialog>

class DashboardViewModel;
class QLineEdit;

// Name, colour and an optional bound folder for a new group.
class NewGroupDialog : public QDialog {
    Q_OBJECT
  public:
    explicit NewGroupDialog(DashboardViewModel& board, QWidget* parent = nullptr);

  private:
    void create();

    DashboardViewModel& board_;
    QLineEdit* name_;
    QLineEdit* folder_;
    QString color_;
};
