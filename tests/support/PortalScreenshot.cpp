#include "support/PortalScreenshot.h"

#include "support/QtEventLoop.h"
#include "support/TestImages.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QUrl>

QImage portalScreenshot() {
    constexpr int callTimeoutMs = 10000;
    static int requests = 0;
    const QString token = QStringLiteral("zorvi_test_%1").arg(++requests);
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString sender = bus.baseService().mid(1).replace(u'.', u'_');
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    PortalResponse answer;
    bus.connect(QStringLiteral("org.freedesktop.portal.Desktop"), path, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), &answer, SLOT(onResponse(uint, QVariantMap)));
    QDBusMessage request = QDBusMessage::createMethodCall(
        "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Screenshot",
        "Screenshot");
    request.setArguments({QString(), QVariantMap{{"handle_token", token}, {"interactive", false}}});
    const bool sent = bus.call(request, QDBus::Block, callTimeoutMs).type() == QDBusMessage::ReplyMessage;
    const bool answered = sent && processEventsUntil([&] { return answer.answered; }, 15000);
    bus.disconnect(QStringLiteral("org.freedesktop.portal.Desktop"), path,
                   QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"), &answer,
                   SLOT(onResponse(uint, QVariantMap)));
    if (!answered || answer.response != 0)
        return {};
    const QString file = QUrl(answer.results.value("uri").toString()).toLocalFile();
    const QImage image = TestImages::pixelsOf(QImage(file));
    QFile::remove(file);
    return image;
}
