#include "platform/portal/ScreenshotPortal.h"

#include <QDBusConnectionInterface>

namespace ScreenshotPortal {

bool isAvailable(const QDBusConnection& bus) {
    if (!bus.isConnected())
        return false;
    const QDBusConnectionInterface* daemon = bus.interface();
    const QString name = QString::fromLatin1(service);
    return daemon->isServiceRegistered(name).value() || daemon->activatableServiceNames().value().contains(name);
}

} // namespace ScreenshotPortal
