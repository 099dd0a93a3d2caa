#pragma once

#include <QSystemTrayIcon>

// The tray entry (StatusNotifierItem). Only created when the desktop has a tray;
// without one the board window reaches everything.
class TrayIcon : public QSystemTrayIcon {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);

signals:
    void showDashboardRequested();
    void quitRequested();
};
