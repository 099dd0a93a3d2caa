#pragma once

#include "platform/HotkeyRegistrar.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QVariantMap>

struct PortalShortcutEntry;

// System-wide shortcuts through the desktop portal's GlobalShortcuts
// interface, for Wayland sessions whose desktop offers it. The desktop has the
// last word on the trigger; we send ours as the preferred one. One portal
// session serves the whole process: a changed set is bound again on it, and
// an unchanged one never is, since a desktop may ask the user on every bind.
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

    // Never refuses at once: the desktop's verdict comes later, in desktopAnswer().
    std::unique_ptr<Registration> registerHotkey(const QString& id, const QString& description, uint16_t keyCode,
                                                 ModifierSet modifiers, std::function<void()> handler) override;
    DesktopAnswer desktopAnswer() const override { return answer_; }

private slots:
    void onSessionCreated(uint response, const QVariantMap& results);
    void onBound(uint response, const QVariantMap& results);
    void onActivated(const QDBusMessage& signal);
    void onShortcutsChanged(const QDBusMessage& signal);

private:
    class Bound;
    // What one shortcut is bound as: its preferred trigger and description.
    struct Asked {
        QString trigger;
        QString description;
        bool operator==(const Asked&) const = default;
    };
    using AskedSet = QMap<QString, Asked>;

    void scheduleBind();
    // Brings the desktop's binding in line with the live registrations.
    void settle();
    AskedSet wanted() const;
    static QList<PortalShortcutEntry> entriesOf(const AskedSet& shortcuts);
    void openSession();
    void closeSession();
    void bind(const AskedSet& shortcuts);
    // Starts a portal request; `slot` receives its Response.
    void request(const QString& method, const QList<QVariant>& arguments, QVariantMap options, const char* slot);
    void setAnswer(const DesktopAnswer& answer);
    // The refusals in a list of shortcuts as the desktop bound them.
    DesktopAnswer answerFrom(const QVariant& shortcuts) const;

    QDBusConnection bus_;
    QSet<Bound*> live_;
    bool bindScheduled_ = false;
    bool sessionOpening_ = false;
    QString session_;
    // What the desktop was last asked to bind; empty before the first bind and after a failed one.
    AskedSet bound_;
    DesktopAnswer answer_;
    QString pendingRequest_;
    const char* pendingSlot_ = nullptr;
    int tokenCounter_ = 0;
};
