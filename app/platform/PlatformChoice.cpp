#include "platform/PlatformChoice.h"

#include <QtGlobal>

namespace {

PlatformChoice wayland(bool pluginInstalled) {
    // Without Qt's Wayland plugin the app would land on XWayland, where a
    // root-window grab is black and key grabs fire only over X windows:
    // better to say so than to capture black.
    if (!pluginInstalled)
        return {SessionType::none, PlatformChoice::Problem::noQtWayland, {}};
    return {SessionType::wayland, PlatformChoice::Problem::none, "wayland"};
}

PlatformChoice x11() {
    return {SessionType::x11, PlatformChoice::Problem::none, "xcb"};
}

} // namespace

PlatformChoice PlatformChoice::fromEnvironment(bool waylandPluginInstalled) {
    const QByteArray forced = qgetenv("ZORVI_PLATFORM").toLower();
    if (forced == "x11")
        return x11();
    if (forced == "wayland")
        return wayland(waylandPluginInstalled);
    if (!forced.isEmpty())
        qWarning("ZORVI_PLATFORM=%s names no platform (x11 or wayland); reading the session instead",
                 forced.constData());

    // Checked before DISPLAY: a Wayland desktop sets that too, for XWayland.
    const QByteArray declared = qgetenv("XDG_SESSION_TYPE").toLower();
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || declared == "wayland")
        return wayland(waylandPluginInstalled);
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || declared == "x11")
        return x11();
    return {SessionType::none, Problem::noDisplay, {}};
}
