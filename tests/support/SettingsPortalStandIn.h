#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QObject>

// The desktop portal's Settings interface, served on the test's private bus
// from a connection of its own, knowing one setting: the appearance's colour
// scheme (0 no preference, 1 dark, 2 light). Changing it signals the change,
// as the real portal does when the user flips the desktop's style.
class SettingsPortalStandIn : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    explicit SettingsPortalStandIn(uint colorScheme);
    ~SettingsPortalStandIn() override;

    bool isServing() const { return serving_; }
    void setColorScheme(uint scheme);

public slots:
    // The value comes wrapped in a second variant, as the portal's Read sends it.
    QDBusVariant Read(const QString& ns, const QString& key);

signals:
    void SettingChanged(const QString& ns, const QString& key, const QDBusVariant& value);

private:
    QDBusConnection bus_;
    uint colorScheme_;
    bool serving_ = false;
};
