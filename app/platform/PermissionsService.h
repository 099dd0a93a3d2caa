#pragma once

#include "platform/Clock.h"
#include "platform/Platform.h"

#include <QObject>

#include <memory>

// What this session lets the app do. An X11 session needs no permission for
// either: screens are read directly and key events come from raw input. In
// a Wayland session a screenshot goes through the desktop's portal (which
// asks the user itself), and no key events can be read at all, so tap and
// multi-press shortcuts are unavailable. Nothing here opens a settings page:
// Linux desktops have none for these.
class PermissionsService : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCaptureScreen READ canCaptureScreen NOTIFY canCaptureScreenChanged)
    Q_PROPERTY(bool canMonitorKeys READ canMonitorKeys CONSTANT)
public:
    static constexpr double pollInterval = 1.0;

    static PermissionsService& shared();

    // Reads the current state at once.
    // The session's platform unless one is given.
    explicit PermissionsService(Clock& clock = Clock::system(), Platform* platform = nullptr,
                                QObject* parent = nullptr);
    ~PermissionsService() override;

    // Whether screenshots can be taken.
    bool canCaptureScreen() const { return canCaptureScreen_; }
    // Whether the session's key events can be read (tap and multi-press
    // shortcuts). Fixed for the session: X11 always offers them, Wayland never.
    bool canMonitorKeys() const { return canMonitorKeys_; }

    void refresh();
    // Refreshes every second while a screen showing the state is visible: a
    // screenshot portal may start after the app.
    void beginPolling();
    void stopPolling();
    bool isPolling() const { return timer_ != nullptr; }

signals:
    void canCaptureScreenChanged(bool granted);

private:
    Clock& clock_;
    Platform& platform_;
    bool canCaptureScreen_ = false;
    const bool canMonitorKeys_;
    std::unique_ptr<Clock::Timer> timer_;
};
