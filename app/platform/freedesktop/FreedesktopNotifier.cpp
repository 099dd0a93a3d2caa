#include "FreedesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {
const char* const service = "org.freedesktop.Notifications";
const char* const path = "/org/freedesktop/Notifications";
const char* const interface = "org.freedesktop.Notifications";
} // namespace

FreedesktopNotifier::FreedesktopNotifier(QObject* parent) : DesktopNotifier(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(service, path, interface, "ActionInvoked", this, SLOT(actionInvoked(uint, QString)));
    bus.connect(service, path, interface, "NotificationClosed", this, SLOT(closed(uint, uint)));
}

FreedesktopNotifier::~FreedesktopNotifier() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.disconnect(service, path, interface, "ActionInvoked", this, SLOT(actionInvoked(uint, QString)));
    bus.disconnect(service, path, interface, "NotificationClosed", this, SLOT(closed(uint, uint)));
}

void FreedesktopNotifier::show(const QString& title, const QString& body, const QString& key) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, "Notify");
    // The "default" action is what a click on the notice does.
    call << QStringLiteral("Zorvi") << uint(0) << QStringLiteral("dev.zorvi.Zorvi") << title << body
         << QStringList{"default", tr("Open")} << QVariantMap{{"desktop-entry", "dev.zorvi.Zorvi"}} << -1;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, key](QDBusPendingCallWatcher* finished) {
        const QDBusPendingReply<uint> reply = *finished;
        if (!reply.isError())
            keys_.insert(reply.value(), key);
        finished->deleteLater();
    });
}

void FreedesktopNotifier::actionInvoked(uint id, const QString& action) {
    if (action == u"default" && keys_.contains(id))
        emit activated(keys_.value(id));
}

void FreedesktopNotifier::closed(uint id, uint) {
    keys_.remove(id);
}
