#pragma once

#include <QDBusConnection>

// The desktop portal's screenshot service, the only way to capture the
// screen in a Wayland session.
namespace ScreenshotPortal {

inline constexpr const char* service = "org.freedesktop.portal.Desktop";
inline constexpr const char* path = "/org/freedesktop/portal/desktop";
inline constexpr const char* interface = "org.freedesktop.portal.Screenshot";

// Whether the bus offers the desktop portal, running or ready to be started.
// Asks the bus alone: a portal being started at login can take seconds to
// answer itself, and a capture must not be refused meanwhile. Whether it
// takes screenshots shows at capture time; the portal asks the user then too.
bool isAvailable(const QDBusConnection& bus = QDBusConnection::sessionBus());

} // namespace ScreenshotPortal
