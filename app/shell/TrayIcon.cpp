#include "TrayIcon.h"

#include "AppActions.h"
#include "ui/SymbolIcons.h"

#include <QApplication>
#include <QMenu>

namespace {

// A tray copy of a shared command: same handler, a title of its own.
QAction* mirror(QMenu* menu, QAction* command) {
    QAction* item = menu->addAction(command->icon(), command->text());
    QObject::connect(item, &QAction::triggered, command, &QAction::trigger);
    return item;
}

} // namespace

TrayIcon::TrayIcon(const AppActions& actions, QObject* parent) : QSystemTrayIcon(parent), menu_(new QMenu()) {
    setIcon(QApplication::windowIcon());
    captureRegion_ = mirror(menu_, actions.captureRegion);
    captureFullScreen_ = mirror(menu_, actions.captureFullScreen);
    mirror(menu_, actions.captureWindow);
    newIssue_ = mirror(menu_, actions.newIssue);
    menu_->addSeparator();
    openDashboard_ = mirror(menu_, actions.dashboard);
    syncStatus_ = mirror(menu_, actions.syncNow);
    signIn_ = mirror(menu_, actions.accountSettings);
    menu_->addAction(actions.settings);
    menu_->addSeparator();
    menu_->addAction(actions.quit);
    setContextMenu(menu_);
    update({}, {}, 0, StatusMenuTitles::syncLine(StatusMenuTitles::SyncState::signedOut, {}));

    connect(this, &QSystemTrayIcon::activated, this, [this](ActivationReason reason) {
        if (reason == Trigger)
            emit showDashboardRequested();
    });
}

TrayIcon::~TrayIcon() { delete menu_; }

void TrayIcon::update(const QString& r, const QString& f, int openCount, const StatusMenuTitles::SyncLine& sync) {
    captureRegion_->setText(StatusMenuTitles::captureRegion(r));
    captureFullScreen_->setText(StatusMenuTitles::captureFullScreen(f));
    newIssue_->setText(StatusMenuTitles::newIssue(r));
    openDashboard_->setText(StatusMenuTitles::openDashboard(openCount));
    setToolTip(StatusMenuTitles::tooltip(openCount));
    syncStatus_->setVisible(sync.showsStatus);
    syncStatus_->setText(sync.statusTitle);
    signIn_->setVisible(!sync.showsStatus);
    signIn_->setText(sync.signInTitle);
}
