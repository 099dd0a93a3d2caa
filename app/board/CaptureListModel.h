#pragma once

#include <QAbstractListModel>

struct Capture;
class DashboardViewModel;

// The board's visible captures as rows for a list view. A reload that keeps
// the same captures in the same order only repaints them, so the view keeps
// its selection and scroll position.
class CaptureListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    enum Role { IdRole = Qt::UserRole + 1 };

    explicit CaptureListModel(DashboardViewModel& board, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const Capture* capture(const QModelIndex& index) const;
    QModelIndex indexOf(const QString& captureID) const;

  private:
    void refresh();

    DashboardViewModel& board_;
    QStringList ids_;
};
