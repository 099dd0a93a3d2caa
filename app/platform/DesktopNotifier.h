#pragma once

#include <QObject>

#include <memory>

// The desktop's notification service: a notice with a title and a body that
// does something when clicked. `key` comes back through activated().
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // The session's org.freedesktop.Notifications service.
    static std::unique_ptr<DesktopNotifier> forSession();

    // Without a notification service nothing shows and nothing fails.
    virtual void show(const QString& title, const QString& body, const QString& key) = 0;

signals:
    void activated(const QString& key);
};
