#pragma once

#include <QDBusConnection>

// The desktop portal's screenshot service, the only way to capture the
// screen in a Wayland session.
namespace ScreenshotPortal {

inline constexpr const char* service = "org.freedesktop.portal.Desktop";
inline constexpr const char* path = "/org/freedesktop/portal/desktop";
inline constexpr const char* interface = "org.freedesktop.portal.Screenshot";

// Whether the bus offers the screenshot portal (its "version" property can
// be read). The portal itself asks the user at capture time.
bool isAvailable(const QDBusConnection& bus = QDBusConnection::sessionBus());

} // namespace ScreenshotPortal
