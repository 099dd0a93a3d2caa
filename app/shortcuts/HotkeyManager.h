#pragma once

#include "platform/HotkeyRegistrar.h"
#include "keys/HotkeyBinding.h"

#include <QObject>
#include <QSet>

#include <functional>
#include <map>
#include <memory>

class KeyEventMonitor;

// Turns the stored shortcuts into things that fire: a combination pressed
// once becomes a system-wide registration; everything else (multi-press,
// modifier taps) becomes a trigger of the key-event monitor, which only some
// sessions can run. Reports the combinations other applications own and
// whether the monitor is blocked. A session has a key feed or it hasn't, so
// a blocked monitor is tried again only when the bindings are applied again.
class HotkeyManager : public QObject {
    Q_OBJECT
public:
    enum class Action { region, fullScreen };

    HotkeyManager(HotkeyRegistrar& registrar, KeyEventMonitor& keyMonitor, QObject* parent = nullptr);
    ~HotkeyManager() override;

    void registerBinding(const HotkeyBinding& binding, Action action, std::function<void()> handler);
    // Releases every registration and rebuilds them from the bindings.
    void apply();
    // While suspended nothing is registered or monitored, so the keys reach
    // the focused window (the recorder); resuming registers everything again.
    void setSuspended(bool suspended);
    bool isSuspended() const { return suspended_; }

    bool isKeyMonitorBlocked() const { return isKeyMonitorBlocked_; }
    QSet<Action> conflicts() const { return conflicts_; }

signals:
    void keyMonitorBlockedChanged(bool blocked);
    void conflictsChanged(const QSet<Action>& conflicts);

private:
    void setBlocked(bool blocked);

    HotkeyRegistrar& registrar_;
    KeyEventMonitor& keyMonitor_;
    std::map<Action, HotkeyBinding> bindings_;
    std::map<Action, std::function<void()>> handlers_;
    std::map<Action, std::unique_ptr<HotkeyRegistrar::Registration>> registrations_;
    QSet<Action> conflicts_;
    bool isKeyMonitorBlocked_ = false;
    bool suspended_ = false;
};
