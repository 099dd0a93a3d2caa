#include "platform/kwin/KWinActiveWindowTracker.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QThread>

namespace {

const QString objectPath = QStringLiteral("/dev/zorvi/KWinActiveWindow");
// How long a capture waits for KWin's first report; a KWin slower than this
// is stuck, and the capture goes on without the window.
constexpr int firstReportWaitMs = 1000;

// KWin 5's scripting: workspace.activeClient and clientActivated (KWin 6
// renamed them activeWindow and windowActivated; both are handled).
QByteArray scriptFor(const QString& service) {
    return QStringLiteral(R"(
var target = ["%1", "%2", "dev.zorvi.KWinActiveWindow", "activated"];
function active() {
    return workspace.activeWindow !== undefined ? workspace.activeWindow : workspace.activeClient;
}
function report(window) {
    var value = null;
    if (window) {
        var frame = window.frameGeometry;
        value = {resourceClass: String(window.resourceClass), resourceName: String(window.resourceName),
                 caption: String(window.caption), pid: window.pid,
                 x: frame.x, y: frame.y, width: frame.width, height: frame.height};
    }
    callDBus(target[0], target[1], target[2], target[3], JSON.stringify(value));
}
// A title that changes while its window is active (a browser's tab) is news too.
function watch(window) {
    window.captionChanged.connect(function () {
        if (active() === window)
            report(window);
    });
}
var windows = workspace.windowList !== undefined ? workspace.windowList() : workspace.clientList();
for (var i = 0; i < windows.length; ++i)
    watch(windows[i]);
(workspace.windowAdded !== undefined ? workspace.windowAdded : workspace.clientAdded).connect(watch);
(workspace.windowActivated !== undefined ? workspace.windowActivated : workspace.clientActivated).connect(report);
report(active());
)")
        .arg(service, objectPath)
        .toUtf8();
}

std::optional<QString> textOf(const QJsonValue& value) {
    return value.isString() && !value.toString().isEmpty() ? std::optional<QString>(value.toString()) : std::nullopt;
}

} // namespace

std::shared_ptr<KWinActiveWindowTracker> KWinActiveWindowTracker::shared() {
    static std::weak_ptr<KWinActiveWindowTracker> current;
    std::shared_ptr<KWinActiveWindowTracker> tracker = current.lock();
    if (!tracker) {
        tracker = std::make_shared<KWinActiveWindowTracker>();
        current = tracker;
    }
    return tracker;
}

KWinActiveWindowTracker::KWinActiveWindowTracker() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots))
        return;
    script_ = std::make_unique<KWinScript>(QStringLiteral("dev.zorvi.Zorvi.activewindow"), scriptFor(bus.baseService()));
}

KWinActiveWindowTracker::~KWinActiveWindowTracker() {
    // The script goes first, so KWin stops calling an object that has gone.
    const bool registered = script_ != nullptr;
    script_.reset();
    if (registered)
        QDBusConnection::sessionBus().unregisterObject(objectPath);
}

void KWinActiveWindowTracker::activated(const QString& window) {
    const QJsonObject reported = QJsonDocument::fromJson(window.toUtf8()).object();
    std::optional<ActiveWindow> active;
    QRect frame;
    if (!reported.isEmpty()) {
        active.emplace();
        active->title = textOf(reported.value(QLatin1String("caption")));
        active->className = textOf(reported.value(QLatin1String("resourceClass")));
        active->instanceName = textOf(reported.value(QLatin1String("resourceName")));
        if (const QJsonValue pid = reported.value(QLatin1String("pid")); pid.isDouble() && pid.toDouble() > 0)
            active->pid = qint64(pid.toDouble());
        frame = QRect(reported.value(QLatin1String("x")).toInt(), reported.value(QLatin1String("y")).toInt(),
                      reported.value(QLatin1String("width")).toInt(), reported.value(QLatin1String("height")).toInt());
    }
    reported_ = true;
    window_ = std::move(active);
    frame_ = frame;
}

std::optional<ActiveWindow> KWinActiveWindowTracker::activeWindow() const {
    if (!reported_ && isTracking()) {
        // A capture asked for as the app starts (a desktop shortcut starting
        // it) comes before KWin's first report has been taken in: that report
        // waits among the events posted to the main thread. Deliver posted
        // events (no input, timers or sockets) until it is in.
        const QDeadlineTimer deadline(firstReportWaitMs);
        while (!reported_ && !deadline.hasExpired()) {
            QCoreApplication::sendPostedEvents();
            if (!reported_)
                QThread::msleep(2);
        }
    }
    if (!window_)
        return std::nullopt;
    ActiveWindow window = *window_;
    const QRect frame = frame_;
    // KWin 5's scripts can't name a window's output; Qt knows the outputs by
    // the compositor's names and places, in the same logical coordinates.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && frame.isValid())
        if (const QScreen* screen = QGuiApplication::screenAt(frame.center()))
            window.output = screen->name();
    return window;
}
