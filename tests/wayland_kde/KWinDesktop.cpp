#include "KWinDesktop.h"

#include "support/PortalScreenshot.h"

#include "platform/kwin/KWinScript.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QString kwin = QStringLiteral("org.kde.KWin");
const QString probePath = QStringLiteral("/dev/zorvi/KWinProbe");
constexpr int callTimeoutMs = 10000;

QRect rectOf(const QJsonObject& rect) {
    return {rect.value("x").toInt(), rect.value("y").toInt(), rect.value("width").toInt(),
            rect.value("height").toInt()};
}

} // namespace

KWinDesktop::KWinDesktop() {
    QDBusConnection::sessionBus().registerObject(probePath, this, QDBusConnection::ExportScriptableSlots);
    input_.setProgram(QStringLiteral(ZORVI_VIRTUAL_INPUT));
    input_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    input_.start();
    const bool started = input_.waitForReadyRead(10000) && input_.readLine().trimmed() == "ready";
    const QJsonObject size = runScript(QStringLiteral(
        "report({width: workspace.virtualScreenSize.width, height: workspace.virtualScreenSize.height});")).toObject();
    screen_ = QSize(size.value("width").toInt(), size.value("height").toInt());
    // KWin draws the cursor into its screenshots: out of the way, in the
    // bottom-right corner, where the known pictures never reach.
    inputReady_ = started && !screen_.isEmpty() &&
                  movePointer(QPoint(screen_.width() - 1, screen_.height() - 1));
}

KWinDesktop::~KWinDesktop() {
    input_.closeWriteChannel();
    if (!input_.waitForFinished(3000))
        input_.kill();
    QDBusConnection::sessionBus().unregisterObject(probePath);
}

void KWinDesktop::report(const QString& json) {
    reported_ = json;
}

QJsonValue KWinDesktop::runScript(const QString& body) const {
    reported_.reset();
    const QString source = QStringLiteral("function report(value) { callDBus(\"%1\", \"%2\", \"dev.zorvi.KWinProbe\", "
                                          "\"report\", JSON.stringify({value: value})); }\n")
                               .arg(QDBusConnection::sessionBus().baseService(), probePath) +
                           body;
    // Each under a name of its own; it stops when `script` goes.
    const KWinScript script(QStringLiteral("zorvi-test-%1").arg(++runs_), source.toUtf8());
    if (!script.isRunning() || !processEventsUntil([&] { return reported_.has_value(); }, callTimeoutMs))
        return {};
    return QJsonDocument::fromJson(reported_->toUtf8()).object().value("value");
}

QJsonObject KWinDesktop::windows() const {
    return runScript(QStringLiteral(R"(
        var windows = [];
        var clients = workspace.clientList();
        for (var i = 0; i < clients.length; ++i) {
            var c = clients[i];
            var g = c.frameGeometry;
            windows.push({title: c.caption, x: g.x, y: g.y, width: g.width, height: g.height, focused: c.active});
        }
        report({windows: windows});
    )")).toObject();
}

std::optional<WaylandDesktop::Window> KWinDesktop::window(const QString& title) const {
    for (const QJsonValue value : windows().value("windows").toArray()) {
        const QJsonObject window = value.toObject();
        if (window.value("title").toString() == title)
            return Window{title, rectOf(window), window.value("focused").toBool()};
    }
    return std::nullopt;
}

QString KWinDesktop::windowTitles() const {
    QStringList titles;
    for (const QJsonValue value : windows().value("windows").toArray()) {
        const QJsonObject window = value.toObject();
        titles << "\"" + window.value("title").toString() + "\"" +
                      (window.value("focused").toBool() ? QStringLiteral(" (focused)") : QString());
    }
    return titles.join(QStringLiteral(", "));
}

QString KWinDesktop::activeOutputName() {
    const QDBusReply<QString> name = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kwin, "/KWin", "org.kde.KWin", "activeOutputName"), QDBus::Block, callTimeoutMs);
    return name.value();
}

QImage KWinDesktop::screenshot() const {
    return portalScreenshot();
}

bool KWinDesktop::send(const QString& line) const {
    if (input_.state() != QProcess::Running)
        return false;
    input_.write(line.toUtf8() + '\n');
    if (!input_.waitForReadyRead(10000))
        return false;
    return input_.readLine().trimmed() == "ok";
}

bool KWinDesktop::movePointer(QPoint to) {
    return send(QStringLiteral("move %1 %2 %3 %4")
                    .arg(to.x()).arg(to.y()).arg(screen_.width()).arg(screen_.height()));
}

bool KWinDesktop::drag(QPoint from, QPoint to) {
    return send(QStringLiteral("drag %1 %2 %3 %4 %5 %6")
                    .arg(from.x()).arg(from.y()).arg(to.x()).arg(to.y())
                    .arg(screen_.width()).arg(screen_.height()));
}

bool KWinDesktop::type(const QString& text) {
    return send(QStringLiteral("type ") + text);
}

bool KWinDesktop::key(const QString& keysym, const QStringList& held) {
    return send(QStringList{QStringLiteral("key"), keysym, held.join(u' ')}.join(u' ').trimmed());
}
