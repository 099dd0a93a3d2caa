#include "shortcuts/KeyEventMonitor.h"

#include "platform/Clock.h"

#include <QMetaObject>

KeyEventMonitor::KeyEventMonitor(KeyEventSource* source, Clock& clock, QObject* parent)
    : QObject(parent), source_(source), clock_(clock) {}

KeyEventMonitor::~KeyEventMonitor() {
    stop();
}

void KeyEventMonitor::setTriggers(QList<Trigger> triggers) {
    triggers_ = std::move(triggers);
    resetState();
    if (source_) {
        QList<HotkeyBinding> combinations;
        for (const Trigger& trigger : triggers_) {
            if (trigger.binding.keyCode)
                combinations << trigger.binding;
        }
        source_->setSwallowed(combinations);
    }
}

bool KeyEventMonitor::start() {
    if (running_)
        return true;
    if (!source_ || !source_->start(*this))
        return false;
    running_ = true;
    return true;
}

void KeyEventMonitor::stop() {
    if (running_ && source_)
        source_->stop();
    running_ = false;
    resetState();
}

void KeyEventMonitor::resetState() {
    taps_.reset();
    presses_.reset();
}

void KeyEventMonitor::post(const std::function<void()>& action) {
    QMetaObject::invokeMethod(this, action, Qt::QueuedConnection);
}

bool KeyEventMonitor::keyDown(uint16_t keyCode, ModifierSet modifiers) {
    // A key during a modifier hold means the modifier was part of a chord.
    taps_.reset();
    for (const Trigger& trigger : std::as_const(triggers_)) {
        const HotkeyBinding& binding = trigger.binding;
        if (binding.keyCode != keyCode || binding.modifiers != modifiers)
            continue;
        if (presses_.press(keyCode, modifiers, binding.tapCount, clock_.now()))
            post(trigger.action);
        // Every press of the combination is taken, the first of a double-press too.
        return true;
    }
    return false;
}

void KeyEventMonitor::flagsChanged(ModifierSet held) {
    const std::optional<ModifierTapDetector::Tap> tap = taps_.flagsChanged(held, clock_.now());
    if (!tap)
        return;
    for (const Trigger& trigger : std::as_const(triggers_)) {
        const HotkeyBinding& binding = trigger.binding;
        if (!binding.keyCode && binding.modifiers == tap->modifier && binding.tapCount == tap->count) {
            taps_.resetCount();
            post(trigger.action);
            return;
        }
    }
    // No trigger wants this many taps yet; the count keeps running, so a
    // triple-tap fires on the third tap.
}
