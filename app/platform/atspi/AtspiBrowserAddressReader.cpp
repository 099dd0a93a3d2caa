#include "platform/atspi/AtspiBrowserAddressReader.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QUuid>

#include <utility>

namespace {

// A hung browser must not hold up filing the capture; a healthy one answers in milliseconds.
constexpr int callTimeoutMs = 250;
constexpr uint stateActive = 1;    // ATSPI_STATE_ACTIVE, bit 1 of the first word
constexpr uint relationEmbeds = 13; // ATSPI_RELATION_EMBEDS

struct Reference {
    QString service;
    QDBusObjectPath path;
};

QDBusMessage call(QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    // Never start a service that isn't running.
    message.setAutoStartService(false);
    return bus.call(message, QDBus::Block, callTimeoutMs);
}

bool ok(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

QList<Reference> references(const QDBusArgument& argument) {
    QList<Reference> list;
    argument.beginArray();
    while (!argument.atEnd()) {
        Reference reference;
        argument.beginStructure();
        argument >> reference.service >> reference.path;
        argument.endStructure();
        list.append(reference);
    }
    argument.endArray();
    return list;
}

// GetState's "au" may arrive demarshalled or still packed, by Qt version.
QList<uint> words(const QVariant& value) {
    QList<uint> list;
    if (value.userType() == qMetaTypeId<QDBusArgument>())
        qvariant_cast<QDBusArgument>(value) >> list;
    else
        list = value.value<QList<uint>>();
    return list;
}

std::optional<QDBusConnection> accessibilityBus() {
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected() || !session.interface()->isServiceRegistered("org.a11y.Bus"))
        return std::nullopt;
    const QDBusMessage enabled = call(session, "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties",
                                      "Get", {QString("org.a11y.Status"), QString("IsEnabled")});
    if (!ok(enabled) || !qvariant_cast<QDBusVariant>(enabled.arguments().first()).variant().toBool())
        return std::nullopt;
    const QDBusMessage address = call(session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress");
    if (!ok(address))
        return std::nullopt;
    QDBusConnection bus = QDBusConnection::connectToBus(address.arguments().first().toString(),
                                                        "zorvi-a11y-" + QUuid::createUuid().toString());
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(bus.name());
        return std::nullopt;
    }
    return bus;
}

// The connection through which the browser process publishes its tree.
std::optional<QString> applicationOf(QDBusConnection& bus, qint64 pid) {
    const QDBusReply<QStringList> names = bus.interface()->registeredServiceNames();
    if (!names.isValid())
        return std::nullopt;
    for (const QString& name : names.value()) {
        if (!name.startsWith(':'))
            continue;
        const QDBusReply<uint> owner = bus.interface()->servicePid(name);
        if (owner.isValid() && qint64(owner.value()) == pid)
            return name;
    }
    return std::nullopt;
}

std::optional<Reference> activeFrame(QDBusConnection& bus, const QString& application) {
    const QDBusMessage children = call(bus, application, "/org/a11y/atspi/accessible/root",
                                       "org.a11y.atspi.Accessible", "GetChildren");
    if (!ok(children))
        return std::nullopt;
    for (const Reference& frame : references(qvariant_cast<QDBusArgument>(children.arguments().first()))) {
        const QDBusMessage states =
            call(bus, frame.service, frame.path.path(), "org.a11y.atspi.Accessible", "GetState");
        if (!ok(states))
            continue;
        const QList<uint> state = words(states.arguments().first());
        if (!state.isEmpty() && (state.first() & (1u << stateActive)))
            return frame;
    }
    return std::nullopt;
}

std::optional<Reference> embeddedDocument(QDBusConnection& bus, const Reference& frame) {
    const QDBusMessage relations =
        call(bus, frame.service, frame.path.path(), "org.a11y.atspi.Accessible", "GetRelationSet");
    if (!ok(relations))
        return std::nullopt;
    const QDBusArgument argument = qvariant_cast<QDBusArgument>(relations.arguments().first());
    std::optional<Reference> document;
    argument.beginArray();
    while (!argument.atEnd()) {
        uint type = 0;
        argument.beginStructure();
        argument >> type;
        const QList<Reference> targets = references(argument);
        argument.endStructure();
        if (type == relationEmbeds && !targets.isEmpty() && !document)
            document = targets.first();
    }
    argument.endArray();
    return document;
}

} // namespace

std::optional<QString> AtspiBrowserAddressReader::activeTabAddress(qint64 pid) const {
    std::optional<QDBusConnection> bus = accessibilityBus();
    if (!bus)
        return std::nullopt;
    QString address;
    if (const std::optional<QString> application = applicationOf(*bus, pid)) {
        if (const std::optional<Reference> frame = activeFrame(*bus, *application)) {
            if (const std::optional<Reference> document = embeddedDocument(*bus, *frame)) {
                const QDBusMessage url = call(*bus, document->service, document->path.path(),
                                              "org.a11y.atspi.Document", "GetAttributeValue", {QString("DocURL")});
                if (ok(url))
                    address = url.arguments().first().toString().trimmed();
            }
        }
    }
    QDBusConnection::disconnectFromBus(bus->name());
    return address.isEmpty() ? std::nullopt : std::optional<QString>(address);
}
