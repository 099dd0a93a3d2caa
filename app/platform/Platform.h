#pragma once

#include "platform/SessionType.h"

#include <QString>

#include <memory>

class ActiveWindowSource;
class KeyboardLayout;
class ScreenCapturer;
class ScreenFocus;
class ShortcutService;
class UncoverWatcher;
class WindowFinder;

// The session's platform services as one set, chosen once per process: the
// X11 backends, the Wayland ones (desktop portals plus what the compositor
// offers), or none, with the reason capture can't work. Features ask this
// for interfaces and never see which backend answers.
class Platform {
public:
    virtual ~Platform() = default;

    virtual SessionType session() const = 0;
    // Why nothing can be captured here; empty where capture can work.
    virtual QString unavailableReason() const { return {}; }

    virtual std::unique_ptr<ScreenCapturer> screenCapturer() = 0;
    // Whether a screenshot can be taken right now (asked again on each
    // permission poll, since a portal may start later).
    virtual bool canCaptureScreen() = 0;
    // Whether the session delivers raw key events (tap and multi-press
    // triggers); the answer never changes within a session.
    virtual bool canMonitorKeys() = 0;
    // Null where the session won't say which window is active.
    virtual std::unique_ptr<ActiveWindowSource> activeWindowSource() = 0;
    // Which screen a whole-screen capture takes; null where the screen under
    // the pointer is the answer (X11 reports the pointer anywhere).
    virtual std::unique_ptr<ScreenFocus> screenFocus();
    virtual std::unique_ptr<ShortcutService> shortcutService() = 0;
    // Never null: where windows can't be listed, one that says why.
    virtual std::unique_ptr<WindowFinder> windowFinder();
    // Never null: where the session won't say when others have repainted, one that pauses.
    virtual std::unique_ptr<UncoverWatcher> uncoverWatcher();
    // Never null: key names come from somewhere on every platform.
    virtual const KeyboardLayout& keyboardLayout() = 0;

    // Decides the set from the environment before any QGuiApplication exists,
    // and points Qt at the matching platform plugin (never XWayland on a
    // Wayland desktop). Idempotent; current() calls it when main() didn't.
    static void choose();
    // The chosen set, built on first use (after the QGuiApplication exists).
    static Platform& current();
    // Puts `platform` in place of the chosen set from now on: for tests that
    // run one desktop's services in another's session (GNOME's shortcut
    // settings beside X11's screens).
    static void replace(std::unique_ptr<Platform> platform);
};
