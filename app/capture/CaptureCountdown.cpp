#include "capture/CaptureCountdown.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace {

// Long enough for the windows under the badge to repaint after it goes.
constexpr int clearanceMs = 300;
constexpr int badgeSize = 56;
constexpr int badgeMargin = 24;

} // namespace

CaptureCountdown::CaptureCountdown(QObject* parent) : QObject(parent) {
    second_.setInterval(1000);
    connect(&second_, &QTimer::timeout, this, &CaptureCountdown::tick);
}

CaptureCountdown::~CaptureCountdown() {
    delete badge_;
}

void CaptureCountdown::start(int seconds, std::function<void()> shoot) {
    cancel();
    if (seconds <= 0) {
        if (shoot)
            shoot();
        return;
    }
    remaining_ = seconds;
    shoot_ = std::move(shoot);
    showBadge();
    second_.start();
    emit remainingChanged(remaining_);
}

void CaptureCountdown::cancel() {
    second_.stop();
    if (badge_)
        badge_->hide();
    if (std::exchange(remaining_, 0) > 0)
        emit remainingChanged(0);
}

void CaptureCountdown::tick() {
    if (--remaining_ > 0) {
        badge_->setText(QString::number(remaining_));
        emit remainingChanged(remaining_);
        return;
    }
    second_.stop();
    badge_->hide();
    emit remainingChanged(0);
    QTimer::singleShot(clearanceMs, this, [shoot = std::exchange(shoot_, nullptr)] {
        if (shoot)
            shoot();
    });
}

void CaptureCountdown::showBadge() {
    if (!badge_) {
        badge_ = new QLabel;
        badge_->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus);
        badge_->setAttribute(Qt::WA_ShowWithoutActivating);
        badge_->setWindowTitle(QString::fromLatin1(badgeTitle));
        badge_->setObjectName("captureCountdown");
        badge_->setAlignment(Qt::AlignCenter);
        badge_->setFixedSize(badgeSize, badgeSize);
        badge_->setStyleSheet("QLabel { background: rgba(28, 28, 30, 220); color: white; border-radius: 12px;"
                              " font-size: 26px; font-weight: bold; }");
        badge_->setToolTip(tr("Zorvi takes the screenshot when this reaches zero"));
    }
    badge_->setText(QString::number(remaining_));
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        badge_->move(area.right() - badgeSize - badgeMargin, area.top() + badgeMargin);
    }
    badge_->show();
}
