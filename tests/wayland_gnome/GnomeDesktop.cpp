#include "GnomeDesktop.h"

#include "support/PortalScreenshot.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

#include <xkbcommon/xkbcommon.h>

namespace {

const QString remoteDesktop = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
const QString remoteDesktopSession = QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");
constexpr int buttonLeft = 0x110; // BTN_LEFT, as evdev numbers it
constexpr int callTimeoutMs = 10000;

std::optional<quint32> keysymNamed(const QString& name) {
    const xkb_keysym_t keysym = xkb_keysym_from_name(name.toUtf8().constData(), XKB_KEYSYM_NO_FLAGS);
    if (keysym == XKB_KEY_NoSymbol)
        return std::nullopt;
    return keysym;
}

std::optional<quint32> modifierKeysym(const QString& modifier) {
    if (modifier == u"ctrl")
        return XKB_KEY_Control_L;
    if (modifier == u"alt")
        return XKB_KEY_Alt_L;
    if (modifier == u"shift")
        return XKB_KEY_Shift_L;
    if (modifier == u"super")
        return XKB_KEY_Super_L;
    return std::nullopt;
}

QRect rectOf(const QJsonObject& rect) {
    return {rect.value("x").toInt(), rect.value("y").toInt(), rect.value("width").toInt(),
            rect.value("height").toInt()};
}

} // namespace

GnomeDesktop::GnomeDesktop() : bus_(QDBusConnection::sessionBus()) {
    const QDBusReply<QDBusObjectPath> created = bus_.call(
        QDBusMessage::createMethodCall(remoteDesktop, "/org/gnome/Mutter/RemoteDesktop", remoteDesktop,
                                       "CreateSession"),
        QDBus::Block, callTimeoutMs);
    if (!created.isValid())
        return;
    // The session lives as long as this connection asks for it.
    session_ = created.value().path();
    if (!call("Start", {}))
        session_.clear();
}

GnomeDesktop::~GnomeDesktop() {
    if (!session_.isEmpty())
        call("Stop", {});
    if (mediaKeys_) {
        mediaKeys_->terminate();
        if (!mediaKeys_->waitForFinished(5000))
            mediaKeys_->kill();
        mediaKeys_->waitForFinished();
    }
}

bool GnomeDesktop::startMediaKeys() {
    mediaKeys_ = std::make_unique<QProcess>();
    mediaKeys_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mediaKeys_->setStandardOutputFile(QProcess::nullDevice());
    mediaKeys_->start(QStringLiteral("/usr/libexec/gsd-media-keys"), {});
    if (!mediaKeys_->waitForStarted())
        return false;
    // It takes its own keys as it starts: a shortcut added after this
    // reaches a running daemon as a change it must notice.
    return processEventsUntil([&] {
        return mediaKeys_->state() == QProcess::Running && !grabbedAccelerators().isEmpty();
    }, 20000);
}

QStringList GnomeDesktop::grabbedAccelerators() const {
    QStringList result;
    for (const QJsonValue value : probe().value("accelerators").toArray())
        result << value.toString();
    return result;
}

