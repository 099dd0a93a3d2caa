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
    Q_PROPERTY(bool canMonitorKeys READ canMonitorKeys NOTIFY canMonitorKeysChanged)
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
    // Whether the session's key events can be read (tap and multi-press shortcuts).
    bool canMonitorKeys() const { return canMonitorKeys_; }

    void refresh();
    // Neither can be granted from here: on X11 both already are, and on
    // Wayland the portal asks at capture time while key reading has no
    // grant at all. Both just read the state again.
    void requestScreenRecording();
    void requestAccessibility();

    // Refreshes every second while a screen showing the state is visible.
    void beginPolling();
    void stopPolling();
    bool isPolling() const { return timer_ != nullptr; }

signals:
    void canCaptureScreenChanged(bool granted);
    void canMonitorKeysChanged(bool granted);

private:
    Clock& clock_;
    Platform& platform_;
    bool canCaptureScreen_ = false;
    bool canMonitorKeys_ = false;
    std::unique_ptr<Clock::Timer> timer_;
};
