#include "shortcuts/HotkeyManager.h"

#include "shortcuts/KeyEventMonitor.h"

#include <QPointer>

namespace {

QString idOf(HotkeyManager::Action action) {
    return action == HotkeyManager::Action::region ? QStringLiteral("region") : QStringLiteral("fullScreen");
}

QString descriptionOf(HotkeyManager::Action action) {
    return action == HotkeyManager::Action::region ? QObject::tr("Capture a region")
                                                   : QObject::tr("Capture the whole screen");
}

} // namespace

HotkeyManager::HotkeyManager(HotkeyRegistrar& registrar, KeyEventMonitor& keyMonitor, QObject* parent)
    : QObject(parent), registrar_(registrar), keyMonitor_(keyMonitor) {
    answer_ = registrar_.desktopAnswer();
    registrar_.setDesktopAnswerListener([this] { takeDesktopAnswer(); });
}

HotkeyManager::~HotkeyManager() {
    registrar_.setDesktopAnswerListener({});
}

void HotkeyManager::registerBinding(const HotkeyBinding& binding, Action action, std::function<void()> handler) {
    bindings_[action] = binding;
    handlers_[action] = std::move(handler);
    apply();
}

void HotkeyManager::setSuspended(bool suspended) {
    if (suspended == suspended_)
        return;
    suspended_ = suspended;
    apply();
}

void HotkeyManager::apply() {
    registrations_.clear();
    if (suspended_) {
        // Conflicts and the blocked state keep their last answer meanwhile.
        keyMonitor_.setTriggers({});
        keyMonitor_.stop();
        return;
    }
    QSet<Action> conflicts;
    QList<KeyEventMonitor::Trigger> triggers;

    for (const auto& [action, binding] : bindings_) {
        if (!binding.keyCode && !binding.modifiers.singleModifier())
            continue;
        const auto handler = handlers_.find(action);
        if (handler == handlers_.end() || !handler->second)
            continue;
        // Registrations may outlive the manager in a queued event; do nothing then.
        QPointer<HotkeyManager> self(this);
        std::function<void()> run = [self, callback = handler->second] {
            if (self)
                callback();
        };
        if (binding.keyCode && binding.tapCount < 2) {
            if (auto registration = registrar_.registerHotkey(idOf(action), descriptionOf(action), *binding.keyCode,
                                                              binding.modifiers, std::move(run)))
                registrations_[action] = std::move(registration);
            else
                conflicts.insert(action);
        } else {
            triggers.append({binding, std::move(run)});
        }
    }

    refusedAtOnce_ = conflicts;
    updateConflicts();

    const bool wantsMonitor = !triggers.isEmpty();
    keyMonitor_.setTriggers(std::move(triggers));
    if (wantsMonitor) {
        setBlocked(!keyMonitor_.start());
    } else {
        keyMonitor_.stop();
        setBlocked(false);
    }
}

void HotkeyManager::updateConflicts() {
    QSet<Action> conflicts = refusedAtOnce_;
    for (const auto& [action, registration] : registrations_)
        if (answer_.refused.contains(idOf(action)))
            conflicts.insert(action);
    if (conflicts != conflicts_) {
        conflicts_ = conflicts;
        emit conflictsChanged(conflicts_);
    }
}

void HotkeyManager::takeDesktopAnswer() {
    const HotkeyRegistrar::DesktopAnswer answer = registrar_.desktopAnswer();
    const bool failureChanged = answer.failure != answer_.failure || answer.detail != answer_.detail;
    answer_ = answer;
    // While suspended nothing is registered; the answer shows once it resumes.
    if (!suspended_)
        updateConflicts();
    if (failureChanged)
        emit bindFailureChanged();
}

void HotkeyManager::setBlocked(bool blocked) {
    if (blocked == isKeyMonitorBlocked_)
        return;
    isKeyMonitorBlocked_ = blocked;
    emit keyMonitorBlockedChanged(blocked);
}
