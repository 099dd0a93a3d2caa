#pragma once

#include "platform/HotkeyRegistrar.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QSet>
#include <QVariantMap>

// System-wide shortcuts through the desktop portal's GlobalShortcuts
// interface, for Wayland sessions whose desktop offers it. The desktop has the
// last word on the trigger; we send ours as the preferred one. Every change of
// the set opens a fresh session and binds the whole set again.
class PortalHotkeyRegistrar : public QObject, public HotkeyRegistrar {
    Q_OBJECT
public:
    static constexpr const char* service = "org.freedesktop.portal.Desktop";
    static constexpr const char* path = "/org/freedesktop/portal/desktop";
    static constexpr const char* interface = "org.freedesktop.portal.GlobalShortcuts";

    // Whether the bus offers the interface (its "version" can be read).
    static bool isAvailable(const QDBusConnection& bus = QDBusConnection::sessionBus());
    // The portal's trigger text for a combination: "ALT+SHIFT+2", "LOGO+a".
    static QString preferredTrigger(uint16_t keyCode, ModifierSet modifiers);

    explicit PortalHotkeyRegistrar(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                   QObject* parent = nullptr);
    ~PortalHotkeyRegistrar() override;

    // Never refuses: the portal asks the user about clashes itself.
    std::unique_ptr<Registration> registerHotkey(const QString& id, const QString& description, uint16_t keyCode,
                                                 ModifierSet modifiers, std::function<void()> handler) override;

private slots:
    void onSessionCreated(uint response, const QVariantMap& results);
    void onBound(uint response, const QVariantMap& results);
    void onActivated(const QDBusMessage& signal);

private:
    class Bound;
    void scheduleBind();
    void openSession();
    void closeSession();
    // Starts a portal request; `slot` receives its Response.
    void request(const QString& method, const QList<QVariant>& arguments, QVariantMap options, const char* slot);

    QDBusConnection bus_;
    QSet<Bound*> live_;
    bool bindScheduled_ = false;
    QString session_;
    QString pendingRequest_;
    const char* pendingSlot_ = nullptr;
    int tokenCounter_ = 0;
};
