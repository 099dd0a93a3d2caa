#include "platform/portal/PortalScreenCapturer.h"

#include "platform/portal/ScreenshotPortal.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusObjectPath>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <QUrl>
#include <QUuid>

namespace {

// Off unless QT_LOGGING_RULES asks: when a capture shows nothing, whether
// the portal was asked and what it answered.
Q_LOGGING_CATEGORY(portalLog, "zorvi.platform.portal")

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

QDBusConnection bus() {
    return QDBusConnection::sessionBus();
}

} // namespace

PortalScreenCapturer::PortalScreenCapturer(QObject* parent) : QObject(parent) {}

PortalScreenCapturer::~PortalScreenCapturer() {
    unsubscribe();
}

void PortalScreenCapturer::grabScreens(Done done, Failed failed) {
    if (done_) {
        failed(CaptureError::captureFailed(tr("another screenshot is still being taken")));
        return;
    }
    if (!bus().isConnected()) {
        failed(CaptureError::captureFailed(tr("there is no session bus to reach the desktop portal")));
        return;
    }
    done_ = std::move(done);
    failed_ = std::move(failed);

    // The request's object path is known before the call, so the answer
    // cannot arrive before we listen for it. Any sender: when this call is
    // what starts the portal, its answer can come before the bus has told
    // us who owns the portal's name, and a match on the name would drop it;
    // the path, with its fresh token, is ours alone.
    const QString token = QStringLiteral("zorvi") + QUuid::createUuid().toString(QUuid::Id128);
    QString sender = bus().baseService().mid(1);
    sender.replace(u'.', u'_');
    requestPath_ = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    listen();

    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(ScreenshotPortal::service),
                                                       QString::fromLatin1(ScreenshotPortal::path),
                                                       QString::fromLatin1(ScreenshotPortal::interface),
                                                       QStringLiteral("Screenshot"));
    call << QString() << QVariantMap{{QStringLiteral("handle_token"), token},
                                     {QStringLiteral("interactive"), false},
                                     {QStringLiteral("modal"), true}};
    qCDebug(portalLog) << "asking the screenshot portal, request" << requestPath_;
    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            qCDebug(portalLog) << "the screenshot portal refused the call:" << reply.error().name();
            finish(CaptureError::captureFailed(reply.error().message().isEmpty() ? reply.error().name()
                                                                                  : reply.error().message()));
            return;
        }
        // Older portals pick the path themselves; follow theirs.
        const QString path = reply.value().path();
        if (done_ && path != requestPath_) {
            unsubscribe();
            requestPath_ = path;
            listen();
        }
    });
}

void PortalScreenCapturer::onResponse(uint response, const QVariantMap& results) {
    qCDebug(portalLog) << "the screenshot portal answered" << response << "while waiting:" << bool(done_);
    if (!done_)
        return;
    // 1: the user said no (or closed the desktop's dialog); 2: the portal
    // itself failed, which no permission would change.
    if (response == 1) {
        finish(CaptureError::permissionDenied());
        return;
    }
    if (response != 0) {
        finish(CaptureError::captureFailed(tr("the desktop's screenshot service reported an error")));
        return;
    }
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile()) {
        finish(CaptureError::captureFailed(tr("the desktop portal returned no screenshot file")));
        return;
    }
    const QImage image(uri.toLocalFile());
    if (image.isNull()) {
        finish(CaptureError::captureFailed(tr("the desktop portal's screenshot could not be read")));
        return;
    }
    // The portal leaves its file behind (often in Pictures); ours is in memory now.
    QFile::remove(uri.toLocalFile());
    finish(std::nullopt, image);
}

void PortalScreenCapturer::finish(const std::optional<CaptureError>& error, const QImage& image) {
    unsubscribe();
    Done done = std::exchange(done_, nullptr);
    Failed failed = std::exchange(failed_, nullptr);
    if (error) {
        failed(*error);
        return;
    }
    std::vector<ScreenFrame> frames = framesFromDesktopImage(image);
    if (frames.empty())
        failed(CaptureError::noDisplay());
    else
        done(std::move(frames));
}

void PortalScreenCapturer::listen() {
    bus().connect(QString(), requestPath_, requestInterface, QStringLiteral("Response"), this,
                  SLOT(onResponse(uint, QVariantMap)));
}

void PortalScreenCapturer::unsubscribe() {
    if (requestPath_.isEmpty())
        return;
    bus().disconnect(QString(), requestPath_, requestInterface, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
    requestPath_.clear();
}

std::vector<ScreenFrame> PortalScreenCapturer::framesFromDesktopImage(const QImage& desktop) {
    std::vector<ScreenFrame> frames;
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty() || desktop.isNull())
        return frames;
    const QRect virtualDesktop = screens.front()->virtualGeometry();
    const qreal scale = qreal(desktop.width()) / virtualDesktop.width();
    for (QScreen* screen : screens) {
        ScreenFrame frame;
        frame.name = screen->name();
        frame.geometry = screen->geometry();
        frame.scale = scale;
        const QRect logical = frame.geometry.translated(-virtualDesktop.topLeft());
        const QRect pixels(qFloor(logical.x() * scale), qFloor(logical.y() * scale), qRound(logical.width() * scale),
                           qRound(logical.height() * scale));
        frame.image = desktop.copy(pixels.intersected(desktop.rect()));
        frames.push_back(std::move(frame));
    }
    return frames;
}
