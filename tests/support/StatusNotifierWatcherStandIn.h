#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>

// The desktop's tray host as StatusNotifierItems see it: the
// org.kde.StatusNotifierWatcher service on the test's private bus, with a
// host registered, remembering which items registered themselves.
class StatusNotifierWatcherStandIn : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    StatusNotifierWatcherStandIn();
    ~StatusNotifierWatcherStandIn() override;

    bool isServing() const { return serving_; }
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    // Each as "<bus name><object path>".
    QStringList items() const { return items_; }

public slots:
    void RegisterStatusNotifierItem(const QString& serviceOrPath);
    void RegisterStatusNotifierHost(const QString& service);

signals:
    void StatusNotifierItemRegistered(const QString& item);

private:
    QDBusConnection bus_;
    QStringList items_;
    bool serving_ = false;
};
