#pragma once

#include "StatusMenuTitles.h"

#include <QSystemTrayIcon>

class AppActions;
class QAction;
class QMenu;

// The tray entry (StatusNotifierItem) with the status menu. Its titles are
// live: the shortcuts, the open count and the sync line are pushed in by
// the AppShell whenever they change. Only created when the desktop has
// a tray; without one the dashboard's menu bar reaches everything.
class TrayIcon : public QSystemTrayIcon {
    Q_OBJECT
public:
    explicit TrayIcon(const AppActions& actions, QObject* parent = nullptr);
    ~TrayIcon() override;

    void update(const QString& regionShortcut, const QString& fullScreenShortcut, int openCount,
                const StatusMenuTitles::SyncLine& sync);

    QMenu* menu() const { return menu_; }

signals:
    void showDashboardRequested();

private:
    QMenu* menu_;
    QAction* captureRegion_;
    QAction* captureFullScreen_;
    QAction* newIssue_;
    QAction* openDashboard_;
    QAction* syncStatus_;
    QAction* signIn_;
};
