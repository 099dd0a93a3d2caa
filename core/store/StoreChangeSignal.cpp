#include "StoreChangeSignal.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace StoreChangeSignal {

void post() {
    // Connecting is attempted once per process; without a bus every post is a no-op.
    static const bool available = QDBusConnection::sessionBus().isConnected();
    if (!available)
        return;
    QDBusConnection::sessionBus().send(QDBusMessage::createSignal(path, interface, member));
}

} // namespace StoreChangeSignal
