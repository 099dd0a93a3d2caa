#include "platform/Clock.h"

#include <QTimer>

#include <chrono>

namespace {

class QtTimer : public Clock::Timer {
public:
    QtTimer(double seconds, bool repeating, std::function<void()> fire) : timer_(new QTimer) {
        timer_->setTimerType(Qt::PreciseTimer);
        timer_->setSingleShot(!repeating);
        timer_->setInterval(std::chrono::milliseconds(qRound64(seconds * 1000)));
        QObject::connect(timer_, &QTimer::timeout, std::move(fire));
        timer_->start();
    }

    // Owners often cancel a timer from its own callback; the QTimer is still
    // emitting then, so it is deleted later rather than now.
    ~QtTimer() override {
        timer_->stop();
        timer_->disconnect();
        timer_->deleteLater();
    }

    QtTimer(const QtTimer&) = delete;
    QtTimer& operator=(const QtTimer&) = delete;

private:
    QTimer* timer_;
};

class SystemClock : public Clock {
public:
    double now() const override {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }

    std::unique_ptr<Timer> start(double seconds, bool repeating, std::function<void()> fire) override {
        return std::make_unique<QtTimer>(seconds, repeating, std::move(fire));
    }
};

} // namespace

Clock& Clock::system() {
    static SystemClock clock;
    return clock;
}
