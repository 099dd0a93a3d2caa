#pragma once

#include "platform/SessionType.h"

#include <QByteArray>

// Which backend set a process gets, decided from its environment alone.
struct PlatformChoice {
    SessionType session = SessionType::none;
    // Why nothing can be captured, when the session is none.
    enum class Problem { none, noDisplay, noQtWayland };
    Problem problem = Problem::none;
    // The Qt platform plugin to run; empty leaves Qt's own choice alone.
    QByteArray qtPlatform;

    // ZORVI_PLATFORM=x11|wayland forces a set; otherwise a Wayland display
    // wins over an X one (which on a Wayland desktop is only XWayland).
    // `waylandPluginInstalled` says whether Qt can run on Wayland at all.
    static PlatformChoice fromEnvironment(bool waylandPluginInstalled);
};
