#pragma once

#include <QDBusVirtualObject>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>

// The GlobalShortcuts half of a desktop portal on the test's private bus, on a
// thread and connection of its own: sessions, BindShortcuts answered through
// request objects, and Activated signals sent on the test's word. A real
// desktop would also show the user a dialog; this one accepts every trigger
// but those the test says are taken (bound to no keys, as KDE answers for a
// combination something else holds), or answers a bind the way the test says.
class GlobalShortcutsPortalStandIn : public QDBusVirtualObject {
    Q_OBJECT
public:
    struct Shortcut {
        QString description;
        QString preferredTrigger;
    };

    GlobalShortcutsPortalStandIn();
    ~GlobalShortcutsPortalStandIn() override;
    bool isServing() const { return serving_; }

    // What the last BindShortcuts asked for, by shortcut id, and on which session.
    QMap<QString, Shortcut> boundShortcuts() const;
    QString boundSession() const;
    QStringList closedSessions() const;
    QString registeredAppId() const;
    int sessionsCreated() const;
    int bindCalls() const;
    // Triggers something else holds: shortcuts asking for them are bound to no keys.
    void setTakenTriggers(const QStringList& triggers);
    // The Response code of later binds: 0 bound, 1 declined in the dialog, 2 failed.
    void setBindResponse(uint response);
    // Later binds fail with a D-Bus error carrying `message` (empty: they don't).
    void setBindError(const QString& message);
    // Presses a bound shortcut: Activated for `session` (the bound one by default).
    void activate(const QString& id, const QString& session = {});

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void respond(const QDBusMessage& call, const QDBusConnection& connection, const QVariantMap& results,
                 uint response = 0);

    QThread thread_;
    bool serving_ = false;
    mutable QMutex mutex_;
    QMap<QString, Shortcut> bound_;
    QString boundSession_;
    QStringList closed_;
    QString appId_;
    int sessions_ = 0;
    int binds_ = 0;
    QStringList taken_;
    uint bindResponse_ = 0;
    QString bindError_;
};
