#pragma once

#include "platform/KeyEventSource.h"
#include "keys/HotkeyBinding.h"
#include "shortcuts/ModifierTapDetector.h"
#include "shortcuts/MultiPressCounter.h"

#include <QList>
#include <QObject>

#include <functional>

class Clock;

// Fires the shortcuts that can't be system-wide grabs: a combination pressed
// two or three times quickly, and a modifier tapped two or three times on
// its own. Reads key events from a KeyEventSource while any such trigger is
// configured; actions run from the event loop, never inside the event.
class KeyEventMonitor : public QObject, public KeyEventSink {
    Q_OBJECT
public:
    struct Trigger {
        HotkeyBinding binding;
        std::function<void()> action;
    };

    // `source` may be null: the session has no key feed and start() fails.
    KeyEventMonitor(KeyEventSource* source, Clock& clock, QObject* parent = nullptr);
    ~KeyEventMonitor() override;

    void setTriggers(QList<Trigger> triggers);
    bool start();
    void stop();
    bool isRunning() const { return running_; }

    bool keyDown(uint16_t keyCode, ModifierSet modifiers) override;
    void flagsChanged(ModifierSet held) override;

private:
    void resetState();
    void post(const std::function<void()>& action);

    KeyEventSource* source_;
    Clock& clock_;
    QList<Trigger> triggers_;
    bool running_ = false;
    ModifierTapDetector taps_{ModifierTapDetector::Policy{true, 0}};
    MultiPressCounter presses_;
};
