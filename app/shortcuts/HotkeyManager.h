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
// Where the desktop answers later (the shortcut portal), the combinations it
// gave to something else count as conflicts too, and a bind it declined or
// failed is reported as such.
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
    // Why the desktop bound none of the shortcuts; none while it hasn't said otherwise.
    HotkeyRegistrar::DesktopAnswer::Failure bindFailure() const { return answer_.failure; }
    // The desktop's words for an error.
    QString bindFailureDetail() const { return answer_.detail; }

signals:
    void keyMonitorBlockedChanged(bool blocked);
    void conflictsChanged(const QSet<Action>& conflicts);
    void bindFailureChanged();

private:
    void setBlocked(bool blocked);
    // Conflicts from refusals at registration and from the desktop's answer.
    void updateConflicts();
    void takeDesktopAnswer();

    HotkeyRegistrar& registrar_;
    KeyEventMonitor& keyMonitor_;
    std::map<Action, HotkeyBinding> bindings_;
    std::map<Action, std::function<void()>> handlers_;
    std::map<Action, std::unique_ptr<HotkeyRegistrar::Registration>> registrations_;
    QSet<Action> refusedAtOnce_;
    HotkeyRegistrar::DesktopAnswer answer_;
    QSet<Action> conflicts_;
    bool isKeyMonitorBlocked_ = false;
    bool suspended_ = false;
};
