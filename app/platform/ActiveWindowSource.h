#pragma once

#include <QString>

#include <optional>

// What the session says about the window that has the keyboard focus.
struct ActiveWindow {
    std::optional<QString> title;
    // WM_CLASS: the instance (res_name) and the class (res_class).
    std::optional<QString> instanceName;
    std::optional<QString> className;
    std::optional<qint64> pid;
    // The screen it is on, by name, where the session says (sway and KWin do).
    std::optional<QString> output;
};

// The session's active window, as of the moment of asking. Only some
// sessions tell (X11 through EWMH, sway through its IPC, KWin through a
// script of ours; other Wayland compositors keep it to themselves).
class ActiveWindowSource {
public:
    virtual ~ActiveWindowSource() = default;
    // Nothing when no window is active or the session won't say.
    virtual std::optional<ActiveWindow> activeWindow() const = 0;
};
