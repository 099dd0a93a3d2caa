#pragma once

#include <QWidget>

class GlobalShortcuts;
class Preferences;

// The settings window's Shortcuts tab: the two recorders (with their
// conflict and blocked notices) and the keys that work inside the overlay
// and the note box.
class ShortcutSettingsPage : public QWidget {
    Q_OBJECT
public:
    ShortcutSettingsPage(GlobalShortcuts& shortcuts, Preferences& preferences, QWidget* parent = nullptr);
};
