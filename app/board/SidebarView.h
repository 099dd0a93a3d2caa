#pragma once

#include <QWidget>

class DashboardViewModel;
class QTreeWidget;
class QTreeWidgetItem;

// Filters, groups and tags with their counts; the selection is the board's filter.
class SidebarView : public QWidget {
    Q_OBJECT
  public:
    explicit SidebarView(DashboardViewModel& board, QWidget* parent = nullptr);

    QTreeWidget* rows() const { return tree_; }

  private:
    void rebuild();
    void showContextMenu(const QPoint& at);
    void newGroup();

    DashboardViewModel& board_;
    QTreeWidget* tree_;
    bool rebuilding_ = false;
};
