#pragma once

#include "platform/DesktopNotifier.h"

#include <QHash>

class QDBusPendingCallWatcher;

// org.freedesktop.Notifications on the session bus: Notify with a "default"
// action, and ActionInvoked back to the notice's key.
class FreedesktopNotifier : public DesktopNotifier {
    Q_OBJECT
public:
    explicit FreedesktopNotifier(QObject* parent = nullptr);
    ~FreedesktopNotifier() override;

    void show(const QString& title, const QString& body, const QString& key) override;

private slots:
    void actionInvoked(uint id, const QString& action);
    void closed(uint id, uint reason);

private:
    QHash<uint, QString> keys_;
};
