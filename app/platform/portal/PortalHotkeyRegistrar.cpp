#include "platform/portal/PortalHotkeyRegistrar.h"

#include "keys/KeyCodeTable.h"
#include "platform/DesktopKind.h"
#include "platform/portal/ShiftedSymbol.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusError>
#include <QGuiApplication>
#include <QStringList>

#include <xkbcommon/xkbcommon.h>

// One entry of the portal's a(sa{sv}) shortcut lists.
struct PortalShortcutEntry {
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcutEntry)

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcutEntry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcutEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

namespace {

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

void registerTypes() {
    static const bool done = [] {
        qDBusRegisterMetaType<PortalShortcutEntry>();
        qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
        return true;
    }();
    (void)done;
}

} // namespace

class PortalHotkeyRegistrar::Bound : public Registration {
public:
    Bound(PortalHotkeyRegistrar& owner, QString id, QString description, QString trigger,
          std::function<void()> handler)
        : owner_(owner), id(std::move(id)), description(std::move(description)), trigger(std::move(trigger)),
          handler(std::move(handler)) {
        owner_.live_.insert(this);
        owner_.scheduleBind();
    }
    ~Bound() override {
        owner_.live_.remove(this);
        owner_.scheduleBind();
    }

    PortalHotkeyRegistrar& owner_;
    const QString id;
    const QString description;
    const QString trigger;
    const std::function<void()> handler;
};

bool PortalHotkeyRegistrar::isAvailable(const QDBusConnection& bus) {
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("Get"));
    call << QString::fromLatin1(interface) << QStringLiteral("version");
    return bus.call(call, QDBus::Block, 1000).type() == QDBusMessage::ReplyMessage;
}

QString PortalHotkeyRegistrar::preferredTrigger(uint16_t keyCode, ModifierSet modifiers) {
    std::optional<uint32_t> keysym = KeyCodeTable::keysym(keyCode);
    bool shift = modifiers.contains(ModifierSet::shift());
    // KDE matches a shortcut by what the keys type: Alt+Shift+2 on a US
    // keyboard arrives as Alt+@, and a trigger of ALT+SHIFT+2 never fires.
    // It is given the symbol that Shift makes of the key instead.
    if (shift && keysym && currentDesktop() == DesktopKind::kde)
        if (const std::optional<uint32_t> shifted = ShiftedSymbol::of(*keysym)) {
            keysym = shifted;
            shift = false;
        }
    QStringList parts;
    if (modifiers.contains(ModifierSet::control()))
        parts << QStringLiteral("CTRL");
    if (modifiers.contains(ModifierSet::option()))
        parts << QStringLiteral("ALT");
    if (shift)
        parts << QStringLiteral("SHIFT");
    if (modifiers.contains(ModifierSet::command()))
        parts << QStringLiteral("LOGO");
    char name[64] = {};
    if (keysym)
        xkb_keysym_get_name(*keysym, name, sizeof name);
    parts << QString::fromLatin1(name);
    return parts.join(QLatin1Char('+'));
}

PortalHotkeyRegistrar::PortalHotkeyRegistrar(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {
    registerTypes();
    bus_.connect(QString::fromLatin1(service), QString::fromLatin1(path), QString::fromLatin1(interface),
                 QStringLiteral("Activated"), this, SLOT(onActivated(QDBusMessage)));
    bus_.connect(QString::fromLatin1(service), QString::fromLatin1(path), QString::fromLatin1(interface),
                 QStringLiteral("ShortcutsChanged"), this, SLOT(onShortcutsChanged(QDBusMessage)));
    // Portals identify a host app by its desktop file once it says which it
    // is; older portals lack the registry and guess, which is fine too.
    QDBusMessage registration = QDBusMessage::createMethodCall(
        QString::fromLatin1(service), QString::fromLatin1(path), QStringLiteral("org.freedesktop.host.portal.Registry"),
        QStringLiteral("Register"));
    registration << QGuiApplication::desktopFileName() << QVariantMap();
    bus_.asyncCall(registration);
}

PortalHotkeyRegistrar::~PortalHotkeyRegistrar() {
    closeSession();
}

std::unique_ptr<HotkeyRegistrar::Registration>
PortalHotkeyRegistrar::registerHotkey(const QString& id, const QString& description, uint16_t keyCode,
                                      ModifierSet modifiers, std::function<void()> handler) {
    return std::make_unique<Bound>(*this, id, description, preferredTrigger(keyCode, modifiers),
                                   std::move(handler));
}

void PortalHotkeyRegistrar::scheduleBind() {
    // A manager re-registers everything at once; bind the settled set once.
    if (bindScheduled_)
        return;
    bindScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            bindScheduled_ = false;
            settle();
        },
        Qt::QueuedConnection);
}

PortalHotkeyRegistrar::AskedSet PortalHotkeyRegistrar::wanted() const {
    AskedSet shortcuts;
    for (const Bound* bound : std::as_const(live_))
        shortcuts.insert(bound->id, {bound->trigger, bound->description});
    return shortcuts;
}

void PortalHotkeyRegistrar::settle() {
    const AskedSet shortcuts = wanted();
    // An empty set unbinds nothing at the desktop: the shortcut recorder lets
    // go of everything while it listens, and binding the same set again afterwards
    // could have the desktop ask the user once more. Activations of shortcuts
    // no registration holds are ignored meanwhile.
    if (shortcuts.isEmpty())
        return;
    if (session_.isEmpty()) {
        if (!sessionOpening_)
            openSession(); // binds once the session is there
        return;
    }
    if (shortcuts != bound_)
        bind(shortcuts);
}

