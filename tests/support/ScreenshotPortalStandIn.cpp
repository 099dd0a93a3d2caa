#include "support/ScreenshotPortalStandIn.h"

#include "platform/portal/ScreenshotPortal.h"

#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QUrl>

ScreenshotPortalStandIn::ScreenshotPortalStandIn(const QString& desktopImagePath)
    : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal-stand-in"))),
      desktopImagePath_(desktopImagePath) {
    serving_ = bus_.isConnected() &&
               bus_.registerObject(QString::fromLatin1(ScreenshotPortal::path), this,
                                   QDBusConnection::ExportAllSlots) &&
               bus_.registerService(QString::fromLatin1(ScreenshotPortal::service));
}

ScreenshotPortalStandIn::~ScreenshotPortalStandIn() {
    bus_.unregisterService(QString::fromLatin1(ScreenshotPortal::service));
    bus_.unregisterObject(QString::fromLatin1(ScreenshotPortal::path));
    QDBusConnection::disconnectFromBus(QStringLiteral("portal-stand-in"));
}

QDBusObjectPath ScreenshotPortalStandIn::Screenshot(const QString&, const QVariantMap& options) {
    lastOptions_ = options;
    if (!callError_.isEmpty()) {
        sendErrorReply(QDBusError::Failed, callError_);
        return {};
    }
    QString sender = message().service().mid(1);
    sender.replace(u'.', u'_');
    const QString token = options.value(QStringLiteral("handle_token")).toString();
    const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);

    // The answer comes after the reply, as from a portal that asked the user first.
    QTimer::singleShot(0, this, [this, request] {
        QVariantMap results;
        if (response_ == 0) {
            lastFile_ = QDir::temp().filePath(QStringLiteral("portal-screenshot-%1.png").arg(quintptr(this)));
            QFile::remove(lastFile_);
            QFile::copy(desktopImagePath_, lastFile_);
            results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(lastFile_).toString());
        }
        QDBusMessage signal =
            QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << response_ << results;
        bus_.send(signal);
    });
    return QDBusObjectPath(request);
}
