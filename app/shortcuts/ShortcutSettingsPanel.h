#pragma once

#include <QWidget>

class GlobalShortcuts;
class HotkeyRecorderView;
class Preferences;
class QLabel;

// The two shortcut recorders with the conflicts under them and what this
// session allows; the settings window's shortcut page hosts it.
class ShortcutSettingsPanel : public QWidget {
    Q_OBJECT
public:
    ShortcutSettingsPanel(GlobalShortcuts& shortcuts, Preferences& preferences, QWidget* parent = nullptr);

    HotkeyRecorderView& regionRecorder() { return *region_; }
    HotkeyRecorderView& fullScreenRecorder() { return *fullScreen_; }

private:
    void showState();

    GlobalShortcuts& shortcuts_;
    Preferences& preferences_;
    HotkeyRecorderView* region_;
    HotkeyRecorderView* fullScreen_;
    QLabel* notice_;
};