void PortalHotkeyRegistrar::openSession() {
    sessionOpening_ = true;
    QVariantMap options;
    options.insert(QStringLiteral("session_handle_token"), QStringLiteral("zorvi%1").arg(++tokenCounter_));
    // KDE's portal registers only the shortcuts named when the session opens.
    options.insert(QStringLiteral("shortcuts"), QVariant::fromValue(entriesOf(wanted())));
    request(QStringLiteral("CreateSession"), {}, options, SLOT(onSessionCreated(uint, QVariantMap)));
}

void PortalHotkeyRegistrar::closeSession() {
    if (session_.isEmpty())
        return;
    bus_.asyncCall(QDBusMessage::createMethodCall(QString::fromLatin1(service), session_,
                                                  QStringLiteral("org.freedesktop.portal.Session"),
                                                  QStringLiteral("Close")));
    session_.clear();
}

QList<PortalShortcutEntry> PortalHotkeyRegistrar::entriesOf(const AskedSet& shortcuts) {
    QList<PortalShortcutEntry> entries;
    for (auto it = shortcuts.cbegin(); it != shortcuts.cend(); ++it) {
        QVariantMap properties;
        properties.insert(QStringLiteral("description"), it->description);
        properties.insert(QStringLiteral("preferred_trigger"), it->trigger);
        entries.append({it.key(), properties});
    }
    return entries;
}

void PortalHotkeyRegistrar::bind(const AskedSet& shortcuts) {
    bound_ = shortcuts;
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(entriesOf(shortcuts)), QString()}, {},
            SLOT(onBound(uint, QVariantMap)));
}

void PortalHotkeyRegistrar::request(const QString& method, const QList<QVariant>& arguments, QVariantMap options,
                                    const char* slot) {
    const QString token = QStringLiteral("zorvi%1").arg(++tokenCounter_);
    options.insert(QStringLiteral("handle_token"), token);
    // The portal answers on a request object named after our bus name and
    // the token; listen there before asking so the answer can't be missed.
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    if (!pendingRequest_.isEmpty())
        bus_.disconnect(QString::fromLatin1(service), pendingRequest_, requestInterface, QStringLiteral("Response"),
                        this, pendingSlot_);
    pendingRequest_ = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    pendingSlot_ = slot;
    bus_.connect(QString::fromLatin1(service), pendingRequest_, requestInterface, QStringLiteral("Response"), this,
                 slot);
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                       QString::fromLatin1(interface), method);
    call.setArguments(arguments + QList<QVariant>{options});
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (!watcher->isError())
            return;
        // Nothing was bound; the next change of the set tries again.
        sessionOpening_ = false;
        bound_.clear();
        const QDBusError error = watcher->error();
        setAnswer({{}, DesktopAnswer::Failure::error, error.message().isEmpty() ? error.name() : error.message()});
    });
}

void PortalHotkeyRegistrar::setAnswer(const DesktopAnswer& answer) {
    if (answer == answer_)
        return;
    answer_ = answer;
    desktopAnswerChanged();
}

namespace {

HotkeyRegistrar::DesktopAnswer failureOf(uint response) {
    // 1: the user said no in the desktop's dialog; anything else went wrong.
    return {{}, response == 1 ? HotkeyRegistrar::DesktopAnswer::Failure::declined
                              : HotkeyRegistrar::DesktopAnswer::Failure::error, {}};
}

} // namespace

PortalHotkeyRegistrar::DesktopAnswer PortalHotkeyRegistrar::answerFrom(const QVariant& shortcuts) const {
    DesktopAnswer answer;
    if (!shortcuts.isValid())
        return answer; // a desktop that doesn't say has bound what it was asked
    QMap<QString, QVariantMap> given;
    for (const PortalShortcutEntry& entry : qdbus_cast<QList<PortalShortcutEntry>>(shortcuts))
        given.insert(entry.id, entry.properties);
    // A shortcut left out, or bound to no keys, went to something else.
    for (auto it = bound_.cbegin(); it != bound_.cend(); ++it) {
        const auto found = given.constFind(it.key());
        const QString trigger = QStringLiteral("trigger_description");
        if (found == given.cend() || (found->contains(trigger) && found->value(trigger).toString().isEmpty()))
            answer.refused.insert(it.key());
    }
    return answer;
}

void PortalHotkeyRegistrar::onSessionCreated(uint response, const QVariantMap& results) {
    sessionOpening_ = false;
    if (response != 0) {
        setAnswer(failureOf(response));
        return;
    }
    // A string by the interface's definition; some portals send an object path.
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    session_ = handle.userType() == qMetaTypeId<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                   : handle.toString();
    settle();
}

void PortalHotkeyRegistrar::onBound(uint response, const QVariantMap& results) {
    if (response != 0) {
        bound_.clear();
        setAnswer(failureOf(response));
        return;
    }
    setAnswer(answerFrom(results.value(QStringLiteral("shortcuts"))));
}

void PortalHotkeyRegistrar::onShortcutsChanged(const QDBusMessage& signal) {
    // (o session_handle, a(sa{sv}) shortcuts): the user changed them in the desktop's settings.
    const QList<QVariant> arguments = signal.arguments();
    if (arguments.size() < 2 || arguments[0].value<QDBusObjectPath>().path() != session_ || bound_.isEmpty())
        return;
    setAnswer(answerFrom(arguments[1]));
}

void PortalHotkeyRegistrar::onActivated(const QDBusMessage& signal) {
    // (o session_handle, s shortcut_id, t timestamp, a{sv} options)
    const QList<QVariant> arguments = signal.arguments();
    if (arguments.size() < 2 || arguments[0].value<QDBusObjectPath>().path() != session_)
        return;
    const QString id = arguments[1].toString();
    for (const Bound* bound : std::as_const(live_)) {
        if (bound->id == id) {
            QMetaObject::invokeMethod(this, bound->handler, Qt::QueuedConnection);
            return;
        }
    }
}
