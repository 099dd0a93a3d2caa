#pragma once

#include "platform/ShortcutService.h"
#include "shortcuts/HotkeyManager.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class DesktopShortcutEntries;
class KeyEventMonitor;
class Preferences;

// The region and full-screen shortcuts, live for the whole session, on the
// session's shortcut service (X11 grabs and raw keys, the desktop portal on
// Wayland, or nothing but the desktop's own shortcut settings): registers
// both stored shortcuts and registers them again whenever either changes.
class GlobalShortcuts : public QObject {
    Q_OBJECT
public:
    using Mechanism = ShortcutService::Mechanism;

    static const QString keyMonitorUnavailableText;
    static const QString desktopSettingsText;

    GlobalShortcuts(Preferences& preferences, std::unique_ptr<ShortcutService> service,
                    std::function<void()> region, std::function<void()> fullScreen, QObject* parent = nullptr);
    ~GlobalShortcuts() override;

    HotkeyManager& manager() { return *manager_; }
    Mechanism mechanism() const { return service_->mechanism(); }

    // Registers both stored shortcuts again, retrying ones another app held.
    void registerAll();

    // The shortcuts' entries in the desktop's own settings, where the app
    // can write them (GNOME); null elsewhere.
    DesktopShortcutEntries* desktopEntries() const { return desktopEntries_.get(); }
    // Whether pressing the recorded shortcut captures in this session, so
    // whether the app may tell people to press it: where the desktop binds
    // it, only once it is in the desktop's settings as recorded; never where
    // the app can't tell (sway's configuration file).
    bool works(HotkeyManager::Action action) const;

signals:
    void worksChanged();

private:
    bool computeWorks(HotkeyManager::Action action) const;
    void recheckWorks();

    Preferences& preferences_;
    std::function<void()> region_;
    std::function<void()> fullScreen_;
    std::unique_ptr<ShortcutService> service_;
    std::unique_ptr<KeyEventMonitor> keyMonitor_;
    std::unique_ptr<HotkeyManager> manager_;
    std::unique_ptr<DesktopShortcutEntries> desktopEntries_;
    bool regionWorks_ = false;
    bool fullScreenWorks_ = false;
};
