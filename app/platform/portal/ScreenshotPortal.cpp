#include "platform/portal/ScreenshotPortal.h"

#include <QDBusMessage>
#include <QDBusVariant>

namespace ScreenshotPortal {

bool isAvailable(const QDBusConnection& bus) {
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("Get"));
    call << QString::fromLatin1(interface) << QStringLiteral("version");
    // Short: this runs on the main thread, once a second while polling.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 1000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace ScreenshotPortal
