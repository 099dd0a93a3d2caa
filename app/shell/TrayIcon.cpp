#include "TrayIcon.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>

TrayIcon::TrayIcon(QObject* parent) : QSystemTrayIcon(parent) {
    setIcon(QIcon::fromTheme("camera-photo", QApplication::windowIcon()));
    setToolTip(tr("Zorvi"));
    auto* menu = new QMenu();
    menu->addAction(tr("Open Dashboard"), this, &TrayIcon::showDashboardRequested);
    menu->addSeparator();
    menu->addAction(tr("Quit Zorvi"), this, &TrayIcon::quitRequested);
    setContextMenu(menu);
    connect(this, &QSystemTrayIcon::activated, this, [this](ActivationReason reason) {
        if (reason == Trigger)
            emit showDashboardRequested();
    });
    connect(this, &QObject::destroyed, menu, &QObject::deleteLater);
}
