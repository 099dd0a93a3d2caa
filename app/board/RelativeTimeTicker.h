#pragma once

#include <QObject>
#include <QTimer>

class DashboardViewModel;
class QWidget;

// Draws the board's cards again the moment the soonest of their relative
// times turns over ("just now" to "5s ago", "59s ago" to "1m ago"), so a
// board left open never shows a stale age and an idle one is not repainted
// every second.
class RelativeTimeTicker : public QObject {
    Q_OBJECT
  public:
    RelativeTimeTicker(const DashboardViewModel& board, QWidget& cards, QObject* parent = nullptr);

  private:
    void schedule();

    const DashboardViewModel& board_;
    QWidget& cards_;
    QTimer timer_;
};
