#include "platform/kwin/KWinScript.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QLoggingCategory>
#include <QThread>

namespace {

Q_LOGGING_CATEGORY(kwinScript, "zorvi.platform.kwin")

const QString kwin = QStringLiteral("org.kde.KWin");
const QString scripting = QStringLiteral("org.kde.kwin.Scripting");
// KWin answers from memory; a KWin that takes longer is stuck, and the app
// goes on without what the script would tell.
constexpr int callTimeoutMs = 2000;

QDBusMessage scriptingCall(const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(kwin, QStringLiteral("/Scripting"), scripting, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, callTimeoutMs);
}

} // namespace

bool KWinScript::isAvailable() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(kwin).value() &&
           scriptingCall(QStringLiteral("isScriptLoaded"), {QString()}).type() == QDBusMessage::ReplyMessage;
}

KWinScript::KWinScript(const QString& name, const QByteArray& source)
    : name_(name), file_(QDir::tempPath() + QStringLiteral("/zorvi-kwin-XXXXXX.js")) {
    if (!file_.open() || file_.write(source) != source.size() || !file_.flush()) {
        qCWarning(kwinScript) << "could not write the KWin script" << name_ << file_.errorString();
        return;
    }
    // A script of this name from an earlier run of the app goes first; KWin
    // lets it go at its next turn.
    unload();
    for (int tries = 0; tries < 50 && isLoaded(); ++tries)
        QThread::msleep(2);
    const QDBusReply<int> id = scriptingCall(QStringLiteral("loadScript"), {file_.fileName(), name_});
    if (!id.isValid() || id.value() < 0) {
        qCWarning(kwinScript) << "KWin did not load the script" << name_ << id.error().message();
        return;
    }
    // KWin 5 numbers scripts by how many are loaded, so a number (and the
    // object path made from it) can belong to another script by now: start
    // every loaded script instead, which leaves those already running be.
    const QDBusMessage ran = scriptingCall(QStringLiteral("start"), {});
    running_ = ran.type() == QDBusMessage::ReplyMessage;
    if (!running_)
        qCWarning(kwinScript) << "KWin did not run the script" << name_ << ran.errorMessage();
}

bool KWinScript::isLoaded() const {
    const QDBusReply<bool> loaded = scriptingCall(QStringLiteral("isScriptLoaded"), {name_});
    return loaded.isValid() && loaded.value();
}

KWinScript::~KWinScript() {
    if (running_)
        unload();
}

void KWinScript::unload() {
    scriptingCall(QStringLiteral("unloadScript"), {name_});
}