bool GnomeDesktop::call(const QString& method, const QVariantList& arguments) const {
    QDBusMessage message = QDBusMessage::createMethodCall(remoteDesktop, session_, remoteDesktopSession, method);
    message.setArguments(arguments);
    const QDBusMessage reply = bus_.call(message, QDBus::Block, callTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    // The caller's check says only that input went astray; this says why.
    qWarning().noquote() << "remote desktop" << method << "failed:" << reply.errorName() << reply.errorMessage();
    return false;
}

QJsonObject GnomeDesktop::probe() const {
    const QDBusReply<QString> reply = bus_.call(
        QDBusMessage::createMethodCall("dev.zorvi.TestProbe", "/dev/zorvi/TestProbe", "dev.zorvi.TestProbe", "Windows"),
        QDBus::Block, callTimeoutMs);
    return reply.isValid() ? QJsonDocument::fromJson(reply.value().toUtf8()).object() : QJsonObject();
}

std::optional<WaylandDesktop::Window> GnomeDesktop::window(const QString& title) const {
    for (const QJsonValue value : probe().value("windows").toArray()) {
        const QJsonObject window = value.toObject();
        if (window.value("title").toString() == title)
            return Window{title, rectOf(window), window.value("focused").toBool(), window.value("settled").toBool()};
    }
    return std::nullopt;
}

QString GnomeDesktop::windowTitles() const {
    QStringList titles;
    for (const QJsonValue value : probe().value("windows").toArray()) {
        const QJsonObject window = value.toObject();
        titles << "\"" + window.value("title").toString() + "\"" +
                      (window.value("focused").toBool() ? QStringLiteral(" (focused)") : QString());
    }
    return titles.join(QStringLiteral(", "));
}

QRect GnomeDesktop::monitor() const {
    return rectOf(probe().value("monitor").toObject());
}

QPoint GnomeDesktop::pointer() const {
    const QJsonArray at = probe().value("pointer").toArray();
    return at.size() == 2 ? QPoint(at.at(0).toInt(), at.at(1).toInt()) : QPoint(-1, -1);
}

QImage GnomeDesktop::screenshot() const {
    return portalScreenshot();
}

bool GnomeDesktop::keysym(quint32 value, bool pressed) const {
    return call("NotifyKeyboardKeysym", {value, pressed});
}

bool GnomeDesktop::key(const QString& name, const QStringList& held) {
    std::vector<quint32> modifiers;
    for (const QString& modifier : held) {
        const std::optional<quint32> value = modifierKeysym(modifier);
        if (!value)
            return false;
        modifiers.push_back(*value);
    }
    const std::optional<quint32> value = keysymNamed(name);
    if (!value)
        return false;
    bool sent = true;
    for (const quint32 modifier : modifiers)
        sent = keysym(modifier, true) && sent;
    sent = keysym(*value, true) && keysym(*value, false) && sent;
    for (auto modifier = modifiers.rbegin(); modifier != modifiers.rend(); ++modifier)
        sent = keysym(*modifier, false) && sent;
    return sent;
}

bool GnomeDesktop::type(const QString& text) {
    // Mutter finds each keysym's key and level on the keyboard map itself, Shift included.
    for (const char32_t character : text.toUcs4()) {
        const xkb_keysym_t value = xkb_utf32_to_keysym(character);
        if (value == XKB_KEY_NoSymbol || !keysym(value, true) || !keysym(value, false))
            return false;
    }
    return true;
}

bool GnomeDesktop::moveTo(QPoint point) const {
    // Relative motion needs no screen cast stream and moves exactly as far as
    // asked.
    const QPoint from = pointer();
    constexpr int steps = 8;
    QPoint at = from;
    for (int step = 1; step <= steps; ++step) {
        const QPoint next = from + (point - from) * step / steps;
        if (!call("NotifyPointerMotionRelative", {double(next.x() - at.x()), double(next.y() - at.y())}))
            return false;
        at = next;
    }
    return processEventsUntil([&] { return pointer() == point; }, 5000);
}

bool GnomeDesktop::button(bool pressed) const {
    return call("NotifyPointerButton", {buttonLeft, pressed});
}

bool GnomeDesktop::waitForPointerOnFocusedWindow() const {
    return processEventsUntil([&] {
        const QJsonObject state = probe();
        for (const QJsonValue value : state.value("windows").toArray()) {
            const QJsonObject window = value.toObject();
            if (window.value("focused").toBool())
                return window.value("title") == state.value("pointerWindow");
        }
        return false;
    }, 5000);
}

bool GnomeDesktop::drag(QPoint from, QPoint to) {
    return moveTo(from) && waitForPointerOnFocusedWindow() && press() && moveTo(to) && release();
}

bool GnomeDesktop::closeOverview() {
    return processEventsUntil([&] {
        if (!probe().value("overview").toBool())
            return true;
        // The shell may drop the first key of a new input device; one Escape
        // at a time, until the overview has gone.
        key(QStringLiteral("Escape"));
        return processEventsUntil([&] { return !probe().value("overview").toBool(); }, 1000);
    }, 15000);
}

bool GnomeDesktop::showBackground(const QString& picturePath, const QImage& picture) const {
    const QString schema = QStringLiteral("org.gnome.desktop.background");
    return runs("gsettings", {"set", schema, "picture-options", "centered"}) &&
           runs("gsettings", {"set", schema, "picture-uri", QUrl::fromLocalFile(picturePath).toString()}) &&
           runs("gsettings", {"set", schema, "picture-uri-dark", QUrl::fromLocalFile(picturePath).toString()}) &&
           waitForBackground(picture);
}
