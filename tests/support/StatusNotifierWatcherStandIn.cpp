#include "support/StatusNotifierWatcherStandIn.h"

#include <QDBusMessage>

namespace {
const char* const connectionName = "status-notifier-watcher-stand-in";
const char* const service = "org.kde.StatusNotifierWatcher";
const char* const path = "/StatusNotifierWatcher";
} // namespace

StatusNotifierWatcherStandIn::StatusNotifierWatcherStandIn()
    : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName)) {
    serving_ = bus_.isConnected() &&
               bus_.registerObject(path, this,
                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                       QDBusConnection::ExportAllProperties) &&
               bus_.registerService(service);
}

StatusNotifierWatcherStandIn::~StatusNotifierWatcherStandIn() {
    bus_.unregisterService(service);
    bus_.unregisterObject(path);
    QDBusConnection::disconnectFromBus(connectionName);
}

void StatusNotifierWatcherStandIn::RegisterStatusNotifierItem(const QString& serviceOrPath) {
    // Items name either their bus name (the object is then /StatusNotifierItem) or just a path.
    const QString item = serviceOrPath.startsWith(u'/') ? message().service() + serviceOrPath
                                                        : serviceOrPath + QStringLiteral("/StatusNotifierItem");
    items_.append(item);
    emit StatusNotifierItemRegistered(item);
}

void StatusNotifierWatcherStandIn::RegisterStatusNotifierHost(const QString&) {}
