#include "support/GlobalShortcutsPortalStandIn.h"

#include "platform/portal/PortalHotkeyRegistrar.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDateTime>
#include <QMutexLocker>

struct StandInPortalShortcut {
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(StandInPortalShortcut)

QDBusArgument& operator<<(QDBusArgument& argument, const StandInPortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StandInPortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

namespace {

const QString connectionName = QStringLiteral("global-shortcuts-portal-stand-in");
const QString portalPath = QString::fromLatin1(PortalHotkeyRegistrar::path);

QString senderPart(const QDBusMessage& message) {
    QString sender = message.service().mid(1);
    return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
}

} // namespace

GlobalShortcutsPortalStandIn::GlobalShortcutsPortalStandIn() {
    qDBusRegisterMetaType<StandInPortalShortcut>();
    qDBusRegisterMetaType<QList<StandInPortalShortcut>>();
    // Answers on its own thread: the app side blocks while it probes.
    moveToThread(&thread_);
    thread_.start();
    QObject* context = new QObject;
    context->moveToThread(&thread_);
    QMetaObject::invokeMethod(
        context,
        [this] {
            QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
            serving_ = bus.registerVirtualObject(portalPath, this, QDBusConnection::SubPath) &&
                       bus.registerService(QString::fromLatin1(PortalHotkeyRegistrar::service));
        },
        Qt::BlockingQueuedConnection);
    QObject::connect(&thread_, &QThread::finished, context, &QObject::deleteLater);
}

GlobalShortcutsPortalStandIn::~GlobalShortcutsPortalStandIn() {
    QDBusConnection::disconnectFromBus(connectionName);
    thread_.quit();
    thread_.wait();
}

QString GlobalShortcutsPortalStandIn::introspect(const QString&) const {
    return {};
}

void GlobalShortcutsPortalStandIn::respond(const QDBusMessage& call, const QDBusConnection& connection,
                                        const QVariantMap& results, uint code) {
    const QString token = qdbus_cast<QVariantMap>(call.arguments().constLast()).value("handle_token").toString();
    const QString request = portalPath + "/request/" + senderPart(call) + "/" + token;
    QDBusConnection(connection).send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    QDBusMessage response =
        QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"), "Response");
    response << code << results;
    QDBusConnection(connection).send(response);
}

bool GlobalShortcutsPortalStandIn::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    const QString member = message.member();
    QDBusConnection bus(connection);
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties") && member == "Get") {
        bus.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
        return true;
    }
    if (message.interface() == QLatin1String("org.freedesktop.host.portal.Registry") && member == "Register") {
        QMutexLocker lock(&mutex_);
        appId_ = message.arguments().value(0).toString();
        bus.send(message.createReply());
        return true;
    }
    if (message.interface() == QLatin1String("org.freedesktop.portal.Session") && member == "Close") {
        QMutexLocker lock(&mutex_);
        closed_ << message.path();
        bus.send(message.createReply());
        return true;
    }
    if (member == "CreateSession") {
        {
            QMutexLocker lock(&mutex_);
            ++sessions_;
        }
        const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(0));
        const QString session = portalPath + "/session/" + senderPart(message) + "/" +
                                options.value("session_handle_token").toString();
        respond(message, connection, {{"session_handle", session}});
        return true;
    }
    if (member == "BindShortcuts") {
        const QList<StandInPortalShortcut> asked = qdbus_cast<QList<StandInPortalShortcut>>(message.arguments().value(1));
        QList<StandInPortalShortcut> granted;
        uint code = 0;
        {
            QMutexLocker lock(&mutex_);
            ++binds_;
            if (!bindError_.isEmpty()) {
                bus.send(message.createErrorReply(QDBusError::Failed, bindError_));
                return true;
            }
            code = bindResponse_;
            if (code != 0) {
                lock.unlock();
                respond(message, connection, {}, code);
                return true;
            }
            bound_.clear();
            boundSession_ = message.arguments().value(0).value<QDBusObjectPath>().path();
            for (const StandInPortalShortcut& shortcut : asked) {
                const QString trigger = shortcut.properties.value("preferred_trigger").toString();
                bound_.insert(shortcut.id, {shortcut.properties.value("description").toString(), trigger});
                granted.append({shortcut.id, {{"trigger_description", taken_.contains(trigger) ? QString() : trigger}}});
            }
        }
        respond(message, connection, {{"shortcuts", QVariant::fromValue(granted)}});
        return true;
    }
    bus.send(message.createErrorReply(QDBusError::UnknownMethod, member));
    return true;
}

QMap<QString, GlobalShortcutsPortalStandIn::Shortcut> GlobalShortcutsPortalStandIn::boundShortcuts() const {
    QMutexLocker lock(&mutex_);
    return bound_;
}

QString GlobalShortcutsPortalStandIn::boundSession() const {
    QMutexLocker lock(&mutex_);
    return boundSession_;
}

QStringList GlobalShortcutsPortalStandIn::closedSessions() const {
    QMutexLocker lock(&mutex_);
    return closed_;
}

int GlobalShortcutsPortalStandIn::sessionsCreated() const {
    QMutexLocker lock(&mutex_);
    return sessions_;
}

int GlobalShortcutsPortalStandIn::bindCalls() const {
    QMutexLocker lock(&mutex_);
    return binds_;
}

void GlobalShortcutsPortalStandIn::setTakenTriggers(const QStringList& triggers) {
    QMutexLocker lock(&mutex_);
    taken_ = triggers;
}

void GlobalShortcutsPortalStandIn::setBindResponse(uint response) {
    QMutexLocker lock(&mutex_);
    bindResponse_ = response;
}

void GlobalShortcutsPortalStandIn::setBindError(const QString& message) {
    QMutexLocker lock(&mutex_);
    bindError_ = message;
}

QString GlobalShortcutsPortalStandIn::registeredAppId() const {
    QMutexLocker lock(&mutex_);
    return appId_;
}

void GlobalShortcutsPortalStandIn::activate(const QString& id, const QString& session) {
    QDBusMessage activated = QDBusMessage::createSignal(
        portalPath, QString::fromLatin1(PortalHotkeyRegistrar::interface), QStringLiteral("Activated"));
    activated << QVariant::fromValue(QDBusObjectPath(session.isEmpty() ? boundSession() : session)) << id
              << qulonglong(QDateTime::currentMSecsSinceEpoch()) << QVariantMap();
    QDBusConnection(connectionName).send(activated);
}
