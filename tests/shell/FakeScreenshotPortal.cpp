#include "FakeScreenshotPortal.h"

#include <QMetaObject>

namespace {
const QString connectionName = QStringLiteral("fake-screenshot-portal");
}

FakeScreenshotPortal::FakeScreenshotPortal() {
    thread_.start();
    QObject* context = new QObject;
    context->moveToThread(&thread_);
    QMetaObject::invokeMethod(
        context,
        [this, context] {
            QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
            auto* portal = new FakeScreenshotPortalObject(context);
            new FakeScreenshotAdaptor(portal);
            serving_ = bus.registerObject(QString::fromLatin1(ScreenshotPortal::path), portal) &&
                       bus.registerService(QString::fromLatin1(ScreenshotPortal::service));
        },
        Qt::BlockingQueuedConnection);
    QObject::connect(&thread_, &QThread::finished, context, &QObject::deleteLater);
}

FakeScreenshotPortal::~FakeScreenshotPortal() {
    QDBusConnection::disconnectFromBus(connectionName);
    thread_.quit();
    thread_.wait();
}
