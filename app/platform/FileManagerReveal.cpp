#include "FileManagerReveal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace FileManagerReveal {

bool showItem(const QString& absolutePath) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    if (bus.isConnected() && bus.interface()) {
        const auto registered = bus.interface()->isServiceRegistered(service);
        const auto activatable = bus.interface()->activatableServiceNames();
        if ((registered.isValid() && registered.value()) ||
            (activatable.isValid() && activatable.value().contains(service))) {
            QDBusMessage call =
                QDBusMessage::createMethodCall(service, "/org/freedesktop/FileManager1", service, "ShowItems");
            call << QStringList{QUrl::fromLocalFile(absolutePath).toString()} << QString();
            if (bus.call(call, QDBus::Block, 3000).type() == QDBusMessage::ReplyMessage)
                return true;
        }
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(absolutePath).absolutePath()));
}

} // namespace FileManagerReveal
