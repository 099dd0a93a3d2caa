#include "support/SettingsPortalStandIn.h"

#include <QDBusMetaType>

namespace {
const char* const connectionName = "settings-portal-stand-in";
const char* const service = "org.freedesktop.portal.Desktop";
const char* const path = "/org/freedesktop/portal/desktop";
const char* const appearance = "org.freedesktop.appearance";
const char* const colorSchemeKey = "color-scheme";
} // namespace

SettingsPortalStandIn::SettingsPortalStandIn(uint colorScheme)
    : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName)), colorScheme_(colorScheme) {
    qRegisterMetaType<QDBusVariant>();
    serving_ = bus_.isConnected() &&
               bus_.registerObject(path, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
               bus_.registerService(service);
}

SettingsPortalStandIn::~SettingsPortalStandIn() {
    bus_.unregisterService(service);
    bus_.unregisterObject(path);
    QDBusConnection::disconnectFromBus(connectionName);
}

QDBusVariant SettingsPortalStandIn::Read(const QString& ns, const QString& key) {
    if (ns != appearance || key != colorSchemeKey) {
        sendErrorReply("org.freedesktop.portal.Error.NotFound", "Requested setting not found");
        return {};
    }
    return QDBusVariant(QVariant::fromValue(QDBusVariant(colorScheme_)));
}

void SettingsPortalStandIn::setColorScheme(uint scheme) {
    colorScheme_ = scheme;
    emit SettingChanged(appearance, colorSchemeKey, QDBusVariant(scheme));
}
