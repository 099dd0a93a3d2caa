#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QLabel;

// A timed capture: counts whole seconds down in a small badge in the
// corner of the screen under the pointer, then takes the shot. The badge
// goes a moment before the shot, so the screen beneath it has repainted and
// it never shows in the picture.
class CaptureCountdown : public QObject {
    Q_OBJECT
public:
    static constexpr const char* badgeTitle = "Zorvi countdown";

    explicit CaptureCountdown(QObject* parent = nullptr);
    ~CaptureCountdown() override;

    // Replaces any countdown running.
    void start(int seconds, std::function<void()> shoot);
    void cancel();
    bool isRunning() const { return remaining_ > 0; }

signals:
    // The seconds left; 0 once the shot is taken or the countdown cancelled.
    void remainingChanged(int seconds);

private:
    void tick();
    void showBadge();

    QTimer second_;
    int remaining_ = 0;
    std::function<void()> shoot_;
    QPointer<QLabel> badge_;
};
