#pragma once

#include "shortcuts/HotkeyManager.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class EventTapMonitor;
class HotkeyRegistrar;
class XInputKeyEventSource;
class Preferences;
class X11Connection;

// The region and full-screen shortcuts, live for the whole session: builds the
// session's shortcut service (X11 grabs and raw keys, the desktop portal on
// Wayland, or nothing but the desktop's own shortcut settings), registers
// both stored shortcuts and registers them again whenever either changes.
class GlobalShortcuts : public QObject {
    Q_OBJECT
public:
    // How shortcuts reach the app in this session.
    enum class Mechanism { x11, portal, desktopSettings };

    static const QString keyMonitorUnavailableText;
    static const QString desktopSettingsText;

    GlobalShortcuts(Preferences& preferences, std::function<void()> region, std::function<void()> fullScreen,
                    QObject* parent = nullptr);
    ~GlobalShortcuts() override;

    HotkeyManager& manager() { return *manager_; }
    Mechanism mechanism() const { return mechanism_; }

    // Registers both stored shortcuts again, retrying ones another app held.
    void registerAll();

private:
    Preferences& preferences_;
    std::function<void()> region_;
    std::function<void()> fullScreen_;
    Mechanism mechanism_ = Mechanism::desktopSettings;
    std::unique_ptr<X11Connection> x11Grabs_;
    std::unique_ptr<X11Connection> x11Keys_;
    std::unique_ptr<HotkeyRegistrar> registrar_;
    // The only session key feed there is: XInput2 raw events on X11.
    std::unique_ptr<XInputKeyEventSource> keySource_;
    std::unique_ptr<EventTapMonitor> eventTap_;
    std::unique_ptr<HotkeyManager> manager_;
};
