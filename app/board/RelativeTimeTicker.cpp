#include "RelativeTimeTicker.h"

#include "DashboardViewModel.h"
#include "RelativeTime.h"

#include <QWidget>

#include <algorithm>

namespace {

// Even with nothing due sooner the board looks again now and then; and never
// more often than this, should a timer fire a moment early.
constexpr qint64 longestWaitMs = 60'000;
constexpr qint64 shortestWaitMs = 200;

} // namespace

RelativeTimeTicker::RelativeTimeTicker(const DashboardViewModel& board, QWidget& cards, QObject* parent)
    : QObject(parent), board_(board), cards_(cards) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        cards_.update();
        schedule();
    });
    connect(&board_, &DashboardViewModel::boardChanged, this, &RelativeTimeTicker::schedule);
    schedule();
}

void RelativeTimeTicker::schedule() {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    qint64 wait = longestWaitMs;
    for (const Capture& capture : board_.visibleCaptures())
        wait = std::min(wait, RelativeTime::msecsUntilChange(capture.createdAt, now));
    timer_.start(int(std::max(wait, shortestWaitMs)));
}
