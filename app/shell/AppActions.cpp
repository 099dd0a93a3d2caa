#include "AppActions.h"

#include "ui/SymbolIcons.h"

#include <QApplication>
#include <QMenuBar>
#include <QWidget>

namespace {

QAction* make(QObject* parent, const QString& text, const QKeySequence& keys = {}, const QString& symbol = {}) {
    auto* action = new QAction(text, parent);
    action->setShortcut(keys);
    if (!symbol.isEmpty())
        action->setIcon(symbolIcon(symbol));
    return action;
}

// The text-editing commands go to whichever widget has focus, if it has the slot.
void addEditCommand(QMenu* menu, const QString& text, const QKeySequence& keys, const char* slot) {
    QAction* action = menu->addAction(text);
    action->setShortcut(keys);
    QObject::connect(action, &QAction::triggered, [slot] {
        if (QWidget* focus = QApplication::focusWidget())
            QMetaObject::invokeMethod(focus, slot);
    });
}

} // namespace

AppActions::AppActions(QObject* parent)
    : QObject(parent),
      about(make(this, tr("About Zorvi"))),
      settings(make(this, tr("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma), "gearshape")),
      showOnboarding(make(this, tr("Show Onboarding…"))),
      quit(make(this, tr("Quit Zorvi"), QKeySequence(Qt::CTRL | Qt::Key_Q))),
      captureRegion(make(this, tr("Capture Region"), {}, "viewfinder")),
      captureFullScreen(make(this, tr("Capture Full Screen"), {}, "display")),
      captureWindow(make(this, tr("Capture Window"), {}, "macwindow")),
      newIssue(make(this, tr("New Issue Without Screenshot"), QKeySequence(Qt::CTRL | Qt::Key_N), "text.alignleft")),
      dashboard(make(this, tr("Dashboard"), QKeySequence(Qt::CTRL | Qt::Key_0), "square.grid.2x2")),
      syncNow(make(this, tr("Sync Now"), {}, "arrow.clockwise")),
      accountSettings(make(this, tr("Sign in to sync…"), {}, "person.crop.circle")),
      minimizeWindow(make(this, tr("Minimize"), QKeySequence(Qt::CTRL | Qt::Key_M))),
      closeWindow(make(this, tr("Close"), QKeySequence(Qt::CTRL | Qt::Key_W))),
      undo(make(this, tr("Undo"), QKeySequence::Undo)) {
    quit->setMenuRole(QAction::QuitRole);
    for (const int seconds : {3, 5, 10}) {
        QAction* delayed = make(this, tr("Region in %1 s").arg(seconds));
        delayed->setData(seconds);
        delayedRegion.append(delayed);
    }
    connect(minimizeWindow, &QAction::triggered, [] {
        if (QWidget* active = QApplication::activeWindow())
            active->showMinimized();
    });
    connect(closeWindow, &QAction::triggered, [] {
        if (QWidget* active = QApplication::activeWindow())
            active->close();
    });
}

void AppActions::fillMenuBar(QMenuBar* bar) const {
    QMenu* app = bar->addMenu(tr("&Zorvi"));
    app->addAction(about);
    app->addSeparator();
    app->addAction(settings);
    app->addAction(showOnboarding);
    app->addSeparator();
    app->addAction(syncNow);
    app->addAction(accountSettings);
    app->addSeparator();
    app->addAction(quit);

    QMenu* capture = bar->addMenu(tr("&Capture"));
    capture->addAction(captureRegion);
    capture->addAction(captureFullScreen);
    capture->addAction(captureWindow);
    capture->addActions(delayedRegion);
    capture->addSeparator();
    capture->addAction(newIssue);

    QMenu* edit = bar->addMenu(tr("&Edit"));
    edit->addAction(undo);
    addEditCommand(edit, tr("Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), "redo");
    edit->addSeparator();
    addEditCommand(edit, tr("Cut"), QKeySequence::Cut, "cut");
    addEditCommand(edit, tr("Copy"), QKeySequence::Copy, "copy");
    addEditCommand(edit, tr("Paste"), QKeySequence::Paste, "paste");
    addEditCommand(edit, tr("Select All"), QKeySequence::SelectAll, "selectAll");

    QMenu* window = bar->addMenu(tr("&Window"));
    window->addAction(dashboard);
    window->addSeparator();
    window->addAction(minimizeWindow);
    window->addAction(closeWindow);
}

void AppActions::attachShortcutsTo(QWidget* window) const {
    window->addActions({settings, newIssue, dashboard, minimizeWindow, closeWindow, quit});
}

void AppActions::showGlobalShortcuts(const QString& region, const QString& fullScreen) {
    // Text after a tab is drawn in the menu's shortcut column; none where the keys do nothing.
    const auto withKeys = [](const QString& title, const QString& keys) {
        return keys.isEmpty() ? title : title + u'\t' + keys;
    };
    captureRegion->setText(withKeys(tr("Capture Region"), region));
    captureFullScreen->setText(withKeys(tr("Capture Full Screen"), fullScreen));
}
