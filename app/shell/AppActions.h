#pragma once

#include <QAction>
#include <QList>
#include <QObject>

class QMenuBar;
class QWidget;

// Every command of the app as one QAction each, shared by the menu bar, the
// tray menu and the windows' keyboard shortcuts. The AppShell connects
// each action's triggered() to its handler.
class AppActions : public QObject {
    Q_OBJECT
public:
    explicit AppActions(QObject* parent = nullptr);

    QAction* about;
    QAction* settings;
    QAction* showOnboarding;
    QAction* quit;
    QAction* captureRegion;
    QAction* captureFullScreen;
    QAction* captureWindow;
    // "Region in 3 s" and the like; each action's data is its seconds.
    QList<QAction*> delayedRegion;
    QAction* newIssue;
    QAction* dashboard;
    QAction* syncNow;
    QAction* accountSettings;
    // Act on the active window.
    QAction* minimizeWindow;
    QAction* closeWindow;
    // Edit ▸ Undo (Ctrl+Z); EditUndoCommand decides what it takes back.
    QAction* undo;

    // The menu bar that reaches every command: the app, Capture, Edit and
    // Window menus. Edit and Window act on the focused widget and window.
    void fillMenuBar(QMenuBar* bar) const;

    // Makes the app-wide keys (Ctrl+, Ctrl+N Ctrl+0 Ctrl+M Ctrl+W Ctrl+Q) work in a window
    // that has no menu bar of its own.
    void attachShortcutsTo(QWidget* window) const;

    // The capture items show the system-wide shortcuts (Alt+Shift+2, Super
    // Super) in the menu's shortcut column. They are only shown: the desktop,
    // not the menu, delivers them.
    void showGlobalShortcuts(const QString& region, const QString& fullScreen);
};
